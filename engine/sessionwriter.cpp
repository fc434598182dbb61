#include "engine/sessionwriter.h"

#include "engine/sessionreader.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QMutexLocker>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <QVariant>
#include <chrono>
#include <sqlite3.h>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#endif

namespace {

const char *const Schema[] = {
    "CREATE TABLE session (key TEXT PRIMARY KEY, value)",
    "CREATE TABLE frames (seq INTEGER PRIMARY KEY, t_us INTEGER NOT NULL, direction INTEGER NOT NULL,"
    " server INTEGER NOT NULL, function INTEGER NOT NULL, address INTEGER, count INTEGER NOT NULL,"
    " waited_ms INTEGER, bytes BLOB, note TEXT, line TEXT)",
    "CREATE TABLE events (seq INTEGER PRIMARY KEY, t_us INTEGER NOT NULL, kind TEXT NOT NULL,"
    " address INTEGER, data TEXT, tries INTEGER, text TEXT)",
    "CREATE TABLE register_groups (map TEXT NOT NULL, grp INTEGER NOT NULL, name TEXT,"
    " register_count INTEGER, access_mode TEXT, scan_rate INTEGER, access_level INTEGER,"
    " PRIMARY KEY (map, grp))",
    "CREATE TABLE registers (map TEXT NOT NULL, address INTEGER NOT NULL, description TEXT,"
    " value_range TEXT, protocol_version TEXT, format TEXT, PRIMARY KEY (map, address))",
};

QString parityName(int parity)
{
    return parity == 2 ? QStringLiteral("even") : parity == 3 ? QStringLiteral("odd") : QStringLiteral("none");
}

QVariant orNull(int value, int none = -1)
{
    return value == none ? QVariant(QVariant::LongLong) : QVariant(qlonglong(value));
}

QVariant orNull(const QString &text)
{
    return text.isEmpty() ? QVariant(QVariant::String) : QVariant(text);
}

} // namespace

SessionWriter::SessionWriter(QObject *parent) : QThread(parent)
{
    qRegisterMetaType<TrafficFrame>("TrafficFrame");
}

SessionWriter::~SessionWriter()
{
    finish();
}

qint64 SessionWriter::nowEpochUs()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

bool SessionWriter::mayWrite(const QString &path, Existing existing, QString *why)
{
#ifdef Q_OS_UNIX
    // A link is followed: what counts is what it leads to.
    struct stat st {};
    const bool exists = ::stat(QFile::encodeName(path).constData(), &st) == 0;
    const bool regular = exists && S_ISREG(st.st_mode);
#else
    const QFileInfo info(path);
    const bool exists = info.exists();
    const bool regular = info.isFile();
#endif
    if (exists && !regular) {
        *why = tr("%1 is not a file: a session is written only to a regular file or a new one.").arg(path);
        return false;
    }
    if (exists && existing == Refuse) {
        *why = tr("%1 exists already; it is not replaced.").arg(path);
        return false;
    }
    return true;
}

bool SessionWriter::start(const QString &path, const SessionHeader &header, const RegisterMap *map,
                          QString *error, Existing existing)
{
    if (isRunning()) {
        if (error)
            *error = tr("A recording is already running.");
        return false;
    }
    // A name Qt would take for one of its resources (":name") is the file of that name here.
    const QString file = path.startsWith(QLatin1Char(':')) ? QStringLiteral("./") + path : path;
    QString why;
    if (!mayWrite(file, existing, &why)) {
        if (error)
            *error = why;
        return false;
    }
    m_path = file;
    m_existing = existing;
    m_workPath = QStringLiteral("%1.new-%2").arg(m_path, QUuid::createUuid().toString(QUuid::Id128).left(8));
    m_header = header;
    if (m_header.startEpochUs == 0)
        m_header.startEpochUs = nowEpochUs();
    m_hasMap = map != nullptr;
    if (map)
        m_map = *map;
    if (m_hasMap && m_header.mapHash.isEmpty())
        m_header.mapHash = SessionFormat::mapHash(m_map);
    m_lastLine.clear();
    m_lastT = 0;
    m_open.clear();
    m_framesWritten = 0;
    m_eventsWritten = 0;
    {
        QMutexLocker lock(&m_mutex);
        m_stop = false;
        m_startState = 0;
        m_error.clear();
        m_frames.clear();
        m_events.clear();
        m_finishOk = true;
    }
    QThread::start(QThread::LowPriority);
    QMutexLocker lock(&m_mutex);
    while (m_startState == 0)
        m_started.wait(&m_mutex);
    if (m_startState < 0) {
        lock.unlock();
        wait();
        if (error)
            *error = m_startError;
        return false;
    }
    m_recording = true;
    return true;
}

bool SessionWriter::finish(QString *error)
{
    // Also after the writing thread ended on a failed commit: its reason is told here.
    {
        QMutexLocker lock(&m_mutex);
        m_stop = true;
        m_wake.wakeAll();
    }
    wait();
    m_recording = false;
    QMutexLocker lock(&m_mutex);
    if (!m_finishOk && error)
        *error = m_error;
    return m_finishOk;
}

qint64 SessionWriter::bytesOnDisk() const
{
    QString path = m_path;
    {
        QMutexLocker lock(&m_mutex);
        if (m_recording)
            path = m_workPath;
    }
    if (path.isEmpty())
        return 0;
    return QFileInfo(path).size() + QFileInfo(path + QStringLiteral("-wal")).size();
}

QString SessionWriter::lastError() const
{
    QMutexLocker lock(&m_mutex);
    return m_error;
}

void SessionWriter::setError(const QString &error)
{
    {
        QMutexLocker lock(&m_mutex);
        m_error = error;
    }
    emit writeFailed(error);
}

void SessionWriter::addFrame(const TrafficFrame &frame)
{
    if (!m_recording)
        return;
    QMutexLocker lock(&m_mutex);
    m_frames.append(frame);
}

void SessionWriter::addEvent(SessionEvent event)
{
    if (!m_recording)
        return;
    if (event.tUs == 0)
        event.tUs = nowEpochUs() - m_header.startEpochUs;
    QMutexLocker lock(&m_mutex);
    m_events.append(std::move(event));
}

QString SessionWriter::reason(const QString &fallback) const
{
    const QVariant handle = QSqlDatabase::database(m_connection, false).driver()->handle();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0) {
        sqlite3 *db = *static_cast<sqlite3 *const *>(handle.data());
        const int system = db ? sqlite3_system_errno(db) : 0;
        if (system)
            return qt_error_string(system);
        // SQLite keeps no system error for a disk that took part of a write.
        if (db && (sqlite3_extended_errcode(db) & 0xFF) == SQLITE_FULL)
            return qt_error_string(ENOSPC);
    }
    return fallback;
}

bool SessionWriter::openFile(const QString &path, QString *error)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    // Given to SQLite as an absolute path: it reads a name such as ":memory:" or
    // "file:x?mode=memory" as an address of its own, not as the file it names here.
    db.setDatabaseName(QFileInfo(path).absoluteFilePath());
    // Said of the name the file is to have, whatever it is written as meanwhile.
    if (!db.open()) {
        *error = tr("Cannot create %1: %2").arg(m_path, reason(db.lastError().text()));
        return false;
    }
    QSqlQuery q(db);
    // The checkpoint is ours to time: see the class comment.
    const QStringList pragmas = {
        QStringLiteral("PRAGMA page_size = 4096"),
        QStringLiteral("PRAGMA application_id = %1").arg(SessionFormat::ApplicationId),
        QStringLiteral("PRAGMA user_version = %1").arg(SessionFormat::Version),
        QStringLiteral("PRAGMA journal_mode = WAL"),
        QStringLiteral("PRAGMA synchronous = FULL"),
        QStringLiteral("PRAGMA wal_autocheckpoint = 0"),
    };
    for (const QString &p : pragmas)
        if (!q.exec(p)) {
            *error = tr("Cannot write %1: %2").arg(m_path, reason(q.lastError().text()));
            return false;
        }
    return true;
}

// The new file takes the name of the path: folded into one file, closed, renamed, opened
// again. A log of a file that was there goes first: SQLite would fold it into this one.
bool SessionWriter::takeName(QString *error)
{
    if (m_workPath == m_path)
        return true;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    if (!QSqlQuery(db).exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"))) {
        *error = reason(db.lastError().text());
        return false;
    }
    db.close();
    for (const QString &suffix : {QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral("-journal")})
        QFile::remove(m_path + suffix);
    bool renamed = false;
#ifdef Q_OS_UNIX
    // Replaced in one step where the system can: never a moment without either file.
    if (m_existing == Replace)
        renamed = std::rename(QFile::encodeName(m_workPath).constData(), QFile::encodeName(m_path).constData()) == 0;
    else
#endif
    {
        if (m_existing == Replace)
            QFile::remove(m_path);
        renamed = QFile::rename(m_workPath, m_path);
    }
    if (!renamed) {
        *error = QFile::exists(m_path) && m_existing == Refuse ? tr("%1 exists already; it is not replaced.").arg(m_path)
                                                               : tr("Cannot name the recording %1").arg(m_path);
        openFile(m_workPath, error);
        return false;
    }
    {
        QMutexLocker lock(&m_mutex);
        m_workPath = m_path;
    }
    return openFile(m_path, error);
}

bool SessionWriter::createFile(QString *error)
{
    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    if (!openFile(m_workPath, error))
        return false;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery q(db);
    // Said of the name the file is to have, with the system's reason (a full disk).
    auto cannot = [&](const QSqlError &e) {
        *error = tr("Cannot write %1: %2").arg(m_path, reason(e.text()));
        return false;
    };
    auto run = [&](const QString &statement) { return q.exec(statement) || cannot(q.lastError()); };
    if (!db.transaction())
        return cannot(db.lastError());
    for (const char *statement : Schema)
        if (!run(QLatin1String(statement)))
            return false;

    const SessionHeader &h = m_header;
    const QList<QPair<QString, QVariant>> header = {
        {"format_version", h.formatVersion},
        {"program", h.program},
        {"host_os", h.hostOs},
        {"start_time", QDateTime::fromMSecsSinceEpoch(h.startEpochUs / 1000, Qt::UTC).toString(Qt::ISODateWithMs)},
        {"start_epoch_us", h.startEpochUs},
        {"port", h.port},
        {"baud", h.baudRate},
        {"parity", parityName(h.parity)},
        {"stop_bits", h.stopBits},
        {"slave_id", h.slaveId},
        {"ident", QString::fromLatin1(h.ident.toHex())},
        {"model_code", h.ident.size() >= 2 ? QString::fromLatin1(h.ident.left(2).toHex()) : QString()},
        {"model_name", h.modelName},
        {"language", h.language},
        {"register_map", h.mapName},
        {"register_map_sha256", h.mapHash},
    };
    q.prepare(QStringLiteral("INSERT INTO session (key, value) VALUES (?, ?)"));
    for (const auto &entry : header) {
        q.addBindValue(entry.first);
        q.addBindValue(entry.second);
        if (!q.exec())
            return cannot(q.lastError());
    }
    if (m_hasMap) {
        q.prepare(QStringLiteral("INSERT INTO register_groups VALUES (?, ?, ?, ?, ?, ?, ?)"));
        for (auto g = m_map.groupNames.cbegin(); g != m_map.groupNames.cend(); ++g) {
            for (const QVariant &v : {QVariant(h.mapName), QVariant(g.key()), QVariant(g.value()),
                                      QVariant(m_map.groupRegisterCounts.value(g.key())),
                                      QVariant(m_map.groupAccessModes.value(g.key())),
                                      QVariant(m_map.groupScanRates.value(g.key())),
                                      QVariant(m_map.groupAccessLevels.value(g.key()))})
                q.addBindValue(v);
            if (!q.exec())
                return cannot(q.lastError());
        }
        q.prepare(QStringLiteral("INSERT INTO registers VALUES (?, ?, ?, ?, ?, ?)"));
        for (auto r = m_map.registerDescriptions.cbegin(); r != m_map.registerDescriptions.cend(); ++r) {
            for (const QVariant &v : {QVariant(h.mapName), QVariant(r.key()), QVariant(r.value()),
                                      QVariant(m_map.registerValueRanges.value(r.key())),
                                      QVariant(m_map.registerProtocolVersions.value(r.key())),
                                      QVariant(m_map.registerFormats.value(r.key()))})
                q.addBindValue(v);
            if (!q.exec())
                return cannot(q.lastError());
        }
    }
    if (!db.commit())
        return cannot(db.lastError());
    // The header and the tables are in the file itself from the start: whatever becomes
    // of the log, the file says what it is.
    return run(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
}

bool SessionWriter::commit(QVector<TrafficFrame> frames, QVector<SessionEvent> events)
{
    if (frames.isEmpty() && events.isEmpty())
        return true;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    // Frames come from two threads (the link's and the scanner's): stored in time order.
    std::stable_sort(frames.begin(), frames.end(),
                     [](const TrafficFrame &a, const TrafficFrame &b) { return a.timeUs < b.timeUs; });
    std::stable_sort(events.begin(), events.end(),
                     [](const SessionEvent &a, const SessionEvent &b) { return a.tUs < b.tUs; });
    if (!db.transaction()) {
        setError(reason(db.lastError().text()));
        return false;
    }
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO frames (t_us, direction, server, function, address, count,"
                             " waited_ms, bytes, note, line) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    bool ok = true;
    qint64 stored = 0;
    for (const TrafficFrame &f : qAsConst(frames)) {
        // The outcome of a request sent before the recording began (the monitor may have
        // been listening) has no request in the file: it is left out.
        const auto key = std::make_tuple(int(f.server), int(f.function), int(f.address));
        if (f.direction == TrafficFrame::Sent) {
            ++m_open[key];
        } else {
            auto open = m_open.find(key);
            if (open == m_open.end() || open.value() == 0)
                continue;
            --open.value();
        }
        const qint64 epochUs = f.timeUs != 0 ? f.timeUs : f.time * 1000;
        const qint64 t = qMax(m_lastT, epochUs - m_header.startEpochUs);
        m_lastT = t;
        q.addBindValue(t);
        q.addBindValue(int(f.direction));
        q.addBindValue(int(f.server));
        q.addBindValue(int(f.function));
        q.addBindValue(orNull(f.address));
        q.addBindValue(int(f.count));
        q.addBindValue(f.direction == TrafficFrame::NoAnswer ? QVariant(f.waitedMs) : QVariant(QVariant::Int));
        // A frame of the line is at most 256 bytes; what a garbled answer brought beyond
        // that is no part of it, and a file that held it would be refused by every reader.
        q.addBindValue(f.bytes.isEmpty() ? QVariant(QVariant::ByteArray)
                                         : QVariant(f.bytes.left(SessionReader::MaxFrameBytes)));
        q.addBindValue(orNull(f.note));
        q.addBindValue(f.port == m_lastLine ? QVariant(QVariant::String) : QVariant(f.port));
        m_lastLine = f.port;
        if (!q.exec()) {
            ok = false;
            break;
        }
        ++stored;
    }
    if (ok) {
        q.prepare(QStringLiteral("INSERT INTO events (t_us, kind, address, data, tries, text)"
                                 " VALUES (?, ?, ?, ?, ?, ?)"));
        for (const SessionEvent &e : qAsConst(events)) {
            q.addBindValue(qMax<qint64>(0, e.tUs));
            q.addBindValue(e.kind);
            q.addBindValue(orNull(e.address));
            q.addBindValue(orNull(e.data));
            q.addBindValue(orNull(e.tries));
            q.addBindValue(orNull(e.text));
            if (!q.exec()) {
                ok = false;
                break;
            }
        }
    }
    if (!ok) {
        setError(reason(q.lastError().text()));
        db.rollback();
        return false;
    }
    if (!db.commit()) {
        // A commit the disk refused leaves the transaction open: nothing of it stays.
        setError(reason(db.lastError().text()));
        db.rollback();
        return false;
    }
    m_framesWritten += stored;
    m_eventsWritten += events.size();
    return true;
}

void SessionWriter::run()
{
    m_connection = QStringLiteral("session-writer-%1").arg(QUuid::createUuid().toString(QUuid::Id128));
    {
        QString error;
        const bool made = createFile(&error);
        QMutexLocker lock(&m_mutex);
        m_startError = error;
        m_startState = made ? 1 : -1;
        m_started.wakeAll();
        if (!made) {
            lock.unlock();
            QSqlDatabase::database(m_connection, false).close();
            QSqlDatabase::removeDatabase(m_connection);
            for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
                QFile::remove(m_workPath + suffix);
            return;
        }
    }

    QDeadlineTimer nextCheckpoint(CheckpointMs);
    bool stopping = false;
    bool failed = false;
    while (!stopping && !failed) {
        QVector<TrafficFrame> frames;
        QVector<SessionEvent> events;
        {
            QMutexLocker lock(&m_mutex);
            if (!m_stop)
                m_wake.wait(&m_mutex, QDeadlineTimer(CommitMs));
            stopping = m_stop;
            frames.swap(m_frames);
            events.swap(m_events);
        }
        // A commit the disk refuses ends the recording: what was committed stays readable.
        failed = !commit(frames, events);
        QString error;
        if (!failed && !takeName(&error)) {
            setError(error);
            failed = true;
        }
        if (!failed && nextCheckpoint.hasExpired()) {
            QSqlQuery(QSqlDatabase::database(m_connection, false)).exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"));
            nextCheckpoint.setRemainingTime(CheckpointMs);
        }
    }
    m_recording = false;

    bool ok = !failed;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        QSqlQuery q(db);
        if (ok) {
            const qint64 duration = qMax(m_lastT, nowEpochUs() - m_header.startEpochUs);
            q.prepare(QStringLiteral("INSERT OR REPLACE INTO session (key, value) VALUES ('duration_us', ?)"));
            q.addBindValue(duration);
            ok = q.exec();
            // One file again: the log folded in and the file out of WAL mode, so that a
            // finished session is a single file that any SQLite reader opens as it stands.
            ok = q.exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")) && ok;
            ok = q.exec(QStringLiteral("PRAGMA journal_mode = DELETE")) && ok;
            if (!ok)
                setError(reason(q.lastError().text().isEmpty() ? tr("Frames could not be written") : q.lastError().text()));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
    // A recording that failed before it took its name leaves the file that was there.
    if (m_workPath != m_path)
        for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
            QFile::remove(m_workPath + suffix);
    QMutexLocker lock(&m_mutex);
    m_finishOk = ok;
}
