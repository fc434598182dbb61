// Session files: what the writer stores comes back from the reader, a file or its log cut
// at any byte opens up to its last complete commit, foreign and newer files are refused,
// reading changes nothing, and the state at a moment is the newest answer before it.
#include "engine/sessionindex.h"
#include "engine/sessionwriter.h"
#include "link/modbusclient.h"
#include "support/simulator.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString Line = QStringLiteral("/dev/ttyUSB0 115200 8N1");

TrafficFrame frameAt(qint64 epochUs, TrafficFrame::Direction direction, quint16 start, quint16 count,
                     const QByteArray &bytes)
{
    TrafficFrame f;
    f.timeUs = epochUs;
    f.time = epochUs / 1000;
    f.direction = direction;
    f.server = 1;
    f.function = 3;
    f.address = start;
    f.count = count;
    f.port = Line;
    f.bytes = bytes;
    if (direction == TrafficFrame::NoAnswer)
        f.waitedMs = 150;
    return f;
}

QByteArray readAnswer(const QVector<quint16> &values)
{
    QByteArray data;
    data.append(char(2 * values.size()));
    for (quint16 v : values) {
        data.append(char(v >> 8));
        data.append(char(v & 0xFF));
    }
    return TrafficAdu::frame(1, 3, data);
}

// A read of `values.size()` registers from `start` and its answer, 3 ms apart.
void addRead(SessionWriter &writer, qint64 epochUs, quint16 start, const QVector<quint16> &values)
{
    const quint16 n = quint16(values.size());
    writer.addFrame(frameAt(epochUs, TrafficFrame::Sent, start, n, TrafficAdu::readRequest(1, start, n)));
    writer.addFrame(frameAt(epochUs + 3000, TrafficFrame::Received, start, n, readAnswer(values)));
}

SessionHeader header(qint64 start)
{
    SessionHeader h;
    h.program = QStringLiteral("test");
    h.hostOs = QStringLiteral("Debian");
    h.startEpochUs = start;
    h.port = QStringLiteral("/dev/ttyUSB0");
    h.ident = QByteArray::fromHex("270101020217000100003412");
    h.modelName = QStringLiteral("GZB-50W");
    h.language = QStringLiteral("en_US");
    h.mapName = QStringLiteral("gripper");
    return h;
}

RegisterMap smallMap()
{
    RegisterMap map;
    map.groupNames.insert(2, QStringLiteral("Feedback"));
    map.groupRegisterCounts.insert(2, 3);
    map.groupScanRates.insert(2, 50);
    for (int a = 0x0200; a < 0x0203; ++a) {
        map.registerDescriptions.insert(a, QStringLiteral("R%1").arg(a));
        map.registerValueRanges.insert(a, QStringLiteral("-"));
        map.registerFormats.insert(a, a == 0x0202 ? QStringLiteral("signed") : QStringLiteral("unsigned"));
    }
    return map;
}

QByteArray digest(const QString &path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256);
}

void cutCopy(const QString &from, const QString &to, qint64 size)
{
    QFile::remove(to);
    QVERIFY(QFile::copy(from, to));
    QFile f(to);
    QVERIFY(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner));
    QVERIFY(f.resize(size));
}

void setPragma(const QString &path, const QString &statement)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("edit"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QVERIFY(QSqlQuery(db).exec(statement));
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("edit"));
}

struct Run
{
    int code = -1;
    QByteArray out;
    QByteArray err;
};

Run grivantctl(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral(GRIVANTCTL), args);
    Run run;
    if (!p.waitForFinished(60000))
        return run;
    run.code = p.exitCode();
    run.out = p.readAllStandardOutput();
    run.err = p.readAllStandardError();
    return run;
}

} // namespace

class TestSession : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    void storesWhatItIsGiven()
    {
        const QString path = m_dir.filePath(QStringLiteral("one.grivant-session"));
        // Started now: a finished file's length runs to the moment it was finished.
        const qint64 start = SessionWriter::nowEpochUs();
        const RegisterMap map = smallMap();
        SessionWriter writer;
        QString error;
        QVERIFY2(writer.start(path, header(start), &map, &error), qPrintable(error));
        addRead(writer, start + 10000, 0x0200, {1, 2, 0xFFFE});
        TrafficFrame lost = frameAt(start + 20000, TrafficFrame::Sent, 0x0100, 1, TrafficAdu::writeRequest(1, 0x0100, {7}));
        lost.function = 6;
        lost.port = QStringLiteral("/dev/ttyUSB1 9600 8E1");
        writer.addFrame(lost);
        lost = frameAt(start + 170000, TrafficFrame::NoAnswer, 0x0100, 1, QByteArray());
        lost.function = 6;
        lost.port = QStringLiteral("/dev/ttyUSB1 9600 8E1");
        writer.addFrame(lost);
        // The answer to a request sent before the recording began has no place in it.
        writer.addFrame(frameAt(start + 5000, TrafficFrame::Received, 0x0300, 1, readAnswer({9})));
        SessionEvent e;
        e.tUs = 15000;
        e.kind = SessionFormat::WriteQueued;
        e.address = 0x0100;
        e.data = SessionFormat::valuesText({7});
        writer.addEvent(e);
        QVERIFY(writer.finish(&error));
        QVERIFY2(!QFile::exists(path + "-wal"), "a finished session is one file");

        const QByteArray before = digest(path);
        const QStringList files = QDir(m_dir.path()).entryList(QDir::Files);
        SessionData data;
        QVERIFY2(readSession(path, &data, &error), qPrintable(error));
        QCOMPARE(digest(path), before);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), files);

        QCOMPARE(data.header.ident, header(start).ident);
        QCOMPARE(data.header.startEpochUs, start);
        QCOMPARE(data.header.mapHash, SessionFormat::mapHash(map));
        QVERIFY(data.hasMap);
        QCOMPARE(SessionFormat::mapHash(data.map), SessionFormat::mapHash(map));
        QCOMPARE(data.frames.size(), 4);
        QCOMPARE(data.tUs(data.frames.at(1)), qint64(13000));
        QCOMPARE(data.frames.at(1).bytes, readAnswer({1, 2, 0xFFFE}));
        // The line is stored only when it changes, and read back for every frame.
        QCOMPARE(data.frames.at(1).port, Line);
        QCOMPARE(data.frames.at(3).port, QStringLiteral("/dev/ttyUSB1 9600 8E1"));
        QCOMPARE(data.frames.at(3).direction, TrafficFrame::NoAnswer);
        QCOMPARE(data.frames.at(3).waitedMs, 150);
        QCOMPARE(data.events.size(), 1);
        QCOMPARE(data.events.at(0).address, 0x0100);
        QVERIFY2(data.remarks.isEmpty(), qPrintable(data.remarks.join('|')));
        QVERIFY(data.durationUs >= 170000);
    }

    // A recording stopped by a crash leaves the file and its log; the log is cut at every
    // kind of offset (inside a frame header, inside a page, at a commit's end).
    void cutLogOpensUpToItsLastCommit()
    {
        const QString path = m_dir.filePath(QStringLiteral("crash.grivant-session"));
        const qint64 start = SessionWriter::nowEpochUs();
        SessionWriter writer;
        QString error;
        QVERIFY2(writer.start(path, header(start), nullptr, &error), qPrintable(error));
        // The file takes its name with its first second, folded into one file; from then
        // on every commit goes to the log.
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(path), 5000);
        QVector<qint64> logEnds{QFileInfo(path + "-wal").size()};
        QVector<int> committed{0};
        for (int commit = 0; commit < 4; ++commit) {
            for (int i = 0; i < 60; ++i)
                addRead(writer, start + commit * 1000000 + i * 10000, 0x0200, {quint16(commit), quint16(i), 3});
            QTRY_COMPARE_WITH_TIMEOUT(writer.framesWritten(), qint64(120 * (commit + 1)), 5000);
            logEnds << QFileInfo(path + "-wal").size();
            committed << 120 * (commit + 1);
        }
        const QString crashed = m_dir.filePath(QStringLiteral("copy"));
        QVERIFY(QFile::copy(path, crashed));
        QVERIFY(QFile::copy(path + "-wal", crashed + "-wal"));
        QVERIFY(writer.finish());

        QVector<qint64> offsets{logEnds.last(), logEnds.at(2), logEnds.at(2) - 1, 32, 0};
        for (int i = 0; i < 12; ++i)
            offsets << qint64(QRandomGenerator::global()->bounded(int(logEnds.last())));
        for (const qint64 cut : offsets) {
            const QString target = m_dir.filePath(QStringLiteral("cut.grivant-session"));
            QFile::copy(crashed, target + ".tmp");
            QFile::remove(target);
            QFile::rename(target + ".tmp", target);
            cutCopy(crashed + "-wal", target + "-wal", cut);
            const QByteArray logBefore = digest(target + "-wal");
            SessionData data;
            QVERIFY2(readSession(target, &data, &error), qPrintable(QStringLiteral("cut %1: %2").arg(cut).arg(error)));
            int expected = 0;
            for (int k = 0; k < logEnds.size(); ++k)
                if (logEnds.at(k) <= cut)
                    expected = committed.at(k);
            QVERIFY2(data.frames.size() == expected, qPrintable(QStringLiteral("cut %1: %2 frames").arg(cut).arg(data.frames.size())));
            QVERIFY(!data.remarks.isEmpty());
            QCOMPARE(digest(target + "-wal"), logBefore);
            QFile::remove(target + "-wal");
        }
    }

    // A finished file cut at random bytes: a clear refusal, or the frames up to a second
    // that was complete before the cut; never a crash, never frames that were not there.
    void cutFileGivesAPrefixOrARefusal()
    {
        const QString path = m_dir.filePath(QStringLiteral("long.grivant-session"));
        const qint64 start = 1700000000000000;
        SessionWriter writer;
        QVERIFY(writer.start(path, header(start), nullptr, nullptr));
        for (int i = 0; i < 3000; ++i)
            addRead(writer, start + i * 20000, 0x0200, {quint16(i), 1, 2});
        QVERIFY(writer.finish());
        SessionData whole;
        QString error;
        QVERIFY(readSession(path, &whole, &error));
        const qint64 size = QFileInfo(path).size();
        for (int i = 0; i < 10; ++i) {
            const qint64 cut = qint64(QRandomGenerator::global()->bounded(int(size)));
            const QString target = m_dir.filePath(QStringLiteral("cut%1").arg(i));
            cutCopy(path, target, cut);
            SessionData data;
            if (!readSession(target, &data, &error)) {
                QVERIFY(!error.isEmpty());
                continue;
            }
            QVERIFY(!data.remarks.isEmpty());
            QVERIFY(data.frames.size() <= whole.frames.size());
            for (int f = 0; f < data.frames.size(); ++f)
                QCOMPARE(data.frames.at(f).bytes, whole.frames.at(f).bytes);
            if (!data.frames.isEmpty())
                QVERIFY(data.tUs(data.frames.constLast()) < data.durationUs);
        }
    }

    void refusesWhatItCannotReplay_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("text file") << "text" << "is not a Grivant session: it is not an SQLite database";
        QTest::newRow("foreign database") << "foreign" << "is not a Grivant session: it is an SQLite database of another kind";
        QTest::newRow("newer format") << "newer" << "was recorded by a newer Grivant (session format 2)";
        QTest::newRow("answer without request") << "orphan" << "answers no request";
        QTest::newRow("time running back") << "backwards" << "is older than the frame before it";
        QTest::newRow("missing") << "missing" << "no such file";
    }

    void refusesWhatItCannotReplay()
    {
        QFETCH(QString, kind);
        QFETCH(QString, message);
        const QString path = m_dir.filePath(kind + ".grivant-session");
        const qint64 start = 1700000000000000;
        if (kind == "text") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray(200, 'x'));
        } else if (kind == "foreign") {
            setPragma(path, "CREATE TABLE t (a)");
        } else if (kind != "missing") {
            SessionWriter writer;
            QVERIFY(writer.start(path, header(start), nullptr, nullptr));
            addRead(writer, start + 1000, 0x0200, {1});
            QVERIFY(writer.finish());
            if (kind == "newer")
                setPragma(path, "PRAGMA user_version = 2");
            else if (kind == "orphan")
                setPragma(path, "DELETE FROM frames WHERE direction = 0");
            else if (kind == "backwards")
                setPragma(path, "UPDATE frames SET t_us = 0 WHERE direction = 1");
        }
        const QByteArray before = QFile::exists(path) ? digest(path) : QByteArray();
        SessionData data;
        QString error;
        QVERIFY(!readSession(path, &data, &error));
        QVERIFY2(error.contains(message), qPrintable(error));
        if (kind != "missing")
            QCOMPARE(digest(path), before);
    }

    // The state at a moment is the newest answer before it, found from a keyframe.
    void stateAtAMoment()
    {
        SessionData data;
        data.header.startEpochUs = 1000000000;
        data.durationUs = 20000000;
        auto add = [&](qint64 t, quint16 start, QVector<quint16> values) {
            const quint16 n = quint16(values.size());
            data.frames << frameAt(data.header.startEpochUs + t, TrafficFrame::Sent, start, n, TrafficAdu::readRequest(1, start, n))
                        << frameAt(data.header.startEpochUs + t + 1, TrafficFrame::Received, start, n, readAnswer(values));
        };
        add(1000000, 0x0200, {1, 10, 100});
        add(6000000, 0x0200, {1, 20, 200});
        add(7000000, 0x0100, {5});
        add(12000000, 0x0200, {0, 30, 300});
        TrafficFrame write = frameAt(data.header.startEpochUs + 13000000, TrafficFrame::Sent, 0x0100, 1, TrafficAdu::writeRequest(1, 0x0100, {9}));
        write.function = 6;
        data.frames << write;
        TrafficFrame lost = frameAt(data.header.startEpochUs + 13150000, TrafficFrame::NoAnswer, 0x0100, 1, QByteArray());
        lost.function = 6;
        data.frames << lost;
        QVERIFY(sessionContradiction(data).isEmpty());
        SessionIndex index(&data);

        const struct { qint64 t; int address; bool known; quint16 value; } cases[] = {
            {500000, 0x0201, false, 0},   {1000001, 0x0201, true, 10}, {5999999, 0x0202, true, 100},
            {6000001, 0x0202, true, 200}, {11000000, 0x0100, true, 5}, {19000000, 0x0201, true, 30},
        };
        for (const auto &c : cases) {
            quint16 value = 0;
            QCOMPARE(index.valueAt(c.address, c.t, &value), c.known);
            if (c.known)
                QCOMPARE(value, c.value);
        }
        QCOMPARE(index.latestAt(11000000).keys(), (QList<quint16>{0x0100, 0x0200}));
        QCOMPARE(index.next(SessionIndex::Mark::Write, 0), qint64(13000000));
        QCOMPARE(index.next(SessionIndex::Mark::Error, 0), qint64(13150000));
        QCOMPARE(index.next(SessionIndex::Mark::Error, 13150000), qint64(-1));
        QCOMPARE(index.replyBytes(index.replies().at(0)), QByteArray::fromHex("020003000100 0a0064"));
    }

    // "Next write" stops once per write: at its queued moment where the recording kept
    // one, else where it went out; a second try of an unanswered write is the same write.
    void oneMarkPerWrite()
    {
        for (const bool queued : {false, true}) {
            SessionData data;
            data.header.startEpochUs = 1000000000;
            data.durationUs = 10000000;
            const QByteArray write = TrafficAdu::writeRequest(1, 0x0103, {300});
            const auto add = [&](qint64 t, TrafficFrame::Direction direction, const QByteArray &bytes) {
                TrafficFrame f = frameAt(data.header.startEpochUs + t, direction, 0x0103, 1, bytes);
                f.function = 6;
                data.frames << f;
            };
            add(1000000, TrafficFrame::Sent, write);
            add(1150000, TrafficFrame::NoAnswer, QByteArray());
            add(1200000, TrafficFrame::Sent, write); // the second try
            add(1203000, TrafficFrame::Received, write);
            add(2000000, TrafficFrame::Sent, write); // the same value again, a write of its own
            add(2003000, TrafficFrame::Received, write);
            if (queued)
                for (const qint64 t : {999000, 1999000})
                    data.events << SessionEvent{t, SessionFormat::WriteQueued, 0x0103, "300", -1, {}};
            SessionIndex index(&data);
            QVector<qint64> marks;
            for (qint64 t = index.next(SessionIndex::Mark::Write, 0); t >= 0; t = index.next(SessionIndex::Mark::Write, t))
                marks << t;
            QCOMPARE(marks, queued ? QVector<qint64>({999000, 1999000}) : QVector<qint64>({1000000, 2000000}));
        }
    }

    void replayClock()
    {
        ReplayClock clock;
        clock.setDuration(10000000);
        QCOMPARE(clock.position(5), qint64(0));
        clock.play(1000000);
        QCOMPARE(clock.position(2000000), qint64(1000000));
        clock.setSpeed(16, 2000000);
        QCOMPARE(clock.position(2250000), qint64(5000000));
        QCOMPARE(clock.position(9000000), qint64(10000000)); // holds at the end
        clock.pause(2250000);
        QCOMPARE(clock.position(9000000), qint64(5000000));
        clock.seek(9500000, 9000000);
        clock.setSpeed(99, 9000000);
        QCOMPARE(clock.speed(), 16);
        clock.seek(10000000, 9000000);
        clock.play(9000000); // from the end: again from the start
        QCOMPARE(clock.position(9000000), qint64(0));
    }

    // A command line that does not make sense is refused before any port is opened.
    void commandLineRefusals_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("message");
        QTest::newRow("no seconds") << QStringList{"record", "--port", "/dev/null", "x.grivant-session"} << "record needs --seconds N";
        QTest::newRow("no port") << QStringList{"record", "--seconds", "5", "x.grivant-session"} << "name the device's port with --port";
        QTest::newRow("zero seconds") << QStringList{"record", "--port", "p", "--seconds", "0", "f"} << "--seconds needs a whole number";
        QTest::newRow("export without csv") << QStringList{"session", "export", "f"} << "session export needs --csv OUT";
        QTest::newRow("unknown") << QStringList{"session", "replay", "f"} << "session needs info or export";
        QTest::newRow("port for info") << QStringList{"session", "info", "f", "--port", "p"} << "--port, --seconds and --force go with record";
    }

    void commandLineRefusals()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, message);
        const Run run = grivantctl(args);
        QCOMPARE(run.code, 2);
        QVERIFY2(run.err.contains(message.toUtf8()), run.err.constData());
    }

    // A device recorded headless, then told about and exported for a spreadsheet.
    void recordedByTheCommandLine()
    {
        const QString port = m_dir.filePath(QStringLiteral("sim"));
        Simulator sim({"--link", port, "--initialised", "--uid", "1A2B3C4D"});
        QVERIFY(sim.start());
        const QString file = m_dir.filePath(QStringLiteral("headless.grivant-session"));
        Run run = grivantctl({"record", "--port", port, "--seconds", "2", file});
        QVERIFY2(run.code == 0, run.err.constData());
        sim.stop();

        run = grivantctl({"session", "info", file, "--json"});
        QCOMPARE(run.code, 0);
        const QJsonObject info = QJsonDocument::fromJson(run.out).object();
        QCOMPARE(info.value("device").toObject().value("uniqueId").toString(), QStringLiteral("1A2B3C4D"));
        QCOMPARE(info.value("device").toObject().value("model").toString(), QStringLiteral("GZB-50W"));
        const QJsonObject frames = info.value("frames").toObject();
        QVERIFY(frames.value("requests").toInt() > 20);
        QCOMPARE(frames.value("answers").toInt(), frames.value("requests").toInt());
        QCOMPARE(frames.value("failures").toInt(), 0);
        QVERIFY(info.value("endedCleanly").toBool());

        // Every group of the map was read at least once (the first full pass), the
        // feedback group the most often.
        SessionData data;
        QString error;
        QVERIFY(readSession(file, &data, &error));
        SessionIndex index(&data);
        QMap<int, int> reads;
        for (const SessionIndex::Reply &r : index.replies())
            ++reads[r.start];
        for (auto g = data.map.groupRegisterCounts.cbegin(); g != data.map.groupRegisterCounts.cend(); ++g)
            QVERIFY2(reads.value(g.key() * 256) > 0, qPrintable(QString::number(g.key())));
        QCOMPARE(std::max_element(reads.cbegin(), reads.cend()).key(), 0x0200);

        const QString csv = m_dir.filePath(QStringLiteral("out.csv"));
        run = grivantctl({"session", "export", file, "--csv", csv});
        QCOMPARE(run.code, 0);
        QFile f(csv);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(f.readAll()).split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), index.replies().size() + 1);
        QVERIFY(lines.first().split(',').contains("0x0202 Position"));
        quint16 uid2 = 0;
        QVERIFY(index.valueAt(0x0A04, data.durationUs, &uid2));
        QCOMPARE(uid2, quint16(0x1A2B));

        run = grivantctl({"session", "info", m_dir.filePath("nothing-here.grivant-session")});
        QCOMPARE(run.code, 2);
        QVERIFY(run.err.contains("no such file"));
    }

    // The simulator serves a recorded device: a third-party master (mbpoll) reads what the
    // device had at that moment, holding at the end; it identifies as the recorded model.
    void simulatorServesTheRecordedDevice()
    {
        const QString file = m_dir.filePath(QStringLiteral("served.grivant-session"));
        const qint64 start = 1700000000000000;
        SessionWriter writer;
        QVERIFY(writer.start(file, header(start), nullptr, nullptr));
        addRead(writer, start + 1000, 0x0200, {1, 1, 100});
        addRead(writer, start + 30000000, 0x0200, {1, 0, 900});
        QVERIFY(writer.finish());

        auto mbpoll = [](const QString &port, int reference, int count) {
            QProcess p;
            p.start(QStringLiteral("mbpoll"), {"-m", "rtu", "-a", "1", "-b", "115200", "-P", "none", "-t", "4",
                                              "-0", "-r", QString::number(reference), "-c", QString::number(count),
                                              "-1", "-q", port});
            p.waitForFinished(20000);
            QVector<int> values;
            for (const QByteArray &line : p.readAllStandardOutput().split('\n'))
                if (line.startsWith('['))
                    values << line.mid(line.indexOf(':') + 1).trimmed().toInt();
            return values;
        };
        const QString at0 = m_dir.filePath(QStringLiteral("replay0"));
        Simulator early({"--replay", file, "--link", at0});
        QVERIFY(early.start());
        QCOMPARE(mbpoll(at0, 0x0A00, 6), (QVector<int>{0x2701, 0x0102, 0x0217, 0x0001, 0x0000, 0x3412}));
        QCOMPARE(mbpoll(at0, 0x0200, 3), (QVector<int>{1, 1, 100}));
        // Writes are taken as the simulator takes them, and read back from it.
        ModbusClient client;
        QVERIFY(client.open(LineSettings{at0}, nullptr));
        QVERIFY(client.write(1, 0x0101, {55}).ok());
        QCOMPARE(client.read(1, 0x0101, 1).values, (QVector<quint16>{55}));
        QCOMPARE(client.write(1, 0x0202, {7}).status, ModbusClient::Status::Exception);
        client.close();
        early.stop();

        // Thirty seconds of recording in a third of a second: past the end it holds.
        const QString atEnd = m_dir.filePath(QStringLiteral("replay1"));
        Simulator late({"--replay", file, "--link", atEnd, "--speedup", "100"});
        QVERIFY(late.start());
        QTRY_COMPARE_WITH_TIMEOUT(mbpoll(atEnd, 0x0200, 3), (QVector<int>{1, 0, 900}), 10000);
        QCOMPARE(mbpoll(atEnd, 0x0200, 3), (QVector<int>{1, 0, 900}));
        late.stop();

        QProcess foreign;
        foreign.start(qEnvironmentVariable("DEVSIM"), {"--replay", m_dir.filePath("no-session")});
        QVERIFY(foreign.waitForFinished(10000));
        QCOMPARE(foreign.exitCode(), 2);
        QVERIFY(foreign.readAllStandardError().contains("no such file"));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
