#include "link/connectionform.h"
#include "link/modbusclient.h"
#include "link/portlist.h"
#include "support/fakesysfs.h"
#include "link/traffic.h"
#include "support/simulator.h"

#include <QApplication>
#include <QLabel>
#include <QTemporaryDir>
#include <QInputDialog>
#include <QModbusRtuSerialMaster>
#include <QMutex>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include <memory>

#include <csignal>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

QMutex g_logMutex;
QStringList g_log;

void captureMessages(QtMsgType, const QMessageLogContext &, const QString &message)
{
    QMutexLocker lock(&g_logMutex);
    g_log << message;
}

QStringList logged()
{
    QMutexLocker lock(&g_logMutex);
    return g_log;
}

void clearLog()
{
    QMutexLocker lock(&g_logMutex);
    g_log.clear();
}

bool loggedLineStartingWith(const QString &prefix)
{
    const QStringList lines = logged();
    for (const QString &line : lines) {
        if (line.startsWith(prefix))
            return true;
    }
    return false;
}

QList<int> states(const QSignalSpy &spy)
{
    QList<int> out;
    for (const QList<QVariant> &args : spy)
        out << args.at(0).toInt();
    return out;
}

// Answers the next input dialog that appears with `text`.
void answerNextInputDialog(const QString &text)
{
    auto *timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, text]() {
        if (auto *dialog = qobject_cast<QInputDialog *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            dialog->setTextValue(text);
            dialog->accept();
        }
    });
    timer->start();
}

QString processLog(ConnectionForm &form)
{
    return form.findChild<QPlainTextEdit *>("pTE_process")->toPlainText();
}

} // namespace

class TestLink : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void readReplyLayout();
    void initialParameters();
    void nothingHappensWhileUnconnected();
    void offlineModeEmitsOnlyStates();
    void failedConnect();
    void connectReadWriteDisconnect();
    void reconnectWhileConnected();
    void lineSettingsReachThePort();
    void exceptionAnswers();
    void timeOuts();
    void refusedWrite();
    void fasterLineAfterSlowerOne();
    void deviceVanishes();
    void destroyedWhileConnected();
    void adapterLatencyPutBack_data();
    void adapterLatencyPutBack();
    void lateAnswersAfterAStall();
    void lateAnswersAfterAStallBlocking();
    void portLeftSetUpByAnEndedProgram_data();
    void portLeftSetUpByAnEndedProgram();

private:
    std::unique_ptr<Simulator> m_sim;
    QtMessageHandler m_previousHandler = nullptr;
};

void TestLink::initTestCase()
{
    PortList::setProvider([] { return QList<PortEntry>(); });
    m_sim.reset(new Simulator({"--id", "1", "--baud", "115200"}));
    QVERIFY2(m_sim->start(), "device simulator did not start");
    m_previousHandler = qInstallMessageHandler(captureMessages);
}

void TestLink::cleanupTestCase()
{
    qInstallMessageHandler(m_previousHandler);
    m_sim.reset();
    PortList::setProvider({});
}

void TestLink::init()
{
    clearLog();
}

void TestLink::readReplyLayout()
{
    QCOMPARE(LinkText::readReplyBytes(0x0102, 2, {0x1234, 0xFFFE}),
             QByteArray::fromHex("01020212 34FFFE"));
    // a unit that holds fewer values than its count: the missing ones go out as zeros
    QCOMPARE(LinkText::readReplyBytes(0x0A00, 3, {0xABCD}), QByteArray::fromHex("0A0003ABCD00000000"));
    QCOMPARE(LinkText::readReplyBytes(0xFFFF, 0, {0x1111}), QByteArray::fromHex("FFFF00"));
    const QByteArray full = LinkText::readReplyBytes(0x0300, 125, QVector<quint16>(125, 0x0102));
    QCOMPARE(full.size(), 3 + 250);
    QCOMPARE(quint8(full.at(2)), quint8(125));
    QCOMPARE(LinkText::connectLogLine(true, "COM3", 9600, 2, 1, 5),
             QString("Connect successful:\t COM3,9600,2,1,5"));
    QCOMPARE(LinkText::connectLogLine(false, "/dev/x%2", 115200, 0, 1, 247),
             QString("Connect failed:\t /dev/x%2,115200,0,1,247"));
}

void TestLink::initialParameters()
{
    ConnectionForm form(nullptr, "en_US");
    QCOMPARE(form.linkPort(), QString());
    QCOMPARE(form.linkBaudRate(), 115200);
    QCOMPARE(form.GetGripperBaudRate(), uint32_t(115200));
    QCOMPARE(int(form.linkParity()), 0);
    QCOMPARE(int(form.linkStopBits()), 0);
    QCOMPARE(int(form.linkSlaveId()), 1);
    QVERIFY(!form.isOffline());
    QVERIFY(form.modbusMaster());
    QCOMPARE(form.modbusMaster()->parent(), &form);
    QVERIFY(QMetaType::type("uint16_t") == QMetaType::UShort);
    QVERIFY(QMetaType::type("QSerialPort::SerialPortError") != QMetaType::UnknownType);
    form.setLinkParameters("COM7", 230400, 3, 1, 9);
    QCOMPARE(form.GetGripperBaudRate(), uint32_t(230400));
}

void TestLink::nothingHappensWhileUnconnected()
{
    ConnectionForm form(nullptr, "en_US");
    QSignalSpy data(&form, &ConnectionForm::SendReceviedData);
    QSignalSpy state(&form, &ConnectionForm::SendConnectiomState);
    form.setLinkParameters(m_sim->port(), 115200, 0, 1, 1);
    form.Read_Register(0x0A00, 6);
    form.Write_SingleRegister(0x0102, 1);
    form.Write_MutipRegister(0x0102, {1, 2});
    form.ComPort_Disconnect();
    QTest::qWait(0);
    QCOMPARE(data.count(), 0);
    QCOMPARE(state.count(), 0);
    QVERIFY(logged().isEmpty());
}

void TestLink::offlineModeEmitsOnlyStates()
{
    ConnectionForm form(nullptr, "en_US");
    QSignalSpy data(&form, &ConnectionForm::SendReceviedData);
    QSignalSpy info(&form, &ConnectionForm::SendGripperInfo);
    QSignalSpy state(&form, &ConnectionForm::SendConnectiomState);

    answerNextInputDialog("1a2b");
    form.show_offline_custom();
    QVERIFY(form.isOffline());
    QCOMPARE(info.count(), 1);
    QCOMPARE(states(state), QList<int>({2}));

    form.Read_Register(0x0200, 4);
    form.Write_MutipRegister(0x0103, {500});
    QTest::qWait(0);
    QCOMPARE(data.count(), 0);

    form.ComPort_Disconnect();
    QCOMPARE(states(state), QList<int>({2, 3}));
    QVERIFY(!form.isOffline());
    form.ComPort_Disconnect();
    QCOMPARE(states(state), QList<int>({2, 3}));
}

void TestLink::failedConnect()
{
    ConnectionForm form(nullptr, "en_US");
    QSignalSpy state(&form, &ConnectionForm::SendConnectiomState);
    auto *autoConnect = form.findChild<QPushButton *>("pB_Connect");
    autoConnect->setEnabled(false);
    form.setLinkParameters("/nonexistent/ttyGV9", 9600, 2, 1, 4);
    form.ComPort_Connect();
    QCOMPARE(states(state), QList<int>({1, 0}));
    QCOMPARE(processLog(form), QString("Connect failed:\t /nonexistent/ttyGV9,9600,2,1,4\n"));
    QVERIFY(autoConnect->isEnabled());
    QVERIFY(!logged().isEmpty()); // the master's own error text
    // the parameters stay for the next attempt
    QCOMPARE(form.linkPort(), QString("/nonexistent/ttyGV9"));
    QCOMPARE(form.GetGripperBaudRate(), uint32_t(9600));
}

void TestLink::connectReadWriteDisconnect()
{
    ConnectionForm form(nullptr, "en_US");
    QSignalSpy state(&form, &ConnectionForm::SendConnectiomState);
    QSignalSpy data(&form, &ConnectionForm::SendReceviedData);
    form.setLinkParameters(m_sim->port(), 115200, 0, 1, 1);
    form.ComPort_Connect();
    QCOMPARE(states(state), QList<int>({1, 2}));
    QCOMPARE(processLog(form),
             QString("Connect successful:\t %1,115200,0,1,1\n").arg(m_sim->port()));

    form.Write_MutipRegister(0x0102, {0x1234, 0xFFFE});
    QVERIFY(data.wait(2000));
    QCOMPARE(data.takeFirst().at(0).toByteArray(), QByteArray("ok"));

    form.Read_Register(0x0102, 2);
    QVERIFY(data.wait(2000));
    QCOMPARE(data.takeFirst().at(0).toByteArray(), QByteArray::fromHex("01020212 34FFFE"));

    form.Write_SingleRegister(0x0102, 0x00A5);
    QVERIFY(data.wait(2000));
    QCOMPARE(data.takeFirst().at(0).toByteArray(), QByteArray("ok"));
    form.Read_Register(0x0102, 1);
    QVERIFY(data.wait(2000));
    QCOMPARE(data.takeFirst().at(0).toByteArray(), QByteArray::fromHex("01020100A5"));

    state.clear();
    form.ComPort_Disconnect();
    QCOMPARE(states(state), QList<int>({3, 0, 3}));
    form.ComPort_Disconnect();
    QCOMPARE(states(state), QList<int>({3, 0, 3}));
    QCOMPARE(data.count(), 0);
}

void TestLink::reconnectWhileConnected()
{
    ConnectionForm form(nullptr, "en_US");
    QSignalSpy state(&form, &ConnectionForm::SendConnectiomState);
    QSignalSpy data(&form, &ConnectionForm::SendReceviedData);
    form.setLinkParameters(m_sim->port(), 115200, 0, 1, 1);
    form.ComPort_Connect();
    QCOMPARE(states(state), QList<int>({1, 2}));

    state.clear();
    form.setLinkParameters(m_sim->port(), 115200, 0, 1, 1);
    form.ComPort_Connect();
    QCOMPARE(states(state), QList<int>({3, 0, 1, 2}));
    const QStringList lines = processLog(form).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines.at(1).startsWith("Connect successful:\t "));

    // the reopened link works
    form.Read_Register(0x0A00, 6);
    QVERIFY(data.wait(2000));
    QCOMPARE(data.first().at(0).toByteArray().size(), 3 + 12);
    QCOMPARE(data.first().at(0).toByteArray().left(3), QByteArray::fromHex("0A0006"));
}

void TestLink::lineSettingsReachThePort()
{
    // the simulator answers only a line at its own rate, odd parity and two stop bits
    Simulator sim({"--id", "6", "--baud", "19200", "--parity", "odd", "--stopbits", "2"});
    QVERIFY(sim.start());
    ConnectionForm form(nullptr, "en_US");
    QSignalSpy data(&form, &ConnectionForm::SendReceviedData);

    form.setLinkParameters(sim.port(), 19200, 3, 1, 6);
    form.ComPort_Connect();
    form.Read_Register(0x0302, 1);
    QVERIFY(data.wait(2000));
    QCOMPARE(data.takeFirst().at(0).toByteArray(), QByteArray()); // one stop bit: silence

    form.setLinkParameters(sim.port(), 19200, 3, 2, 6);
    form.ComPort_Connect();
    QCOMPARE(processLog(form).split('\n', Qt::SkipEmptyParts).last(),
             QString("Connect successful:\t %1,19200,3,2,6").arg(sim.port()));
    form.Read_Register(0x0302, 1);
    QVERIFY(data.wait(2000));
    QCOMPARE(data.takeFirst().at(0).toByteArray(), QByteArray::fromHex("0302010006"));
}

void TestLink::exceptionAnswers()
{
    ConnectionForm form(nullptr, "en_US");
    QSignalSpy data(&form, &ConnectionForm::SendReceviedData);
    form.setLinkParameters(m_sim->port(), 115200, 0, 1, 1);
    form.ComPort_Connect();
    clearLog();

    // 0x7000 lies outside every register group: illegal data address
    form.Read_Register(0x7000, 1);
    QVERIFY(data.wait(2000));
    QCOMPARE(data.takeFirst().at(0).toByteArray(), QByteArray());
    QTRY_VERIFY(loggedLineStartingWith("Read response error: "));
    QVERIFY2(logged().last().endsWith("(Mobus exception: 0x2)"), qPrintable(logged().last()));

    clearLog();
    form.Write_MutipRegister(0x7000, {1, 2});
    QVERIFY(data.wait(2000));
    QCOMPARE(data.takeFirst().at(0).toByteArray(), QByteArray());
    QTRY_VERIFY(loggedLineStartingWith("Write response error: "));
    QVERIFY2(logged().last().endsWith("(Mobus exception: 0x2)"), qPrintable(logged().last()));
}

void TestLink::timeOuts()
{
    // nobody answers at address 9: each request times out after 150 ms, without a retry
    ConnectionForm form(nullptr, "en_US");
    QSignalSpy data(&form, &ConnectionForm::SendReceviedData);
    form.setLinkParameters(m_sim->port(), 115200, 0, 1, 9);
    form.ComPort_Connect();
    QCOMPARE(form.modbusMaster()->timeout(), 150);
    QCOMPARE(form.modbusMaster()->numberOfRetries(), 0);
    clearLog();

    QElapsedTimer clock;
    clock.start();
    form.Read_Register(0x0200, 2);
    QVERIFY(data.wait(2000));
    QCOMPARE(data.takeFirst().at(0).toByteArray(), QByteArray());
    QVERIFY(clock.elapsed() < 1000);
    QTRY_VERIFY(loggedLineStartingWith("Read error: "));
    QVERIFY2(logged().last().endsWith(QString("(code: 0x%1)").arg(QModbusDevice::TimeoutError, 0, 16)),
             qPrintable(logged().last()));

    clearLog();
    form.Write_SingleRegister(0x0103, 100);
    QVERIFY(data.wait(2000));
    QCOMPARE(data.takeFirst().at(0).toByteArray(), QByteArray());
    QTRY_VERIFY(loggedLineStartingWith("Write response error: "));
    QVERIFY(logged().last().endsWith("(code: 0x5)"));
    QCOMPARE(data.count(), 0);
}

void TestLink::refusedWrite()
{
    ConnectionForm form(nullptr, "en_US");
    QSignalSpy data(&form, &ConnectionForm::SendReceviedData);
    form.setLinkParameters(m_sim->port(), 115200, 0, 1, 1);
    form.ComPort_Connect();
    clearLog();

    // a write too long for one frame is refused by the master before anything is sent
    form.Write_MutipRegister(0x0102, QVector<quint16>(130, 1));
    QVERIFY(loggedLineStartingWith("Write error: "));
    // the link still works afterwards, and the refused write never answers
    form.Read_Register(0x0A00, 1);
    QVERIFY(data.wait(2000));
    QCOMPARE(data.count(), 1);
    QCOMPARE(data.first().at(0).toByteArray().left(3), QByteArray::fromHex("0A0001"));
}

void TestLink::fasterLineAfterSlowerOne()
{
    ConnectionForm form(nullptr, "en_US");
    QSignalSpy data(&form, &ConnectionForm::SendReceviedData);
    QModbusRtuSerialMaster *master = form.modbusMaster();

    form.setLinkParameters(m_sim->port(), 4800, 0, 1, 1);
    form.ComPort_Connect();
    // 3.5 characters of 11 bits at 4800 baud, rounded up to whole milliseconds
    QCOMPARE(master->interFrameDelay(), 9000);

    form.setLinkParameters(m_sim->port(), 115200, 0, 1, 1);
    form.ComPort_Connect();
    QCOMPARE(master->state(), QModbusDevice::ConnectedState);
    QCOMPARE(master->interFrameDelay(), 2000);

    form.Read_Register(0x0302, 1);
    QVERIFY(data.wait(2000));
    QCOMPARE(data.first().at(0).toByteArray(), QByteArray::fromHex("0302010001"));
}

void TestLink::deviceVanishes()
{
    // the line goes away under a connected link, as when an adapter is unplugged
    Simulator sim({"--vanish-after", "2"});
    QVERIFY(sim.start());
    ConnectionForm form(nullptr, "en_US");
    QSignalSpy data(&form, &ConnectionForm::SendReceviedData);
    QSignalSpy state(&form, &ConnectionForm::SendConnectiomState);
    form.setLinkParameters(sim.port(), 115200, 0, 1, 1);
    form.ComPort_Connect();
    form.Read_Register(0x0302, 1);
    QVERIFY(data.wait(2000));
    QCOMPARE(data.takeFirst().at(0).toByteArray(), QByteArray::fromHex("0302010001"));
    clearLog();

    form.Read_Register(0x0302, 1);
    QTRY_COMPARE_WITH_TIMEOUT(states(state), QList<int>({1, 2, 3, 0}), 3000);
    QVERIFY(processLog(form).contains(QString("Connection lost:\t %1 (").arg(sim.port())));
    // the dead port is closed at its first complaint instead of repeating it endlessly
    QVERIFY2(logged().size() < 10, qPrintable(logged().join('|')));

    data.clear();
    form.Read_Register(0x0302, 1);
    QTest::qWait(0);
    QCOMPARE(data.count(), 0);
}

void TestLink::destroyedWhileConnected()
{
    // closing the port on the way out must not reach receivers of a half-destroyed window
    auto form = std::make_unique<ConnectionForm>(nullptr, "en_US");
    form->setLinkParameters(m_sim->port(), 115200, 0, 1, 1);
    form->ComPort_Connect();
    QCOMPARE(form->modbusMaster()->state(), QModbusDevice::ConnectedState);
    QSignalSpy state(form.get(), &ConnectionForm::SendConnectiomState);
    form.reset();
    QCOMPARE(state.count(), 0);
}

// Behind a fake FTDI adapter (the pseudo-terminal takes no low-latency flag, so its timer
// file is written): 1 ms while the link is connected, as it was however the link ends.
void TestLink::adapterLatencyPutBack_data()
{
    QTest::addColumn<QString>("end");
    QTest::newRow("disconnect") << "disconnect";
    QTest::newRow("connect again") << "connect again";
    QTest::newRow("window closed") << "window closed";
    QTest::newRow("connection lost") << "connection lost";
}

void TestLink::adapterLatencyPutBack()
{
    QFETCH(QString, end);
    Simulator sim(end == "connection lost" ? QStringList{"--vanish-after", "1"} : QStringList());
    QVERIFY(sim.start());
    QTemporaryDir root;
    const QString device = FakeSysfs::makeUsb(root.path(), FakeSysfs::ftdi("16\n"), FakeSysfs::devChar(sim.port()));
    const auto timer = [&device] {
        QFile f(device + "/latency_timer");
        return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed() : QByteArray();
    };
    qputenv("GRIVANT_SYSFS_ROOT", root.path().toLocal8Bit());
    auto form = std::make_unique<ConnectionForm>(nullptr, "en_US");
    QSignalSpy state(form.get(), &ConnectionForm::SendConnectiomState);
    form->setLinkParameters(sim.port(), 115200, 0, 1, 1);
    form->ComPort_Connect();
    QCOMPARE(timer(), QByteArray("1"));
    const QString line = form->findChild<QLabel *>("lb_Adapter")->text();
    QVERIFY2(line.contains("FT232R USB UART (ftdi_sio)") && line.contains("16 \u2192 1 ms while connected"),
             qPrintable(line));
    QVERIFY(processLog(*form).contains("\t adapter: FT232R USB UART (FTDI, USB 0403:6001), driver ftdi_sio; latency "
                                       "timer 16 ms, 1 ms while the port is open (latency_timer written, put back "
                                       "at close)\n"));

    if (end == "disconnect") {
        form->ComPort_Disconnect();
    } else if (end == "connect again") {
        form->ComPort_Connect();
        QCOMPARE(timer(), QByteArray("1"));
        form->ComPort_Disconnect();
    } else if (end == "window closed") {
        form.reset();
    } else {
        QSignalSpy data(form.get(), &ConnectionForm::SendReceviedData);
        form->Read_Register(0x0302, 1);
        QTRY_VERIFY_WITH_TIMEOUT(states(state).endsWith(0), 5000);
    }
    qunsetenv("GRIVANT_SYSFS_ROOT");
    QCOMPARE(timer(), QByteArray("16"));
    if (form) // the line now tells of the port as it was found
        QVERIFY(!form->findChild<QLabel *>("lb_Adapter")->text().contains("while connected"));
}

// A device stopped for a while (SIGSTOP) answers the requests that timed out meanwhile as
// soon as it goes on (SIGCONT). Those answers meet later requests: none may be taken for
// theirs. The stall ends just after the third request went out, so that three answers queue
// up behind each other; the requests after it ask for other register counts.
void TestLink::lateAnswersAfterAStall()
{
    Simulator sim({"--id", "1"});
    QVERIFY(sim.start());
    const qint64 pid = sim.process()->processId();
    ConnectionForm form(nullptr, "en_US");
    form.trafficTap()->setListening(true);
    QSignalSpy data(&form, &ConnectionForm::SendReceviedData);
    form.setLinkParameters(sim.port(), 115200, 0, 1, 1);
    form.ComPort_Connect();

    struct Request { int address; quint16 count; };
    const QVector<Request> stalled{{0x0200, 14}, {0x0A00, 6}, {0x0000, 1}};
    const QVector<Request> after{{0x0A00, 3}, {0x0200, 14}, {0x0000, 1}, {0x0302, 2}, {0x0A00, 6}, {0x0000, 1}};
    QCOMPARE(::kill(pid_t(pid), SIGSTOP), 0);
    for (int i = 0; i < stalled.size(); ++i) {
        form.Read_Register(stalled.at(i).address, stalled.at(i).count);
        if (i == stalled.size() - 1)
            QCOMPARE(::kill(pid_t(pid), SIGCONT), 0);
        QVERIFY(data.wait(2000));
    }
    bool inStep = false;
    for (const Request &r : after) {
        form.Read_Register(r.address, r.count);
        QVERIFY2(data.wait(2000), qPrintable(logged().join('|')));
        const QByteArray got = data.last().at(0).toByteArray();
        if (got.isEmpty())
            continue;
        QCOMPARE(got.left(3).toHex(), LinkText::readReplyBytes(r.address, r.count, {}).left(3).toHex());
        QCOMPARE(got.size(), 3 + 2 * r.count);
        inStep = true;
    }
    QVERIFY(inStep);
    QVERIFY2(loggedLineStartingWith("Read error: discarded a late answer to an earlier request: 01 03 1c"),
             qPrintable(logged().join('|')));

    // The traffic monitor (and what records from it) never shows an answer of other registers.
    int discarded = 0;
    for (const TrafficFrame &f : form.trafficTap()->take()) {
        if (f.direction == TrafficFrame::Received)
            QCOMPARE(decodeTraffic(f).count, int(f.count));
        else if (f.direction == TrafficFrame::NoAnswer && f.note.startsWith("a late answer to an earlier request"))
            ++discarded;
    }
    QVERIFY(discarded > 0);
}

// The same for the blocking master of the command-line tool and the gateway.
void TestLink::lateAnswersAfterAStallBlocking()
{
    Simulator sim({"--id", "1"});
    QVERIFY(sim.start());
    const qint64 pid = sim.process()->processId();
    ModbusClient client;
    QString why;
    QVERIFY2(client.open(LineSettings{sim.port()}, &why), qPrintable(why));
    bool resumeAtNextRequest = false;
    QVector<TrafficFrame> seen;
    client.setFrameObserver([&](const TrafficFrame &f) {
        seen << f;
        if (f.direction == TrafficFrame::Sent && resumeAtNextRequest) {
            resumeAtNextRequest = false;
            ::kill(pid_t(pid), SIGCONT);
        }
    });

    client.setAttempts(1);
    QCOMPARE(::kill(pid_t(pid), SIGSTOP), 0);
    QCOMPARE(int(client.read(1, 0x0200, 14).status), int(ModbusClient::Status::NoAnswer));
    QCOMPARE(int(client.read(1, 0x0A00, 6).status), int(ModbusClient::Status::NoAnswer));
    resumeAtNextRequest = true;
    const ModbusClient::Reply first = client.read(1, 0x0302, 1);
    QVERIFY(!first.ok());
    QCOMPARE(first.errorText(), QString("a late answer to an earlier request, discarded"));
    client.setAttempts(3);
    const ModbusClient::Reply second = client.read(1, 0x0302, 1);
    QVERIFY2(second.ok(), qPrintable(second.errorText()));
    QCOMPARE(second.values, QVector<quint16>{1});
    const ModbusClient::Reply written = client.write(1, 0x0103, {500});
    QVERIFY2(written.ok(), qPrintable(written.errorText()));

    // What the traffic and a recording get: the late answers, all three in one piece, as no
    // answer of the read they met; every answer shown holds what its request asked for.
    int discarded = 0;
    for (const TrafficFrame &f : qAsConst(seen)) {
        if (f.direction == TrafficFrame::Received)
            QCOMPARE(decodeTraffic(f).count, int(f.count));
        else if (f.direction == TrafficFrame::NoAnswer && f.note.startsWith("a late answer to an earlier request"))
            ++discarded;
    }
    QCOMPARE(discarded, 1);
}

// A program that ended without closing its port (killed, crashed) leaves the line settings
// it had set. On a pseudo-terminal a request of even parity then changes nothing else, and
// the system calls it an invalid argument; so does one of odd parity where that program
// left it odd. The window still connects at each parity (what the far end sees of even is
// none), and every opener leaves the port as it found it.
void TestLink::portLeftSetUpByAnEndedProgram_data()
{
    QTest::addColumn<int>("left");
    QTest::newRow("left at no parity") << int(QSerialPort::NoParity);
    QTest::newRow("left at odd parity") << int(QSerialPort::OddParity);
}

void TestLink::portLeftSetUpByAnEndedProgram()
{
    QFETCH(int, left);
    const int fd = ::open(QFile::encodeName(m_sim->port()).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    QVERIFY(fd >= 0);
    const auto line = [fd] {
        termios t{};
        ::tcgetattr(fd, &t);
        return QVector<quint64>{t.c_iflag, t.c_oflag, t.c_cflag, t.c_lflag, ::cfgetospeed(&t)};
    };
    termios setUp{};
    {
        QSerialPort ended(m_sim->port());
        ended.setBaudRate(115200);
        ended.setParity(QSerialPort::Parity(left));
        QVERIFY(ended.open(QIODevice::ReadWrite));
        ::tcgetattr(fd, &setUp);
    }
    ::tcsetattr(fd, TCSANOW, &setUp);
    const QVector<quint64> found = line();

    for (quint8 parity : {0, 2, 3}) {
        ConnectionForm form(nullptr, "en_US");
        form.setLinkParameters(m_sim->port(), 115200, parity, 1, 1);
        form.ComPort_Connect();
        QVERIFY2(processLog(form).startsWith("Connect successful:"), qPrintable(processLog(form)));
        // The far end sees the parity asked for (even: none), not what was left.
        termios open{};
        ::tcgetattr(fd, &open);
        QCOMPARE(bool(open.c_cflag & PARODD), parity == 3);
        form.ComPort_Disconnect();
        QCOMPARE(line(), found);

        LineSettings settings{m_sim->port()};
        settings.parity = QSerialPort::Parity(parity);
        ModbusClient client;
        QString why;
        // the blocking master names even parity as refused by a pseudo-terminal
        QCOMPARE(client.open(settings, &why), parity != 2);
        client.close();
        QCOMPARE(line(), found);
    }
    ::close(fd);
}

QTEST_MAIN(TestLink)
#include "tst_link.moc"
