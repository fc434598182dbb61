// The parameter file, the plan of writes and the window's transfer state machine, without
// a device: what a restore may write, in which order, and what it reports when it stops.
#include "data/parameterbackup.h"
#include "link/connectionform.h"
#include "panels/backuprestore.h"

#include <QtTest>

using namespace ParameterBackup;

Q_DECLARE_METATYPE(QVector<int>)

namespace {

RegisterMap smallMap()
{
    RegisterMap map;
    const auto add = [&map](int address, const char *name, const char *range, const char *format = "unsigned") {
        map.registerDescriptions.insert(address, name);
        map.registerValueRanges.insert(address, range);
        map.registerFormats.insert(address, format);
        map.groupRegisterCounts[address >> 8] = (address & 0xFF) + 1;
    };
    add(0x0300, "Save", "0,1");
    add(0x0301, "Initialization Direction", "0,1");
    add(0x0302, "Slave Address", "1~247");
    add(0x0303, "BaudRate", "0,1,2,3,4,5,6");
    add(0x0304, "StopBits", "0,1");
    add(0x0305, "ParityBits", "0,1,2");
    add(0x0306, "Max. current scale", "20~100");
    add(0x0400, "Test I/O parameters", "0,1,2,3,4");
    add(0x0401, "IO Pin Config", "0~255");
    add(0x0402, "0x0402", "-");
    add(0x0403, "Home Offset", "-32768~32767", "signed");
    // Ranges wider than their format, as the shipped maps have them.
    add(0x0404, "Wide signed", "-32768~32768", "signed");
    add(0x0405, "Wide unsigned", "-32768~32767");
    add(0x0101, "Force", "0~100");
    return map;
}

Document documentWith(const QVector<Entry> &entries)
{
    Document doc;
    doc.modelCode = 0x2701;
    doc.modelName = "GZB-50W";
    doc.registers = entries;
    return doc;
}

// A read reply as the link reports it.
QByteArray reply(int start, const QVector<quint16> &values)
{
    return LinkText::readReplyBytes(start, values.size(), values);
}

} // namespace

class TestParameterBackup : public QObject
{
    Q_OBJECT

private slots:
    void documentRoundTrip();
    void badFiles_data();
    void badFiles();
    void planWritesStoredValuesInOrder();
    void compareAndRanges();
    void transferWritesOneAtATime();
    void transferReportsWhereItStopped();
};

void TestParameterBackup::documentRoundTrip()
{
    const QByteArray block = QByteArray::fromHex("2702 0102 021e 1234 abcd 0003");
    Document doc = newDocument(block, "GZB-50W", QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5), Qt::UTC));
    addGroup(&doc, smallMap(), 0x04, {0, 7, 0, 0xFFFE});
    addGroup(&doc, smallMap(), 0x03, {0, 1});
    QCOMPARE(doc.modelCodeText(), QString("0x2702"));
    QCOMPARE(doc.uniqueId, QString("ABCD1234"));
    QCOMPARE(doc.hardwareVersion, QString("1.2.3"));

    const QByteArray json = toJson(doc);
    QVERIFY(json.contains("\"format\": \"grivant-parameters\""));
    QVERIFY(json.contains("\"address\": \"0x0403\""));
    Document back;
    QString error;
    QVERIFY2(fromJson(json, &back, &error), qPrintable(error));
    QCOMPARE(back.modelCode, quint16(0x2702));
    QCOMPARE(back.time, doc.time);
    QCOMPARE(back.groups, QVector<int>({0x03, 0x04}));
    QCOMPARE(back.registers.size(), 6);
    QCOMPARE(back.registers.first().address, 0x0300);
    // A signed register keeps its sign through the file.
    QCOMPARE(back.registers.last().value, -2);
    QCOMPARE(back.registers.last().name, QString("Home Offset"));
}

void TestParameterBackup::badFiles_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("reason");

    const QByteArray good = R"({"format":"grivant-parameters","formatVersion":1,"model":{"code":"0x2701"},
        "registers":[{"address":"0x0301","value":1}]})";
    QTest::newRow("empty") << QByteArray("  \n") << "empty";
    QTest::newRow("truncated") << good.left(good.size() - 3) << "not a complete parameter file";
    QTest::newRow("not an object") << QByteArray("[1,2]") << "not a parameter file";
    QTest::newRow("other format") << QByteArray(good).replace("grivant-parameters", "other") << "not a parameter file";
    QTest::newRow("version 2") << QByteArray(good).replace("\"formatVersion\":1", "\"formatVersion\":2")
                               << "format version 2 is not supported";
    QTest::newRow("no version") << QByteArray(good).replace("\"formatVersion\":1,", "") << "format version";
    QTest::newRow("no model") << QByteArray(good).replace("\"0x2701\"", "\"x\"") << "model code";
    QTest::newRow("no registers") << QByteArray(good).replace(R"({"address":"0x0301","value":1})", "")
                                  << "no registers";
    QTest::newRow("bad address") << QByteArray(good).replace("0x0301", "0x10000") << "no valid address";
    QTest::newRow("value too big") << QByteArray(good).replace("\"value\":1", "\"value\":65536") << "16-bit";
    QTest::newRow("value fraction") << QByteArray(good).replace("\"value\":1", "\"value\":1.5") << "16-bit";
    QTest::newRow("value text") << QByteArray(good).replace("\"value\":1", "\"value\":\"1\"") << "16-bit";
    // Numbers an int cannot hold: refused before any conversion.
    QTest::newRow("value 1e308") << QByteArray(good).replace("\"value\":1", "\"value\":1e308") << "16-bit";
    QTest::newRow("value -1e308") << QByteArray(good).replace("\"value\":1", "\"value\":-1e308") << "16-bit";
    QTest::newRow("address 1e308") << QByteArray(good).replace("\"0x0301\"", "1e308") << "no valid address";
    QTest::newRow("model code 1e308") << QByteArray(good).replace("\"0x2701\"", "1e308") << "model code";
    // A repeated key would let the last one win without a word.
    QTest::newRow("registers twice")
        << QByteArray(good).replace("\"registers\"", R"("registers":[{"address":"0x0306","value":50}],"registers")")
        << "\"registers\" appears twice";
    QTest::newRow("value twice in a register") << QByteArray(good).replace("\"value\":1", "\"value\":1,\"value\":0")
                                               << "\"value\" appears twice";
    QTest::newRow("same key, escaped") << QByteArray(good).replace("\"model\"", R"("mod\u0065l":{},"model")")
                                       << "\"model\" appears twice";
    // What the file names is quoted as it stands, never read as a placeholder.
    QTest::newRow("placeholder key twice") << QByteArray(good).replace("\"model\"", R"("%2":0,"%2":1,"model")")
                                           << "the key \"%2\" appears twice in one object (byte ";
    QTest::newRow("placeholder version") << QByteArray(good).replace("\"formatVersion\":1", "\"formatVersion\":\"%2\"")
                                         << "format version %2 is not supported (this tool reads version 1)";
    QTest::newRow("listed twice")
        << QByteArray(good).replace(R"({"address":"0x0301","value":1})",
                                    R"({"address":"0x0301","value":1},{"address":769,"value":0})")
        << "listed twice";
}

void TestParameterBackup::badFiles()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, reason);
    Document doc;
    doc.modelName = "untouched";
    QString error;
    QVERIFY(!fromJson(json, &doc, &error));
    QVERIFY2(error.contains(reason), qPrintable(error));
    QCOMPARE(doc.modelName, QString("untouched"));
}

void TestParameterBackup::planWritesStoredValuesInOrder()
{
    const RegisterMap map = smallMap();
    const QVector<Entry> entries = {
        {0x0403, "", -5}, {0x0300, "", 0}, {0x0301, "", 1}, {0x0302, "", 9}, {0x0303, "", 4},
        {0x0306, "", 50}, {0x0400, "", 3}, {0x0401, "", 7}, {0x0402, "", 1}, {0x0101, "", 50},
        {0x0307, "", 1}};
    Document doc = documentWith(entries);
    std::sort(doc.registers.begin(), doc.registers.end(),
              [](const Entry &a, const Entry &b) { return a.address < b.address; });

    const Plan plan = makePlan(doc, map, false);
    QVERIFY(plan.errors.isEmpty());
    QVector<int> addresses;
    for (const Entry &e : plan.entries)
        addresses << e.address;
    // Not the save command, the I/O test trigger, a read-only register, the line settings,
    // another group or a register the device does not have.
    QCOMPARE(addresses, QVector<int>({0x0301, 0x0306, 0x0401, 0x0403}));
    // Runs break where a register is left out; a signed value goes as its 16 bits.
    QCOMPARE(plan.writes.size(), 4);
    QCOMPARE(plan.writes.at(3).address, quint16(0x0403));
    QCOMPARE(plan.writes.at(3).values, QVector<quint16>({0xFFFB}));
    QCOMPARE(plan.skipped.size(), 7);

    const Plan withLine = makePlan(doc, map, true);
    QCOMPARE(withLine.writes.first().address, quint16(0x0301));
    QCOMPARE(withLine.writes.first().values, QVector<quint16>({1, 9, 4}));

    // One value the map refuses stops the whole plan.
    doc.registers[2].value = 2; // 0x0301 takes 0 or 1
    const Plan refused = makePlan(doc, map, false);
    QCOMPARE(refused.errors, QStringList({"0x0301 Initialization Direction: 2 is outside 0,1"}));
}

void TestParameterBackup::compareAndRanges()
{
    const RegisterMap map = smallMap();
    QCOMPARE(checkWrite(map, 0x0101, 100), QString());
    QCOMPARE(checkWrite(map, 0x0101, 101), QString("0x0101 Force: 101 is outside 0~100"));
    QCOMPARE(checkWrite(map, 0x0402, 0), QString("0x0402 is read-only"));
    QCOMPARE(checkWrite(map, 0x0999, 0), QString("0x0999 is not in the register map of this device"));
    RegisterMap named = map;
    named.registerDescriptions[0x0101] = "Force %2";
    QCOMPARE(checkWrite(named, 0x0101, 101), QString("0x0101 Force %2: 101 is outside 0~100"));

    // A range wider than the register's format is cut to the format: 32768 would come back
    // as -32768, -1 as 65535.
    QCOMPARE(checkWrite(map, 0x0404, 32767), QString());
    QCOMPARE(checkWrite(map, 0x0404, 32768),
             QString("0x0404 Wide signed: 32768 is outside -32768~32767 (a signed 16-bit register)"));
    QCOMPARE(checkWrite(map, 0x0405, -1),
             QString("0x0405 Wide unsigned: -1 is outside 0~32767 (an unsigned 16-bit register)"));

    // Values compare as the format reads them, not as 16-bit patterns.
    const QVector<Difference> d = compare({{0x0301, "a", 1}, {0x0403, "b", -1}, {0x0306, "c", 50}, {0x0404, "d", 32768}},
                                          {{0x0301, 0}, {0x0403, -1}, {0x0404, -32768}});
    QCOMPARE(d.size(), 3);
    QCOMPARE(d.at(0).actual, 0);
    QVERIFY(d.at(0).read);
    QVERIFY(!d.at(1).read); // 0x0306 was not read back
    QCOMPARE(d.at(2).actual, -32768);
    QCOMPARE(addressRanges({0x0405, 0x0301, 0x0302, 0x0303, 0x0401}), QString("0x0301-0x0303, 0x0401, 0x0405"));
    QVERIFY(sameFamily(0x2701, 0x2703));
    QVERIFY(!sameFamily(0x2701, 0x2801));
}

void TestParameterBackup::transferWritesOneAtATime()
{
    QVector<QPair<int, QVector<quint16>>> sent;
    ParameterTransfer transfer([&sent](int a, const QVector<quint16> &v) { sent.append({a, v}); });
    ParameterTransfer::Groups got;
    connect(&transfer, &ParameterTransfer::collected, this, [&got](const ParameterTransfer::Groups &g) { got = g; });

    transfer.takeReply(reply(0x0A00, {0x2701, 0x0102, 0x021E, 0x1234, 0xABCD, 3}));
    QCOMPARE(transfer.infoBlock(), QByteArray::fromHex("2701 0102 021e 1234 abcd 0003"));

    transfer.collect({{0x03, 2}, {0x04, 1}});
    transfer.takeReply(reply(0x0300, {0, 1, 2}));   // a count the map does not give
    transfer.takeReply(reply(0x0301, {1, 2}));      // not the start of the group
    transfer.takeReply(reply(0x0300, {0, 1}));
    QVERIFY(got.isEmpty());
    transfer.takeReply(QByteArrayLiteral("ok"));
    transfer.takeReply(reply(0x0400, {5}));
    QCOMPARE(got.value(0x04), QVector<quint16>({5}));
    QVERIFY(!transfer.isBusy());

    QVector<int> progress;
    ParameterTransfer::Groups readBack;
    QVector<int> written;
    connect(&transfer, &ParameterTransfer::writeProgress, this, [&progress](int done, int) { progress << done; });
    connect(&transfer, &ParameterTransfer::restored, this,
            [&](const ParameterTransfer::Groups &g, const QVector<int> &w) { readBack = g; written = w; });
    transfer.restore({{0x0301, {1}}, {0x0401, {7, 8}}}, {{0x03, 2}});
    QCOMPARE(sent.size(), 1);
    transfer.takeReply(reply(0x0300, {0, 0}));          // an old poll: not the read-back
    transfer.takeWriteResult(0x0406, {60}, true);        // a panel's write
    QCOMPARE(sent.size(), 1);
    transfer.takeWriteResult(0x0301, {1}, true);
    QCOMPARE(sent.size(), 2);
    QCOMPARE(sent.last().first, 0x0401);
    transfer.takeWriteResult(0x0401, {7, 8}, true);
    QCOMPARE(sent.last(), qMakePair(0x0300, QVector<quint16>({1})));
    QVERIFY(readBack.isEmpty());
    transfer.takeWriteResult(0x0300, {1}, true);
    transfer.takeReply(reply(0x0300, {0, 1}));
    QCOMPARE(readBack.value(0x03), QVector<quint16>({0, 1}));
    QCOMPARE(written, QVector<int>({0x0301, 0x0401, 0x0402}));
    QCOMPARE(progress, QVector<int>({0, 1, 2, 3}));
}

void TestParameterBackup::transferReportsWhereItStopped()
{
    QVector<int> sent;
    ParameterTransfer transfer([&sent](int a, const QVector<quint16> &) { sent << a; });
    QString reason;
    QVector<int> written;
    QVector<int> notWritten;
    bool saved = true;
    connect(&transfer, &ParameterTransfer::failed, this,
            [&](const QString &r, const QVector<int> &w, const QVector<int> &n, bool s) {
                reason = r;
                written = w;
                notWritten = n;
                saved = s;
            });

    // A write the engine gives up on.
    transfer.restore({{0x0301, {1}}, {0x0305, {0, 0}}, {0x0401, {7}}}, {{0x03, 7}});
    transfer.takeWriteResult(0x0301, {1}, true);
    transfer.takeWriteResult(0x0305, {0, 0}, false);
    QVERIFY(reason.contains("0x0305"));
    QCOMPARE(written, QVector<int>({0x0301}));
    QCOMPARE(notWritten, QVector<int>({0x0305, 0x0306, 0x0401}));
    QVERIFY(!saved);
    QVERIFY(!transfer.isBusy());
    QCOMPARE(sent, QVector<int>({0x0301, 0x0305}));

    // The connection closes while the read-back is awaited: written and saved.
    transfer.restore({{0x0301, {1}}}, {{0x03, 7}});
    transfer.takeWriteResult(0x0301, {1}, true);
    transfer.takeWriteResult(0x0300, {1}, true);
    transfer.takeConnectionState(3);
    QVERIFY(reason.contains("closed"));
    QVERIFY(notWritten.isEmpty());
    QVERIFY(saved);

    // Cancelled while a write is on its way: that write still counts, no later one goes.
    sent.clear();
    transfer.restore({{0x0301, {1}}, {0x0401, {7}}}, {{0x03, 7}});
    transfer.cancel();
    QVERIFY(transfer.isBusy());
    transfer.takeWriteResult(0x0301, {1}, true);
    QVERIFY(reason.contains("cancelled"));
    QCOMPARE(written, QVector<int>({0x0301}));
    QCOMPARE(notWritten, QVector<int>({0x0401}));
    QCOMPARE(sent, QVector<int>({0x0301}));

    // Silence: the step timer ends a collection.
    transfer.setStepTimeout(10);
    reason.clear();
    transfer.collect({{0x03, 7}});
    QTRY_VERIFY(!reason.isEmpty());
    QVERIFY(reason.contains("stopped answering"));
}

QTEST_MAIN(TestParameterBackup)
#include "tst_parameterbackup.moc"
