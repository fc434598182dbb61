#include "engine/vx_ctl.h"
#include "link/connectionform.h"
#include "link/portlist.h"
#include "support/simulator.h"

#include <QMutex>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {

struct Reply {
    int address = -1; // -1: "ok" of a write; -2: an empty array (failure)
    QVector<quint16> values;
    qint64 at = 0;
};

Reply decode(const QByteArray &data, qint64 at)
{
    Reply r;
    r.at = at;
    if (data.isEmpty()) {
        r.address = -2;
    } else if (data == "ok") {
        r.address = -1;
    } else if (data.size() >= 3) {
        r.address = (quint8(data.at(0)) << 8) | quint8(data.at(1));
        const int n = quint8(data.at(2));
        for (int i = 0; i < n && 4 + 2 * i < data.size(); ++i)
            r.values << quint16((quint8(data.at(3 + 2 * i)) << 8) | quint8(data.at(4 + 2 * i)));
    }
    return r;
}

} // namespace

// The engine driving the real link against the device simulator, wired as the main window
// wires them.
class TestVxCtlLink : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void groupsPolledAtTheirPeriods();
    void writesGoBetweenReads();

private:
    std::unique_ptr<Simulator> sim;
    std::unique_ptr<ConnectionForm> form;
    std::unique_ptr<VX_Ctl> engine;
    QList<Reply> replies;
    QElapsedTimer clock;
    // Read requests as the engine emits them, stamped in the polling thread: their spacing
    // is the engine's doing, while replies also carry the event loop's delays.
    QMutex requestMutex;
    QList<QPair<int, qint64>> readRequests;

    int count(int address) const
    {
        int n = 0;
        for (const Reply &r : replies)
            n += r.address == address ? 1 : 0;
        return n;
    }
};

void TestVxCtlLink::initTestCase()
{
    PortList::setProvider([] { return QList<PortEntry>(); });
    sim.reset(new Simulator({"--baud", "115200", "--initialised", "--model", "2701"}));
    QVERIFY2(sim->start(), "device simulator did not start");
    clock.start();
}

void TestVxCtlLink::cleanupTestCase()
{
    sim.reset();
    PortList::setProvider({});
}

void TestVxCtlLink::init()
{
    replies.clear();
    form.reset(new ConnectionForm(nullptr, "en_US"));
    engine.reset(new VX_Ctl);
    connect(engine.get(), &VX_Ctl::SendReadRequest, form.get(), &ConnectionForm::Read_Register);
    connect(engine.get(), &VX_Ctl::SendWriteRequest, form.get(), &ConnectionForm::Write_MutipRegister);
    connect(form.get(), &ConnectionForm::SendReceviedData, this,
            [this](QByteArray data) { replies << decode(data, clock.elapsed()); });
    connect(form.get(), &ConnectionForm::SendReceviedData, engine.get(), &VX_Ctl::ReceviedData);
    readRequests.clear();
    connect(engine.get(), &VX_Ctl::SendReadRequest, this, [this](int address, quint16) {
        QMutexLocker lock(&requestMutex);
        readRequests.append({address, clock.elapsed()});
    }, Qt::DirectConnection);

    QSignalSpy state(form.get(), &ConnectionForm::SendConnectiomState);
    form->setLinkParameters(sim->port(), 115200, 0, 1, 1);
    form->ComPort_Connect();
    QTRY_VERIFY(state.contains(QVariantList{2}));
}

void TestVxCtlLink::cleanup()
{
    engine->SetStop();
    QVERIFY(engine->wait(2000));
    engine.reset();
    form->ComPort_Disconnect();
    form.reset();
}

void TestVxCtlLink::groupsPolledAtTheirPeriods()
{
    const int baud = int(form->GetGripperBaudRate());
    engine->ClearReadList();
    engine->Add_readregisterList(0x0200, 14, quint16(100 * (9600 / baud + 1)));
    engine->Add_readregisterList(0x0A00, 6, quint16(1000 * (9600 / baud + 1)));
    engine->start();
    engine->ReadEnable(true);

    QTRY_VERIFY_WITH_TIMEOUT(count(0x0A00) >= 2, 4000);
    QCOMPARE(replies.at(0).address, 0x0200);
    QCOMPARE(replies.at(1).address, 0x0A00);
    QCOMPARE(count(-2), 0);

    // Identification block and feedback of an initialised gripper.
    const Reply info = replies.at(1);
    QCOMPARE(info.values.size(), 6);
    QCOMPARE(info.values.at(0), quint16(0x2701));
    QCOMPARE(replies.at(0).values.size(), 14);
    QCOMPARE(replies.at(0).values.at(0), quint16(1));

    QList<QPair<int, qint64>> requests;
    {
        QMutexLocker lock(&requestMutex);
        requests = readRequests;
    }
    // A block is asked for again only once more than its period has passed. The stamps are
    // taken a little after the engine read its own clock, and a busy machine may delay one
    // more than the next: allow for that, while a block read in every pass still shows.
    const qint64 slack = 25;
    qint64 firstInfo = -1, secondInfo = -1, lastFeedback = -1;
    int feedbackBetween = 0;
    for (const auto &r : requests) {
        if (r.first == 0x0A00) {
            if (firstInfo < 0)
                firstInfo = r.second;
            else if (secondInfo < 0)
                secondInfo = r.second;
        } else if (r.first == 0x0200) {
            if (lastFeedback >= 0)
                QVERIFY2(r.second - lastFeedback > 100 - slack, qPrintable(QString::number(r.second - lastFeedback)));
            lastFeedback = r.second;
            feedbackBetween += firstInfo >= 0 && secondInfo < 0 ? 1 : 0;
        }
    }
    QVERIFY2(secondInfo - firstInfo > 1000 - slack, qPrintable(QString::number(secondInfo - firstInfo)));
    // About ten feedback reads per information period.
    QVERIFY2(feedbackBetween >= 5 && feedbackBetween <= (secondInfo - firstInfo) / 100 + 1,
             qPrintable(QString::number(feedbackBetween)));
}

void TestVxCtlLink::writesGoBetweenReads()
{
    engine->Add_readregisterList(0x0100, 10, 0);
    engine->start();
    engine->ReadEnable(true);
    QTRY_VERIFY(count(0x0100) >= 1);

    engine->Add_writeMutipregisterList(0x0103, {500, 40});
    QTRY_COMPARE(count(-1), 1);
    // Each read after the answered write shows the new target and speed.
    const int writtenAt = [this] {
        for (int i = 0; i < replies.size(); ++i)
            if (replies.at(i).address == -1)
                return i;
        return -1;
    }();
    QTRY_VERIFY(replies.size() > writtenAt + 1);
    const Reply after = replies.at(writtenAt + 1);
    QCOMPARE(after.address, 0x0100);
    QCOMPARE(after.values.at(3), quint16(500));
    QCOMPARE(after.values.at(4), quint16(40));
    QCOMPARE(count(-1), 1); // answered, so sent once
    QCOMPARE(count(-2), 0);
    QTRY_COMPARE(VX_Ctl::retryCounter(), 1);
}

QTEST_MAIN(TestVxCtlLink)
#include "tst_vxctl_link.moc"
