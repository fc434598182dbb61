// The traffic monitor: frames rebuilt for the Qt master, the decoder, the filter, the
// bounded ring and its rows, the files, and the frames the link and the scanner report
// over the simulator.
#include "link/connectionform.h"
#include "link/connectionfunc.h"
#include "link/trafficmodel.h"
#include "link/trafficmonitor.h"
#include "support/simulator.h"

#include <QAbstractItemModelTester>
#include <QModbusPdu>
#include <QPushButton>
#include <QTableView>
#include <QThread>
#include <QTranslator>
#include <QtTest>

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(text);
}

TrafficFrame frame(TrafficFrame::Direction direction, const char *bytes, int address = -1, int count = 0)
{
    TrafficFrame f;
    f.direction = direction;
    f.bytes = hex(bytes);
    if (f.bytes.size() > 1) {
        f.server = quint8(f.bytes.at(0));
        f.function = quint8(f.bytes.at(1)) & 0x7F;
    }
    f.address = address;
    f.count = quint16(count);
    return f;
}

TrafficFrame noAnswer(int server, int address, int count, int waitedMs)
{
    TrafficFrame f;
    f.direction = TrafficFrame::NoAnswer;
    f.server = quint8(server);
    f.function = 0x03;
    f.address = address;
    f.count = quint16(count);
    f.waitedMs = waitedMs;
    return f;
}

QVector<TrafficFrame> numbered(int first, int n)
{
    QVector<TrafficFrame> frames;
    for (int i = first; i < first + n; ++i) {
        TrafficFrame f = frame(TrafficFrame::Sent, "");
        f.bytes = TrafficAdu::readRequest(quint8(i % 2 ? 1 : 2), quint16(i), 1);
        frames << f;
    }
    return frames;
}

int firstAddress(const TrafficModel &model)
{
    return decodeTraffic(model.frameAt(0)).address;
}

} // namespace

class TestTraffic : public QObject
{
    Q_OBJECT

private slots:
    void rebuiltFrames_data()
    {
        QTest::addColumn<QByteArray>("built");
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("read request") << TrafficAdu::readRequest(1, 0x0302, 1) << hex("010303020001258e");
        QTest::newRow("one register: 0x06") << TrafficAdu::writeRequest(1, 0x0001, {3}) << hex("0106000100 03980b");
        QTest::newRow("more: 0x10") << TrafficAdu::writeRequest(1, 0x0001, {0x000A, 0x0102})
                                    << hex("01100001000204000a01029230");
        QTest::newRow("read answer") << TrafficAdu::response(1, QModbusResponse(QModbusPdu::ReadHoldingRegisters, hex("020001")))
                                     << hex("0103020001 7984");
        QTest::newRow("exception keeps its bit")
            << TrafficAdu::response(1, QModbusExceptionResponse(QModbusPdu::ReadHoldingRegisters,
                                                                QModbusExceptionResponse::IllegalDataAddress))
            << hex("018302c0f1");
    }

    void rebuiltFrames()
    {
        QFETCH(QByteArray, built);
        QFETCH(QByteArray, wire);
        QCOMPARE(built.toHex(' '), wire.toHex(' '));
    }

    void decoder_data()
    {
        QTest::addColumn<TrafficFrame>("frame");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("error");
        QTest::newRow("read") << frame(TrafficFrame::Sent, "050302 00000ec432")
                              << "ID 5, CRC ok: read from 0x0200, count 14" << false;
        QTest::newRow("answer") << frame(TrafficFrame::Received, "05030400 07fffece42", 0x0200, 2)
                                << "ID 5, CRC ok: answer from 0x0200, count 2: 7 65534" << false;
        QTest::newRow("write one") << frame(TrafficFrame::Sent, "010600010003980b")
                                   << "ID 1, CRC ok: write 3 to 0x0001" << false;
        QTest::newRow("echo") << frame(TrafficFrame::Received, "010600010003980b")
                              << "ID 1, CRC ok: written: 3 to 0x0001" << false;
        QTest::newRow("write more") << frame(TrafficFrame::Sent, "01100001000204000a01029230")
                                    << "ID 1, CRC ok: write from 0x0001, count 2: 10 258" << false;
        QTest::newRow("written") << frame(TrafficFrame::Received, "0110000100021008")
                                 << "ID 1, CRC ok: written from 0x0001, count 2" << false;
        QTest::newRow("exception") << frame(TrafficFrame::Received, "018302c0f1", 0x0302, 1)
                                   << "ID 1, CRC ok: exception 0x02 to function 0x03: illegal data address" << true;
        QTest::newRow("bad CRC") << frame(TrafficFrame::Received, "0103020001 7985", 0x0302, 1)
                                 << "ID 1, CRC bad (expected 79 84): answer from 0x0302, count 1: 1" << true;
        QTest::newRow("wrong length") << frame(TrafficFrame::Received, "01030400017984")
                                      << "ID 1, CRC bad (expected 99 85): malformed frame of function 0x03" << true;
        QTest::newRow("time-out") << noAnswer(7, 0x0A00, 6, 150) << "ID 7: no answer after 150 ms" << true;
    }

    void decoder()
    {
        QFETCH(TrafficFrame, frame);
        QFETCH(QString, text);
        QFETCH(bool, error);
        QCOMPARE(TrafficText::decoded(frame), text);
        QCOMPARE(decodeTraffic(frame).isError(), error);
    }

    void filter_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("function");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("shown");
        QTest::newRow("all") << "" << int(TrafficFilter::AnyFunction) << "" << "01234";
        QTest::newRow("ID 2") << "2" << int(TrafficFilter::AnyFunction) << "" << "2";
        QTest::newRow("reads and their exceptions") << "" << 3 << "" << "0134";
        QTest::newRow("errors") << "" << int(TrafficFilter::ErrorsOnly) << "" << "34";
        QTest::newRow("inside a read block") << "" << int(TrafficFilter::AnyFunction) << "0x0204" << "01";
        QTest::newRow("an unanswered block") << "0x01" << 3 << "2565" << "4";
    }

    void filter()
    {
        QFETCH(QString, id);
        QFETCH(int, function);
        QFETCH(QString, address);
        QFETCH(QString, shown);
        const QVector<TrafficFrame> frames = {
            frame(TrafficFrame::Sent, "01030200000ec5b6"),
            frame(TrafficFrame::Received, "0103020001 7984", 0x0204, 1),
            frame(TrafficFrame::Sent, "0206010300c87993"),
            frame(TrafficFrame::Received, "018302c0f1", 0x0500, 12),
            noAnswer(1, 0x0A00, 6, 150),
        };
        TrafficFilter filter;
        QVERIFY(TrafficFilter::parseNumber(id, 255, &filter.server));
        QVERIFY(TrafficFilter::parseNumber(address, 0xFFFF, &filter.address));
        filter.function = function;
        QString seen;
        for (int i = 0; i < frames.size(); ++i) {
            if (filter.matches(frames.at(i)))
                seen += QString::number(i);
        }
        QCOMPARE(seen, shown);
    }

    void numbers()
    {
        int v = 0;
        QVERIFY(TrafficFilter::parseNumber(" 0x0A00 ", 0xFFFF, &v) && v == 0x0A00);
        QVERIFY(TrafficFilter::parseNumber("", 255, &v) && v == -1);
        for (const char *bad : {"0x", "-1", "256", "12a"})
            QVERIFY2(!TrafficFilter::parseNumber(bad, 255, &v), bad);
    }

    // The ring keeps the newest frames; the rows follow it in batches, filter or not.
    void ringBound()
    {
        TrafficRing ring(3);
        for (const TrafficFrame &f : numbered(0, 5))
            ring.append(f);
        QCOMPARE(ring.size(), 3);
        QCOMPARE(ring.firstSeq(), quint64(2));
        QCOMPARE(ring.dropped(), quint64(2));
        QCOMPARE(decodeTraffic(ring.at(2)).address, 2);
        QVERIFY(!ring.contains(1));
        ring.clear();
        QCOMPARE(ring.size(), 0);
        QCOMPARE(ring.dropped(), quint64(0));
        ring.append(numbered(9, 1).first());
        QCOMPARE(decodeTraffic(ring.at(ring.firstSeq())).address, 9);

        TrafficModel model(3);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.append(numbered(0, 2));
        model.append(numbered(2, 2));
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(firstAddress(model), 1);
        model.append(numbered(4, 7)); // more than the ring holds in one batch
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(firstAddress(model), 8);

        TrafficFilter odd;
        odd.server = 1;
        model.setFilter(odd);
        QCOMPARE(model.rowCount(), 1); // 9
        model.append(numbered(11, 2)); // 11 shown; 8 and 9 leave the ring
        QCOMPARE(model.rowCount(), 1);
        QCOMPARE(firstAddress(model), 11);
        model.clear();
        QCOMPARE(model.rowCount(), 0);
    }

    void files()
    {
        TrafficModel model;
        TrafficFrame f = frame(TrafficFrame::Sent, "050302 00000ec432");
        f.time = QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9, 12)).toMSecsSinceEpoch();
        f.port = "COM3 115200 8N1";
        model.append({f, noAnswer(5, 0x0200, 14, 150)});

        const QString csv = model.exportText(TrafficModel::Format::Csv);
        QCOMPARE(csv.section("\r\n", 0, 1),
                 "Time,Direction,Port,Bytes,Decoded\r\n"
                 "2024-05-06 07:08:09.012,Sent,COM3 115200 8N1,05 03 02 00 00 0E C4 32,"
                 "\"ID 5, CRC ok: read from 0x0200, count 14\"");
        QCOMPARE(model.exportText(TrafficModel::Format::Text, {1}, false),
                 TrafficText::time(0, true) + "\tNo answer\t\t\tID 5: no answer after 150 ms\n");

        QTemporaryDir dir;
        const QString path = dir.filePath("traffic.csv");
        QString error;
        QVERIFY(model.save(path, TrafficModel::Format::Csv, &error));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("\xEF\xBB\xBF") + csv.toUtf8());
        QVERIFY(!model.save(dir.filePath("no/such/folder/x.csv"), TrafficModel::Format::Csv, &error));
        QVERIFY(!error.isEmpty());
    }

    // The monitor records only while it is shown and not paused, and retranslates.
    void monitorWindow()
    {
        TrafficTap tap;
        TrafficMonitor monitor(&tap);
        QVERIFY(!tap.isListening());
        monitor.show();
        QVERIFY(tap.isListening());
        tap.add(frame(TrafficFrame::Sent, "010303020001258e"));
        QCOMPARE(monitor.model()->rowCount(), 0); // not before the clock ticks
        QTRY_COMPARE(monitor.model()->rowCount(), 1);

        monitor.setPaused(true);
        QVERIFY(!tap.isListening());
        tap.add(frame(TrafficFrame::Sent, "010303020001258e"));
        monitor.setPaused(false);
        monitor.refresh();
        QCOMPARE(monitor.model()->rowCount(), 1);
        monitor.hide();
        QVERIFY(!tap.isListening());

        QTranslator chinese;
        QVERIFY(chinese.load(qEnvironmentVariable("GRIVANT_RUN_DIR") + "/translations/zh_CN.qm"));
        QCoreApplication::installTranslator(&chinese);
        QTRY_COMPARE(monitor.findChild<QPushButton *>("pB_Pause")->text(), QString::fromUtf8("暂停"));
        QCOMPARE(monitor.model()->headerData(0, Qt::Horizontal).toString(), QString::fromUtf8("时间"));
        QCOMPARE(monitor.model()->data(monitor.model()->index(0, TrafficModel::DirectionColumn)).toString(),
                 QString::fromUtf8("发送"));
        QCoreApplication::removeTranslator(&chinese);
    }

    // What the link and the scanner report on a real exchange with the simulator, and
    // nothing while nobody listens.
    void linkAndScanner()
    {
        Simulator sim;
        QVERIFY(sim.start());
        ConnectionForm form(nullptr, "en_US");
        TrafficTap *tap = form.trafficTap();
        QSignalSpy replies(&form, &ConnectionForm::SendReceviedData);
        form.setLinkParameters(sim.port(), 115200, 0, 1, 1);
        form.ComPort_Connect();
        form.Read_Register(0x0302, 1);
        QVERIFY(replies.wait(2000));
        QVERIFY(tap->take().isEmpty());

        tap->setListening(true);
        form.Read_Register(0x0302, 1);
        QVERIFY(replies.wait(2000));
        form.Write_MutipRegister(0x0101, {0x000A, 0x0102});
        QVERIFY(replies.wait(2000));
        QVector<TrafficFrame> frames = tap->take();
        QCOMPARE(frames.size(), 4);
        const QString line = sim.port() + " 115200 8N1";
        QCOMPARE(frames[0].port, line);
        QCOMPARE(frames[0].bytes, hex("010303020001258e"));
        QCOMPARE(TrafficText::decoded(frames[1]), QString("ID 1, CRC ok: answer from 0x0302, count 1: 1"));
        QCOMPARE(frames[2].bytes, hex("01100101000204000a01029fa0"));
        QCOMPARE(TrafficText::decoded(frames[3]), QString("ID 1, CRC ok: written from 0x0101, count 2"));
        form.ComPort_Disconnect();

        // A refused write comes back as the device's exception frame; an unanswered read
        // is one "no answer" row after the master's wait.
        struct Fault {
            QStringList simulator;
            bool write;
            const char *decoded;
        };
        const Fault faults[] = {
            {{"--exception", "2"}, true, "ID 1, CRC ok: exception 0x02 to function 0x06: illegal data address"},
            {{"--drop", "1"}, false, "ID 1: no answer after 150 ms"}};
        for (const Fault &fault : faults) {
            Simulator faulty(fault.simulator);
            QVERIFY(faulty.start());
            form.setLinkParameters(faulty.port(), 115200, 0, 1, 1);
            form.ComPort_Connect();
            if (fault.write)
                form.Write_SingleRegister(0x01F0, 1);
            else
                form.Read_Register(0x0200, 14);
            frames.clear();
            QTRY_VERIFY_WITH_TIMEOUT((frames += tap->take(), frames.size() == 2), 2000);
            QCOMPARE(TrafficText::decoded(frames[1]), QString(fault.decoded));
            form.ComPort_Disconnect();
        }

        // The scanner's raw frames cross from its thread, with the line it tried.
        QThread thread;
        auto *scanner = new Connectionfunc;
        scanner->setTrafficTap(tap);
        scanner->moveToThread(&thread);
        QObject::connect(scanner, &Connectionfunc::sig_traffic, tap, &TrafficTap::add);
        QSignalSpy found(scanner, &Connectionfunc::sig_commu_para);
        thread.start();
        QMetaObject::invokeMethod(scanner, "slot_ScanGripper", Q_ARG(QStringList, {sim.port()}));
        QVERIFY(found.wait(10000));
        frames.clear();
        QTRY_VERIFY((frames += tap->take(), frames.size() == 4));
        QCOMPARE(frames[0].bytes, hex("ff03030200013050"));
        QCOMPARE(frames[0].port, line);
        QVERIFY(TrafficText::decoded(frames[3]).startsWith("ID 1, CRC ok: answer from 0x0a00, count 6: 9985 "));
        thread.quit();
        thread.wait();
        delete scanner;
    }
};

QTEST_MAIN(TestTraffic)
#include "tst_traffic.moc"
