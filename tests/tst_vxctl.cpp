#include "engine/actionregisters.h"
#include "engine/vx_ctl.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QPointer>
#include <QTimer>
#include <QTranslator>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

// How the fake link treats one request.
struct Reaction {
    enum Kind { Answer, Fail, Silent, Hold, Delay } kind = Answer;
    int ms = 0; // Delay only
};

Reaction answer() { return {Reaction::Answer, 0}; }
Reaction fail() { return {Reaction::Fail, 0}; }
Reaction silent() { return {Reaction::Silent, 0}; }
Reaction hold() { return {Reaction::Hold, 0}; }
Reaction delay(int ms) { return {Reaction::Delay, ms}; }

struct Request {
    bool write = false;
    int address = 0;
    int count = 0;
    QVector<quint16> values;
    qint64 emittedAt = 0; // in the polling thread
    int retryCounter = 0; // when the link got the request
};

QByteArray readAnswer(int address, int count)
{
    QByteArray data;
    data.append(char(address >> 8));
    data.append(char(address & 0xFF));
    data.append(char(count));
    for (int i = 0; i < count; ++i) {
        data.append(char(0x12));
        data.append(char(i));
    }
    return data;
}

} // namespace

// Stands in for the link: lives in the GUI thread, answers the engine's requests in order
// through its own SendReceviedData as scripted, and logs what it was asked.
class FakeLink : public QObject
{
    Q_OBJECT

public:
    explicit FakeLink(VX_Ctl *engine)
    {
        m_clock.start();
        connect(engine, &VX_Ctl::SendReadRequest, this, &FakeLink::readRegister);
        connect(engine, &VX_Ctl::SendWriteRequest, this, &FakeLink::writeRegisters);
        connect(this, &FakeLink::SendReceviedData, engine, &VX_Ctl::ReceviedData);
        // Emission times, taken in the polling thread itself.
        connect(engine, &VX_Ctl::SendReadRequest, this,
                [this](int, quint16) { stamp(); }, Qt::DirectConnection);
        connect(engine, &VX_Ctl::SendWriteRequest, this,
                [this](int, QVector<quint16>) { stamp(); }, Qt::DirectConnection);
        // Reports of writes that ended without an answer, received in this thread.
        connect(engine, &VX_Ctl::WriteGivenUp, this, [this](int address, QVector<quint16> values, int tries) {
            givenUp.append({true, address, tries, values, 0, 0});
        });
        connect(engine, &VX_Ctl::WriteOutcomeUnknown, this, [this](int address, QVector<quint16> values) {
            unknown.append({true, address, 1, values, 0, 0});
        });
    }
    QList<Request> givenUp; // count: the tries
    QList<Request> unknown;

    QList<Reaction> readScript;
    QList<Reaction> writeScript;
    Reaction readDefault = answer();
    Reaction writeDefault = answer();
    QHash<int, Reaction> writeByAddress; // before the script and the default
    std::function<void(const Request &)> onRequest; // runs while the engine waits
    QList<Request> log;
    QList<qint64> answeredAt; // when a delayed or held answer was delivered

    qint64 now() const { return m_clock.elapsed(); }

    void release()
    {
        const QList<QByteArray> held = m_held;
        m_held.clear();
        for (const QByteArray &data : held)
            deliver(data);
    }

    QList<Request> reads() const { return filtered(false); }
    QList<Request> writes() const { return filtered(true); }

    int count(bool write, int address) const
    {
        int n = 0;
        for (const Request &r : log)
            n += (r.write == write && r.address == address) ? 1 : 0;
        return n;
    }

signals:
    void SendReceviedData(QByteArray data);

private:
    void stamp()
    {
        QMutexLocker lock(&m_stampMutex);
        m_stamps.append(m_clock.elapsed());
    }

    void readRegister(int address, quint16 count)
    {
        Request r;
        r.address = address;
        r.count = count;
        record(r);
        react(readScript.isEmpty() ? readDefault : readScript.takeFirst(),
              readAnswer(address, count));
    }

    void writeRegisters(int address, QVector<quint16> values)
    {
        Request r;
        r.write = true;
        r.address = address;
        r.count = values.size();
        r.values = values;
        record(r);
        const Reaction reaction = writeByAddress.contains(address) ? writeByAddress.value(address)
                                  : writeScript.isEmpty()         ? writeDefault
                                                                  : writeScript.takeFirst();
        react(reaction, QByteArrayLiteral("ok"));
    }

    void record(Request r)
    {
        {
            QMutexLocker lock(&m_stampMutex);
            r.emittedAt = m_stamps.value(log.size(), -1);
        }
        r.retryCounter = VX_Ctl::retryCounter();
        log.append(r);
        if (onRequest)
            onRequest(r);
    }

    void react(const Reaction &reaction, const QByteArray &data)
    {
        switch (reaction.kind) {
        case Reaction::Answer: emit SendReceviedData(data); break;
        case Reaction::Fail: emit SendReceviedData(QByteArray()); break;
        case Reaction::Silent: break;
        case Reaction::Hold: m_held.append(data); break;
        case Reaction::Delay:
            QTimer::singleShot(reaction.ms, this, [this, data]() { deliver(data); });
            break;
        }
    }

    void deliver(const QByteArray &data)
    {
        answeredAt.append(m_clock.elapsed());
        emit SendReceviedData(data);
    }

    QList<Request> filtered(bool write) const
    {
        QList<Request> out;
        for (const Request &r : log)
            if (r.write == write)
                out.append(r);
        return out;
    }

    QElapsedTimer m_clock;
    QMutex m_stampMutex;
    QList<qint64> m_stamps;
    QList<QByteArray> m_held;
};

class TestVxCtl : public QObject
{
    Q_OBJECT

private slots:
    // The retry counter is shared by the whole process: these two run first, in order.
    void firstUnansweredWriteIsSentFourTimes();
    void unansweredWriteIsSentThreeTimes();

    void fullPassThenEachBlockAtItsPeriod();
    void writeFollowsCurrentReadAndAlternates();
    void slotsDoNotBlockDuringWaitsAndAnswersAreTaken();
    void lateAnswerDoesNotCountForNextWrite();
    void lateAnswerDoesNotCountForNextRead();
    void emptyAnswerWakesNothing();
    void readEnableFalseDropsQueuedWrites();
    void actionRegisters_data();
    void actionRegisters();
    void unansweredActionIsSentOnceAndReported();
    void addReadOverwritesAndRestartsCursor();
    void clearReadListStopsReading();
    void setStopEndsRunDuringWait();
    void writeReportLinesInChinese();

    void init();
    void cleanup();

private:
    // Sends of one never-answered write at 0x0300 until it is dropped, shown by a second
    // (answered) write reaching the link next.
    void sendsUntilDropped(int *sends);

    std::unique_ptr<VX_Ctl> engine;
    std::unique_ptr<FakeLink> link;
};

void TestVxCtl::init()
{
    engine.reset(new VX_Ctl);
    link.reset(new FakeLink(engine.get()));
}

void TestVxCtl::cleanup()
{
    engine->SetStop();
    QVERIFY(engine->wait(2000));
    link.reset();
    engine.reset();
}

void TestVxCtl::sendsUntilDropped(int *sends)
{
    // Each write reports once when it leaves the queue: given up, or answered.
    QList<QPair<int, bool>> finished;
    QVector<quint16> droppedValues;
    const QMetaObject::Connection report = connect(engine.get(), &VX_Ctl::WriteFinished, this,
            [&](int address, const QVector<quint16> &values, bool answered) {
                finished.append({address, answered});
                if (address == 0x0300)
                    droppedValues = values;
            }, Qt::QueuedConnection);
    link->writeByAddress.insert(0x0300, silent());
    engine->start();
    engine->Add_writeregisterList(0x0300, 7);
    QTRY_VERIFY(link->writes().size() >= 1);
    engine->Add_writeregisterList(0x0301, 8);
    QTRY_VERIFY_WITH_TIMEOUT(link->count(true, 0x0301) == 1, 3000);
    const QList<Request> writes = link->writes();
    *sends = link->count(true, 0x0300);
    for (int i = 0; i < *sends; ++i)
        QCOMPARE(writes.at(i).address, 0x0300);
    // The counter as the next write went out, right after the removal.
    QCOMPARE(writes.at(*sends).retryCounter, 1);
    QTRY_COMPARE(finished.size(), 2);
    QCOMPARE(finished, (QList<QPair<int, bool>>{{0x0300, false}, {0x0301, true}}));
    QCOMPARE(droppedValues, QVector<quint16>{7});
    disconnect(report);
    // The write given up is reported with its tries, the answered one is not.
    QTRY_COMPARE(link->givenUp.size(), 1);
    QCOMPARE(link->givenUp.at(0).address, 0x0300);
    QCOMPARE(link->givenUp.at(0).values, QVector<quint16>{7});
    QCOMPARE(link->givenUp.at(0).count, *sends);
    QCOMPARE(WriteReport::givenUpLine(0x0300, {7}, *sends),
             QString("Write given up:\t 0x0300 = 7, no answer after %1 tries").arg(*sends));
}

void TestVxCtl::firstUnansweredWriteIsSentFourTimes()
{
    QCOMPARE(VX_Ctl::retryCounter(), 0);
    int sends = 0;
    sendsUntilDropped(&sends);
    QCOMPARE(sends, 4);
    QTRY_COMPARE(VX_Ctl::retryCounter(), 1);
    const Request w = link->writes().first();
    QCOMPARE(w.values, QVector<quint16>{7});
}

void TestVxCtl::unansweredWriteIsSentThreeTimes()
{
    if (VX_Ctl::retryCounter() == 0)
        QSKIP("the counter still stands at its start value; run the whole suite");
    QCOMPARE(VX_Ctl::retryCounter(), 1);
    int sends = 0;
    sendsUntilDropped(&sends);
    QCOMPARE(sends, 3);
    QTRY_COMPARE(VX_Ctl::retryCounter(), 1);
}

void TestVxCtl::fullPassThenEachBlockAtItsPeriod()
{
    // Added out of order; the slow block would not be due for a minute.
    engine->Add_readregisterList(0x0A00, 6, 60000);
    engine->Add_readregisterList(0x0200, 4, 1000);
    engine->Add_readregisterList(0x0100, 3, 100);
    engine->start();
    QCoreApplication::processEvents();
    QVERIFY(link->log.isEmpty()); // reading is still off
    engine->ReadEnable(true);

    QTRY_VERIFY_WITH_TIMEOUT(link->count(false, 0x0200) >= 2, 3000);
    const QList<Request> reads = link->reads();
    QCOMPARE(reads.at(0).address, 0x0100);
    QCOMPARE(reads.at(0).count, 3);
    QCOMPARE(reads.at(1).address, 0x0200);
    QCOMPARE(reads.at(1).count, 4);
    QCOMPARE(reads.at(2).address, 0x0A00);
    QCOMPARE(reads.at(2).count, 6);
    QCOMPARE(link->count(false, 0x0A00), 1);

    // The stamps are taken on another clock, a little after the engine read its own, and
    // a busy machine may delay one stamp more than the next: allow for that, while a block
    // read again too early (in every pass, say) still shows.
    const qint64 slack = 25;
    qint64 lastFast = -1, firstSlow = -1, secondSlow = -1;
    int fastBetween = 0;
    for (const Request &r : reads) {
        if (r.address == 0x0100) {
            if (lastFast >= 0)
                QVERIFY2(r.emittedAt - lastFast > 100 - slack, qPrintable(QString::number(r.emittedAt - lastFast)));
            lastFast = r.emittedAt;
            if (firstSlow >= 0 && secondSlow < 0)
                ++fastBetween;
        } else if (r.address == 0x0200) {
            (firstSlow < 0 ? firstSlow : secondSlow) = r.emittedAt;
        }
    }
    QVERIFY2(secondSlow - firstSlow > 1000 - slack, qPrintable(QString::number(secondSlow - firstSlow)));
    // About ten fast reads per slow period; the margins allow a busy machine.
    QVERIFY2(fastBetween >= 5 && fastBetween <= 12, qPrintable(QString::number(fastBetween)));

    // Enabling again reads every block once more, whatever its period.
    engine->ReadEnable(true);
    QTRY_COMPARE(link->count(false, 0x0A00), 2);
}

void TestVxCtl::writeFollowsCurrentReadAndAlternates()
{
    engine->Add_readregisterList(0x0100, 2, 0);
    engine->Add_readregisterList(0x0200, 2, 0);
    engine->Add_readregisterList(0x0300, 2, 0);
    link->readScript = {hold()};
    engine->start();
    engine->ReadEnable(true);
    QTRY_COMPARE(link->log.size(), 1);

    engine->Add_writeregisterList(0x0110, 5);
    link->release();
    QTRY_VERIFY(link->log.size() >= 2);
    QVERIFY(link->log.at(1).write);
    QCOMPARE(link->log.at(1).address, 0x0110);

    // Answers that take a little while keep every block due (period 0 means "more than
    // 0 ms since the last read").
    link->writeDefault = delay(2);
    for (int i = 0; i < 8; ++i)
        engine->Add_writeregisterList(0x0120 + i, quint16(i));
    QTRY_COMPARE(link->writes().size(), 9);
    // From the first of the eight to the last, writes were pending all the time.
    int start = 2;
    while (link->log.at(start).address != 0x0120)
        ++start;
    int end = link->log.size();
    while (!link->log.at(end - 1).write)
        --end;
    int writesInRow = 0;
    for (int i = start; i < end; ++i) {
        const Request &r = link->log.at(i);
        if (r.write) {
            // Two in a row only when the read step wrapped round the list.
            QVERIFY2(++writesInRow <= 2, "reads starved while writes were pending");
        } else {
            QVERIFY2(i == start || link->log.at(i - 1).write, "two reads while writes were pending");
            writesInRow = 0;
        }
    }
    // Each write once, in queue order.
    const QList<Request> writes = link->writes();
    for (int i = 1; i < writes.size(); ++i)
        QCOMPARE(writes.at(i).address, 0x0120 + i - 1);
}

void TestVxCtl::slotsDoNotBlockDuringWaitsAndAnswersAreTaken()
{
    engine->Add_readregisterList(0x0100, 2, 0);
    link->readScript = {delay(50)};
    link->writeScript = {delay(50)};
    qint64 duringRead = -1, duringWrite = -1;
    link->onRequest = [&](const Request &r) {
        QElapsedTimer call;
        call.start();
        if (!r.write && duringRead < 0) {
            // A read waits for its answer, which this thread delivers in 50 ms.
            engine->Add_writeregisterList(0x0200, 9);
            engine->Add_readregisterList(0x0100, 2, 0);
            duringRead = call.elapsed();
        } else if (r.write && duringWrite < 0) {
            // Now the write waits, also for 50 ms.
            engine->Add_writeMutipregisterList(0x0210, {1, 2, 3});
            engine->Add_readregisterList(0x0300, 1, 0);
            duringWrite = call.elapsed();
        }
    };
    engine->start();
    engine->ReadEnable(true);

    QTRY_COMPARE(link->count(true, 0x0210), 1);
    QVERIFY2(duringRead >= 0 && duringRead < 50, "a slot blocked during a read wait");
    QVERIFY2(duringWrite >= 0 && duringWrite < 50, "a slot blocked during a write wait");

    // The write went out as soon as the read's answer came, not when the wait ran out.
    QVERIFY(link->log.at(1).write);
    QCOMPARE(link->log.at(1).address, 0x0200);
    QVERIFY(link->answeredAt.size() >= 2);
    QVERIFY(link->log.at(1).emittedAt - link->answeredAt.at(0) < 100);

    // The delayed answer of the write was taken: it is not sent again.
    QCOMPARE(link->count(true, 0x0200), 1);
    QCOMPARE(link->writes().at(1).values, (QVector<quint16>{1, 2, 3}));
    QCOMPARE(link->writes().at(1).retryCounter, 1);
    QTRY_COMPARE(VX_Ctl::retryCounter(), 1);
}

void TestVxCtl::lateAnswerDoesNotCountForNextWrite()
{
    if (VX_Ctl::retryCounter() == 0)
        QSKIP("the counter still stands at its start value; run the whole suite");
    QCOMPARE(VX_Ctl::retryCounter(), 1);
    // The first send is answered only after its wait ran out, while the second waits;
    // the second itself gets nothing, so the write stays unanswered and goes out again.
    link->writeScript = {delay(300), silent(), answer()};
    engine->start();
    engine->Add_writeregisterList(0x0410, 1);
    QTRY_VERIFY_WITH_TIMEOUT(link->writes().size() >= 3, 3000);
    engine->Add_writeregisterList(0x0411, 2);
    QTRY_COMPARE(link->count(true, 0x0411), 1);
    QCOMPARE(link->count(true, 0x0410), 3);
    QCOMPARE(link->answeredAt.size(), 1);
    QVERIFY(link->answeredAt.at(0) > link->writes().at(1).emittedAt);
}

void TestVxCtl::lateAnswerDoesNotCountForNextRead()
{
    // Same block each time, so the late answer looks exactly like the awaited one.
    engine->Add_readregisterList(0x0100, 2, 0);
    link->readScript = {delay(300), silent()};
    engine->start();
    engine->ReadEnable(true);
    QTRY_VERIFY_WITH_TIMEOUT(link->reads().size() >= 3, 3000);
    const QList<Request> reads = link->reads();
    QCOMPARE(link->answeredAt.size(), 1);
    QVERIFY(link->answeredAt.at(0) > reads.at(1).emittedAt);
    QVERIFY2(reads.at(2).emittedAt - reads.at(1).emittedAt >= 200,
             "a late answer ended the wait of the next read");
}

void TestVxCtl::emptyAnswerWakesNothing()
{
    engine->Add_readregisterList(0x0100, 2, 0);
    link->readScript = {fail()};
    engine->start();
    engine->ReadEnable(true);
    QTRY_VERIFY_WITH_TIMEOUT(link->reads().size() >= 2, 2000);
    const QList<Request> reads = link->reads();
    QVERIFY2(reads.at(1).emittedAt - reads.at(0).emittedAt >= 200, "an empty array ended a wait");
}

void TestVxCtl::readEnableFalseDropsQueuedWrites()
{
    link->writeScript = {hold()};
    engine->start();
    engine->Add_writeregisterList(0x0500, 1);
    engine->Add_writeregisterList(0x0501, 2);
    engine->Add_writeregisterList(0x0502, 3);
    QTRY_COMPARE(link->writes().size(), 1);

    engine->ReadEnable(false);
    engine->Add_writeregisterList(0x0510, 4);
    QTRY_COMPARE(link->writes().size(), 2);
    QCOMPARE(link->writes().at(1).address, 0x0510);
    // The dropped write went unanswered: that still counts as a retry, unless it was the
    // last one allowed.
    const int before = link->writes().at(0).retryCounter;
    QCOMPARE(link->writes().at(1).retryCounter, before > 2 ? 1 : before + 1);
    QCOMPARE(link->count(true, 0x0500), 1);
    QCOMPARE(link->count(true, 0x0501), 0);
    QCOMPARE(link->count(true, 0x0502), 0);
    QTRY_COMPARE(VX_Ctl::retryCounter(), 1);
    // Each dropped write is reported: the two never sent, the one on the line with its try.
    QTRY_COMPARE(link->givenUp.size(), 3);
    QCOMPARE(link->givenUp.at(0).address, 0x0501);
    QCOMPARE(link->givenUp.at(0).count, 0);
    QCOMPARE(link->givenUp.at(1).address, 0x0502);
    QCOMPARE(link->givenUp.at(2).address, 0x0500);
    QCOMPARE(link->givenUp.at(2).count, 1);
}

void TestVxCtl::actionRegisters_data()
{
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("count");
    QTest::addColumn<bool>("action");
    QTest::newRow("relative move") << 0x0106 << 1 << true;
    QTest::newRow("relative rotation") << 0x0109 << 1 << true;
    QTest::newRow("target and speed") << 0x0103 << 2 << false;
    QTest::newRow("block reaching 0x0106") << 0x0104 << 3 << true;
    QTest::newRow("block ending before") << 0x0100 << 6 << false;
    QTest::newRow("I/O group test") << 0x0400 << 1 << true;
    QTest::newRow("I/O set-points") << 0x0401 << 16 << false;
    QTest::newRow("initialise") << 0x0100 << 1 << false;
    QTest::newRow("stop") << 0x0502 << 1 << false;
    QTest::newRow("rotation reset") << 0x0506 << 1 << true;
    QTest::newRow("calibration") << 0x1100 << 1 << true;
    QTest::newRow("upgrade") << 0x1103 << 1 << true;
    QTest::newRow("fit parameters") << 0x1200 << 4 << false;
    QTest::newRow("unique ID") << 0x0A03 << 2 << false;
    QTest::newRow("permission") << 0x0000 << 1 << false;
}

void TestVxCtl::actionRegisters()
{
    QFETCH(int, address);
    QFETCH(int, count);
    QFETCH(bool, action);
    QCOMPARE(ActionRegisters::isActionWrite(address, count), action);
}

void TestVxCtl::unansweredActionIsSentOnceAndReported()
{
    // The answer is lost (the device may have moved): not sent again, reported as unknown,
    // and the write behind it goes next. A value write is repeated as before.
    link->writeByAddress.insert(0x0106, silent());
    link->writeScript = {silent(), answer()};
    engine->start();
    engine->Add_writeregisterList(0x0106, 500);
    engine->Add_writeregisterList(0x0103, 300);
    QTRY_COMPARE(link->count(true, 0x0103), 2);
    QCOMPARE(link->count(true, 0x0106), 1);
    QCOMPARE(link->writes().at(0).address, 0x0106);
    QTRY_COMPARE(link->unknown.size(), 1);
    QCOMPARE(link->unknown.at(0).address, 0x0106);
    QCOMPARE(link->unknown.at(0).values, QVector<quint16>{500});
    QVERIFY(link->givenUp.isEmpty());
    QTRY_COMPARE(VX_Ctl::retryCounter(), 1);
}

void TestVxCtl::addReadOverwritesAndRestartsCursor()
{
    engine->Add_readregisterList(0x0100, 2, 0);
    engine->Add_readregisterList(0x0200, 2, 0);
    engine->Add_readregisterList(0x0300, 2, 0);
    link->readScript = {answer(), hold()};
    engine->start();
    engine->ReadEnable(true);
    QTRY_COMPARE(link->log.size(), 2);
    QCOMPARE(link->log.at(1).address, 0x0200);

    engine->Add_readregisterList(0x0300, 5, 0);
    link->release();
    QTRY_VERIFY(link->log.size() >= 5);
    QCOMPARE(link->log.at(2).address, 0x0100);
    QCOMPARE(link->log.at(3).address, 0x0200);
    QCOMPARE(link->log.at(4).address, 0x0300);
    QCOMPARE(link->log.at(4).count, 5);
}

void TestVxCtl::clearReadListStopsReading()
{
    engine->Add_readregisterList(0x0100, 2, 60000);
    link->readScript = {hold()};
    engine->start();
    engine->ReadEnable(true);
    QTRY_COMPARE(link->log.size(), 1);

    engine->ClearReadList();
    engine->Add_readregisterList(0x0200, 1, 60000);
    link->release();
    // Reading is off after the clear: only the write goes out.
    engine->Add_writeregisterList(0x0600, 1);
    QTRY_COMPARE(link->writes().size(), 1);
    QCOMPARE(link->reads().size(), 1);

    engine->ReadEnable(true);
    QTRY_COMPARE(link->reads().size(), 2);
    QCOMPARE(link->reads().at(1).address, 0x0200);
}

void TestVxCtl::setStopEndsRunDuringWait()
{
    engine->Add_readregisterList(0x0100, 2, 0);
    link->readDefault = silent();
    link->writeDefault = silent();
    link->onRequest = [&](const Request &) { engine->Add_writeregisterList(0x0700, 1); };
    engine->start();
    engine->ReadEnable(true);
    QTRY_COMPARE(link->log.size(), 1);

    QElapsedTimer stopping;
    stopping.start();
    engine->SetStop();
    QVERIFY(engine->wait(1000));
    // Neither the rest of the read wait nor the queued write's wait was waited out.
    QVERIFY2(stopping.elapsed() < 200, qPrintable(QString::number(stopping.elapsed())));
    QCoreApplication::processEvents();
    QCOMPARE(link->writes().size(), 0);
}

// The process log's lines about writes are in the operator's language; the register, the
// values and the device's exception stay as they are.
void TestVxCtl::writeReportLinesInChinese()
{
    QTranslator chinese;
    QVERIFY(chinese.load(qEnvironmentVariable("GRIVANT_RUN_DIR") + "/translations/zh_CN.qm"));
    QCoreApplication::installTranslator(&chinese);
    const QStringList lines = {
        WriteReport::givenUpLine(0x0300, {7}, 0),
        WriteReport::givenUpLine(0x0300, {7}, 4),
        WriteReport::outcomeUnknownLine(0x0300, {7}),
        WriteReport::refusedLine(0x0300, {7}, 3, "illegal data value", 2),
        WriteReport::unsentAtExitLine(0x0300, {7}),
    };
    QCoreApplication::removeTranslator(&chinese);
    for (const QString &line : lines) {
        QVERIFY2(!line.contains("Write") && !line.contains("answer") && line.contains("0x0300 = 7"),
                 qPrintable(line));
    }
    QVERIFY(lines.at(1).contains(" 4 "));
    QVERIFY(lines.at(3).contains("illegal data value"));
}

QTEST_GUILESS_MAIN(TestVxCtl)
#include "tst_vxctl.moc"
