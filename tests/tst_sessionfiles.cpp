// Session files from elsewhere: a generator plants what a hostile or damaged file can hold
// (a view, a trigger, a generated column, absurd times, wide answers, an answer of another
// size than its request, a NULL key, a FIFO, a cut) into a session the writer made, and the
// reader refuses it by name or reads what is sound and says what it left out; grivantctl
// and the simulator say the same. Recording never loses a file that was there, and a full
// disk ends a recording with the system's reason, the file readable up to there.
#include "engine/sessionindex.h"
#include "engine/sessionwriter.h"
#include "link/modbusclient.h"
#include "support/filesizelimit.h"
#include "support/simulator.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <sqlite3.h>
#include <sys/stat.h>

namespace {

// Now: a finished file's length runs to the moment it was finished.
const qint64 Start = SessionWriter::nowEpochUs();

QByteArray answer(quint8 server, quint16 first, int count)
{
    QByteArray data(1, char(2 * count));
    for (int i = 0; i < count; ++i)
        data.append(char(0)).append(char((first + i) & 0xFF));
    return TrafficAdu::frame(server, 3, data);
}

TrafficFrame frame(qint64 tUs, TrafficFrame::Direction direction, quint16 address, quint16 count, const QByteArray &bytes)
{
    TrafficFrame f;
    f.timeUs = Start + tUs;
    f.time = f.timeUs / 1000;
    f.direction = direction;
    f.server = 1;
    f.function = 3;
    f.address = address;
    f.count = count;
    f.bytes = bytes;
    return f;
}

// A read of `asked` registers answered with `given`.
void read(SessionWriter &writer, qint64 tUs, quint16 address, int asked, int given)
{
    writer.addFrame(frame(tUs, TrafficFrame::Sent, address, quint16(asked), TrafficAdu::readRequest(1, address, quint16(asked))));
    writer.addFrame(frame(tUs + 2000, TrafficFrame::Received, address, quint16(asked), answer(1, address, given)));
}

// Ten seconds of the feedback block read every 100 ms, then what a case adds.
bool makeSession(const QString &path, const SessionHeader &header, int extra)
{
    SessionWriter writer;
    if (!writer.start(path, header, nullptr, nullptr))
        return false;
    for (int i = 0; i < 100; ++i)
        read(writer, i * 100000, 0x0200, 14, 14);
    if (extra == 1)
        read(writer, 10000000, 0x0000, 1, 14);   // a late answer taken for the next request
    if (extra == 2) {
        read(writer, 10000000, 0xFFF0, 125, 125); // registers beyond 0xFFFF
        read(writer, 10100000, 0xFF83, 125, 125); // up to 0xFFFF
    }
    if (extra == 3) {
        // What a noisy line brings the blocking master, stored as it came: a function
        // byte changed, one byte, and more than any frame holds.
        QByteArray changed = answer(1, 0x0200, 14);
        changed[1] = char(0x56);
        const QByteArray noise[] = {changed, QByteArray(1, '\x01'), QByteArray(300, '\x01')};
        for (int i = 0; i < 3; ++i) {
            writer.addFrame(frame(10000000 + i * 100000, TrafficFrame::Sent, 0x0200, 14, TrafficAdu::readRequest(1, 0x0200, 14)));
            writer.addFrame(frame(10002000 + i * 100000, TrafficFrame::Received, 0x0200, 14, noise[i]));
        }
    }
    return writer.finish();
}

SessionHeader header()
{
    SessionHeader h;
    h.program = QStringLiteral("test");
    h.startEpochUs = Start;
    h.port = QStringLiteral("/dev/ttyUSB0");
    h.ident = QByteArray::fromHex("270101020217000100003412");
    h.modelName = QStringLiteral("GZB-50W");
    h.language = QStringLiteral("en_US");
    return h;
}

bool exec(const QString &path, const QString &sql)
{
    sqlite3 *db = nullptr;
    bool ok = sqlite3_open(QFile::encodeName(path).constData(), &db) == SQLITE_OK
              && sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    if (!ok)
        qWarning("%s: %s", qPrintable(sql), sqlite3_errmsg(db));
    sqlite3_close(db);
    return ok;
}

QByteArray digest(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256) : QByteArray();
}

struct Run
{
    int code = -1;
    QString err;
    qint64 ms = 0;
};

Run run(const QString &program, const QStringList &args, const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    QElapsedTimer clock;
    clock.start();
    p.start(program, args);
    Run r;
    if (!p.waitForFinished(90000))
        return r;
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    r.err = QString::fromUtf8(p.readAllStandardError());
    r.ms = clock.elapsed();
    return r;
}

} // namespace

class TestSessionFiles : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    // What a file may hold: refused by name before a query touches the data, or read
    // with what does not fit left out and said.
    void hostileFiles_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("extra");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<QString>("says");
        const QString recursive = "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c)";
        QTest::newRow("view") << "CREATE VIEW v AS " + recursive + " SELECT x FROM c" << 0 << true << "holds the view \"v\"";
        QTest::newRow("frames a recursive view")
            << "ALTER TABLE frames RENAME TO f; CREATE VIEW frames AS " + recursive
                   + " SELECT x AS seq, x AS t_us, 0 AS direction, 1 AS server, 3 AS function, 0 AS address,"
                     " 1 AS count, NULL AS waited_ms, randomblob(500000000) AS bytes, NULL AS note, NULL AS line FROM c"
            << 0 << true << "holds the view \"frames\"";
        QTest::newRow("trigger") << "CREATE TRIGGER t AFTER INSERT ON events BEGIN SELECT 1; END" << 0 << true << "holds the trigger \"t\"";
        QTest::newRow("generated column") << "ALTER TABLE frames ADD COLUMN big GENERATED ALWAYS AS (zeroblob(100000000)) VIRTUAL"
                                          << 0 << true << "column frames.big is computed";
        QTest::newRow("virtual table") << "CREATE VIRTUAL TABLE notes USING fts5(a)" << 0 << true << "holds the virtual table \"notes\"";
        QTest::newRow("index") << "CREATE INDEX by_time ON frames(t_us)" << 0 << true << "holds the index \"by_time\"";
        QTest::newRow("declared type")
            << "PRAGMA writable_schema = ON; UPDATE sqlite_master SET sql = replace(sql, 'kind TEXT', 'kind BLOB') WHERE name = 'events'"
            << 0 << true << "column events.kind is declared \"BLOB\"";
        QTest::newRow("later table and column") << "CREATE TABLE later (a INTEGER); ALTER TABLE frames ADD COLUMN later TEXT"
                                                << 0 << false << "";
        QTest::newRow("NULL key") << "INSERT INTO session VALUES (NULL, 1)" << 0 << true << "session.key of row";
        QTest::newRow("server 257") << "UPDATE frames SET server = 257 WHERE seq = 2" << 0 << true << "frames.server of row 2 is 257";
        QTest::newRow("server 257 named %2") << "UPDATE frames SET server = 257 WHERE seq = 2" << 0 << true
                                             << "server-257-named-%2 contradicts the session format: frames.server of row 2 is 257";
        QTest::newRow("text for bytes") << "UPDATE frames SET bytes = 'x' WHERE seq = 3" << 0 << true << "frames.bytes of row 3 is \"x\"";
        QTest::newRow("NULL start") << "UPDATE session SET value = NULL WHERE key = 'start_epoch_us'" << 0 << true
                                    << "header's start_epoch_us is NULL";
        QTest::newRow("slave 0") << "UPDATE session SET value = 0 WHERE key = 'slave_id'" << 0 << true << "header's slave_id is 0";
        QTest::newRow("format 0") << "PRAGMA user_version = 0" << 0 << true << "session of format 0";
        QTest::newRow("format -5") << "PRAGMA user_version = -5" << 0 << true << "session of format -5";
        QTest::newRow("endless length") << "UPDATE session SET value = 9223372036854775807 WHERE key = 'duration_us'"
                                        << 0 << true << "duration_us is 9223372036854775807";
        QTest::newRow("31 years") << "UPDATE session SET value = 978307200000000 WHERE key = 'duration_us'" << 0 << false
                                  << "it is taken to end with them, at 00:00:09.902";
        QTest::newRow("frame at the end of time")
            << "UPDATE frames SET t_us = 9223372036854775000 WHERE seq = 200" << 0 << true << "frames.t_us of row 200";
        QTest::newRow("answer wider than its request") << "" << 1 << false << "registers beyond 0xFFFF): 1. They are in";
        QTest::newRow("registers beyond 0xFFFF") << "" << 2 << false << "did not fit their request (another number";
        QTest::newRow("garbled answers") << "" << 3 << false << "";
    }

    void hostileFiles()
    {
        QFETCH(QString, sql);
        QFETCH(int, extra);
        QFETCH(bool, refused);
        QFETCH(QString, says);
        const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '-'));
        QVERIFY(makeSession(path, header(), extra));
        QVERIFY(sql.isEmpty() || exec(path, sql));
        const QByteArray before = digest(path);

        QElapsedTimer clock;
        clock.start();
        SessionData data;
        QString error;
        const bool read = readSession(path, &data, &error);
        QCOMPARE(digest(path), before);
        QCOMPARE(read, !refused);
        if (refused) {
            QVERIFY2(error.contains(says), qPrintable(error));
            return;
        }
        QVERIFY2(says.isEmpty() ? data.remarks.isEmpty() : data.remarks.join(' ').contains(says), qPrintable(data.remarks.join('|')));
        QVERIFY(data.durationUs < 11000000);
        // Only answers that fit their request give values, and none beyond 0xFFFF.
        const SessionIndex index(&data);
        QCOMPARE(index.replies().size(), 100 + (extra == 2 ? 1 : 0));
        QCOMPARE(data.misfits, extra == 1 || extra == 2 ? 1 : 0);
        for (int i = 0; i < data.frames.size(); ++i)
            QVERIFY(data.frames.bytes(i).size() <= 256);
        QCOMPARE(index.registersRead().constLast(), extra == 2 ? 0xFFFF : 0x020D);
        quint16 value = 0;
        QVERIFY(index.valueAt(0x0201, data.durationUs, &value));
        QCOMPARE(value, quint16(1));
    }

    // A name is the file of that name in the working folder, whatever SQLite would read in
    // it: the recording is there, whole, and nothing else is made.
    void namesAreFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("memory") << ":memory:";
        QTest::newRow("address in memory") << "file:rec?mode=memory";
        QTest::newRow("address of a file") << "file:rec";
    }

    void namesAreFiles()
    {
        QFETCH(QString, name);
        QTemporaryDir dir;
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(dir.path()));
        const bool made = makeSession(name, header(), 0);
        const QStringList files = QDir().entryList(QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden);
        QVERIFY(QDir::setCurrent(before));
        QVERIFY(made);
        QCOMPARE(files, QStringList{name});
        SessionData data;
        QString error;
        QVERIFY2(readSession(dir.path() + '/' + name, &data, &error), qPrintable(error));
        QCOMPARE(data.frames.size(), 200);
        QVERIFY(!readSession(name, &data, &error));
        QCOMPARE(error, name + ": no such file");
    }

    // A file cut short says it is damaged and up to where it is read; one that is not a
    // regular file is refused before anything opens it; a reader told to stop stops.
    void damagedAndOddFiles()
    {
        const QString whole = m_dir.filePath("whole");
        SessionWriter writer;
        QVERIFY(writer.start(whole, header(), nullptr, nullptr));
        for (int i = 0; i < 3000; ++i)
            read(writer, i * 20000, 0x0200, 14, 14);
        QVERIFY(writer.finish());
        // Cut where a tree of the file still leads to its first pages, or where it does not.
        const QString cut = m_dir.filePath("cut");
        SessionData data;
        QString error;
        int prefixes = 0;
        for (int percent : {95, 85, 70, 50, 30}) {
            QFile::remove(cut);
            QVERIFY(QFile::copy(whole, cut));
            QFile f(cut);
            QVERIFY(f.setPermissions(QFile::ReadOwner | QFile::WriteOwner) && f.resize(f.size() * percent / 100));
            if (!readSession(cut, &data, &error)) {
                QVERIFY2(error == "cut is damaged: not even its beginning can be read.", qPrintable(error));
                continue;
            }
            ++prefixes;
            QVERIFY2(data.remarks.join(' ').contains(QRegularExpression("^cut is damaged: it is read up to 00:00:\\d\\d\\.000, "
                                                                         "the last complete second before the damage \\(\\d+ frames\\)")),
                     qPrintable(data.remarks.join('|')));
            QVERIFY(data.frames.size() > 0 && data.frames.size() < 6000);
            // the export says it too
            const Run r = run(GRIVANTCTL, {"session", "export", cut, "--csv", m_dir.filePath("cut.csv")});
            QCOMPARE(r.code, 0);
            QVERIFY2(r.err.startsWith("grivantctl: note: cut is damaged: it is read up to"), qPrintable(r.err));
        }
        QVERIFY(prefixes > 0);

        const QString fifo = m_dir.filePath("fifo");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(!readSession(fifo, &data, &error));
        QVERIFY2(error.contains("is a FIFO (named pipe), not a file"), qPrintable(error));
        QVERIFY(QFile::copy(whole, fifo + "-log"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo + "-log-wal").constData(), 0600), 0);
        QVERIFY(!readSession(fifo + "-log", &data, &error));
        QVERIFY2(error.contains("the log beside it (fifo-log-wal) is a FIFO"), qPrintable(error));

        std::atomic_bool stop{true};
        QVERIFY(!readSession(whole, &data, &error, &stop));
        QCOMPARE(error, QString("Reading whole was stopped."));
    }

    // The same refusals from grivantctl and the simulator: an exit status and the reason,
    // never an abort or a wait; nothing left in the temporary folder, the log's copy
    // included, whatever ends the read.
    void readersOfTheCommandLine_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<bool>("fifo");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("says");
        for (const char *program : {"grivantctl", "devsim"}) {
            QTest::addRow("%s: view", program) << program << "CREATE VIEW v AS SELECT 1" << false << 2 << "holds the view \"v\"";
            QTest::addRow("%s: NULL key", program) << program << "INSERT INTO session VALUES (NULL, 1)" << false << 2 << "session.key of row";
            QTest::addRow("%s: FIFO", program) << program << "" << true << 2 << "is a FIFO (named pipe), not a file";
        }
        QTest::addRow("devsim: server 257") << "devsim" << "UPDATE frames SET server = 257 WHERE seq = 2" << false << 2 << "frames.server of row 2 is 257";
        QTest::addRow("devsim: format 0") << "devsim" << "PRAGMA user_version = 0" << false << 2 << "session of format 0";
    }

    void readersOfTheCommandLine()
    {
        QFETCH(QString, program);
        QFETCH(QString, sql);
        QFETCH(bool, fifo);
        QFETCH(int, code);
        QFETCH(QString, says);
        const QString path = m_dir.filePath("cli.grivant-session");
        QFile::remove(path);
        if (fifo)
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else
            QVERIFY(makeSession(path, header(), 0) && exec(path, sql));
        // A log beside it, as a crash leaves it: read from a copy.
        QFile log(path + "-wal");
        QVERIFY(fifo || (log.open(QIODevice::WriteOnly) && log.write("x") == 1));
        log.close();
        QTemporaryDir tmp;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TMPDIR", tmp.path());
        const Run r = program == "devsim" ? run(qEnvironmentVariable("DEVSIM"), {"--replay", path, "--link", m_dir.filePath("sim")}, env)
                                          : run(GRIVANTCTL, {"session", "info", path}, env);
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.contains(says), qPrintable(r.err));
        QCOMPARE(QDir(tmp.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
        QFile::remove(path);
        QFile::remove(path + "-wal");
    }

    // A session recorded at ID 2, 9600 baud, even parity is served there, unless the
    // command line says otherwise; a copy of its log that finds no room leaves nothing.
    void simulatorServesTheRecordedLine()
    {
        const QString path = m_dir.filePath("id2.grivant-session");
        SessionHeader h = header();
        h.slaveId = 2;
        h.baudRate = 9600;
        h.parity = 2;
        QVERIFY(makeSession(path, h, 0));
        auto serves = [&](const QStringList &more, const LineSettings &line, int id) {
            Simulator sim(QStringList{"--replay", path, "--link", m_dir.filePath("replay")} + more);
            if (!sim.start())
                return false;
            ModbusClient client;
            LineSettings at = line;
            at.port = sim.port();
            return client.open(at, nullptr) && client.read(id, 0x0200, 14).ok();
        };
        // A pseudo-terminal shows the master's baud rate, but not even parity.
        LineSettings recorded;
        recorded.baudRate = 9600;
        QVERIFY(serves({}, recorded, 2));
        QVERIFY(!serves({}, recorded, 1));
        QVERIFY(!serves({}, LineSettings(), 2));
        QVERIFY(serves({"--id", "1", "--baud", "115200", "--parity", "none"}, LineSettings(), 1));

        QFile log(path + "-wal");
        QVERIFY(log.open(QIODevice::WriteOnly) && log.write(QByteArray(4096, 'x')) == 4096);
        log.close();
        QTemporaryDir tmp;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TMPDIR", tmp.path());
        Run r;
        {
            const FileSizeLimit full(1024);
            r = run(qEnvironmentVariable("DEVSIM"), {"--replay", path}, env);
        }
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains("no room for a copy of it and its log (File too large)"), qPrintable(r.err));
        QCOMPARE(QDir(tmp.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
    }

    // An existing file is replaced only when asked, and only once the new recording
    // holds its first second; a full disk ends the recording at its next commit with the
    // system's reason, what was committed readable.
    void recordingNeverLosesAFile()
    {
        const QString earlier = m_dir.filePath("earlier.grivant-session");
        QVERIFY(makeSession(earlier, header(), 0));
        const QByteArray before = digest(earlier);
        QString error;
        SessionWriter writer;
        QVERIFY(!writer.start(earlier, header(), nullptr, &error));
        QVERIFY2(error.contains("exists already; it is not replaced"), qPrintable(error));
        QVERIFY(!writer.start(m_dir.path(), header(), nullptr, &error, SessionWriter::Replace));
        QVERIFY2(error.contains("is not a file"), qPrintable(error));
        // The disk full from the start, at each step of making the new file (its log, its
        // tables, its header): the earlier file stays as it was, and the message names it
        // with the system's reason.
        for (const rlim_t limit : {4096, 8192, 16384, 24576, 32768}) {
            {
                const FileSizeLimit full(limit);
                QVERIFY(!writer.start(earlier, header(), nullptr, &error, SessionWriter::Replace));
            }
            QVERIFY2(error.startsWith("Cannot write " + earlier + ": File too large"), qPrintable(error));
            QCOMPARE(digest(earlier), before);
            QCOMPARE(QDir(m_dir.path()).entryList({"earlier*"}), QStringList{"earlier.grivant-session"});
        }

        // Full after its first second: the new file has taken the name; the commit the
        // disk refuses ends the recording.
        QSignalSpy failed(&writer, &SessionWriter::writeFailed);
        {
            const FileSizeLimit full(256 * 1024);
            QVERIFY2(writer.start(earlier, header(), nullptr, &error, SessionWriter::Replace), qPrintable(error));
            read(writer, 0, 0x0200, 14, 14);
            QTRY_VERIFY_WITH_TIMEOUT(digest(earlier) != before, 5000);
            for (int i = 1; writer.isRecording() && i < 100000; ++i) {
                read(writer, i * 1000, 0x0200, 125, 125);
                if (i % 100 == 0)
                    QTest::qWait(50);
            }
            QTRY_VERIFY_WITH_TIMEOUT(!failed.isEmpty(), 5000);
        }
        QVERIFY(!writer.isRecording());
        QVERIFY2(failed.first().first().toString().contains("File too large"), qPrintable(failed.first().first().toString()));
        QVERIFY(!writer.finish(&error));
        SessionData data;
        QVERIFY2(readSession(earlier, &data, &error), qPrintable(error));
        QCOMPARE(qint64(data.frames.size()), writer.framesWritten());
        QVERIFY(data.frames.size() >= 2);
    }

    // grivantctl record: a file that is there is refused (a usage error, before any
    // port is opened), replaced with --force; a full disk is exit status 1 at once.
    void recordOverAFileAndOnAFullDisk()
    {
        const QString notes = m_dir.filePath("notes.txt");
        QFile f(notes);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("notes\n") == 6);
        f.close();
        Run r = run(GRIVANTCTL, {"record", "--port", "/nonexistent", "--seconds", "1", notes});
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains("exists already; it is not replaced. Give --force to replace it."), qPrintable(r.err));
        QCOMPARE(digest(notes), QCryptographicHash::hash("notes\n", QCryptographicHash::Sha256));

        Simulator sim({"--link", m_dir.filePath("sim"), "--initialised"});
        QVERIFY(sim.start());
        r = run(GRIVANTCTL, {"record", "--port", sim.port(), "--seconds", "1", "--force", notes});
        QCOMPARE(r.code, 0);
        SessionData data;
        QString error;
        QVERIFY2(readSession(notes, &data, &error), qPrintable(error));

        const QByteArray before = digest(notes);
        {
            const FileSizeLimit full(100 * 1024);
            r = run(GRIVANTCTL, {"record", "--port", sim.port(), "--seconds", "60", "--force", notes});
        }
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.contains("the recording ended at") && r.err.contains("File too large"), qPrintable(r.err));
        QVERIFY2(r.ms < 40000, "the full disk ends the recording, not --seconds");
        QVERIFY(digest(notes) != before);
        QVERIFY2(readSession(notes, &data, &error), qPrintable(error));
        QVERIFY(data.frames.size() > 0);
        QVERIFY(data.remarks.join(' ').contains("did not end cleanly"));
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestSessionFiles)
#include "tst_sessionfiles.moc"
