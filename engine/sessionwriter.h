#pragma once

#include "engine/sessionfile.h"

#include <QMutex>
#include <QThread>
#include <QWaitCondition>
#include <QMap>
#include <atomic>
#include <tuple>

// Writes a session as it happens. The caller only copies a frame or an event into a
// queue; a thread of its own owns the database and commits what came in once a second,
// so that the event loop never waits for the disk. The data is appended to the
// write-ahead log and checkpointed into the file only every few minutes and at the end:
// a crash or a pulled plug loses at most the last second, and a log cut off at any byte
// still opens up to its last complete commit.
class SessionWriter : public QThread
{
    Q_OBJECT

public:
    static constexpr int CommitMs = 1000;
    static constexpr int CheckpointMs = 300000;

    // What becomes of a file already at the path.
    enum Existing { Refuse, Replace };

    explicit SessionWriter(QObject *parent = nullptr);
    ~SessionWriter() override;

    // Whether a session may be written to the path: a regular file (when it may be
    // replaced) or none yet, never a folder, FIFO or device. False with the reason.
    static bool mayWrite(const QString &path, Existing existing, QString *why);
    // Starts a new file with the header and the register map in use, beside the path:
    // it takes the path's name once it holds its first committed second (or at the end of
    // a shorter recording), so that a file that was there stays as it was until then, and
    // for good when the new one cannot be written. False with the reason when it cannot
    // be made.
    bool start(const QString &path, const SessionHeader &header, const RegisterMap *map,
               QString *error, Existing existing = Refuse);
    // Commits what is queued, folds the log into the file and closes it: the finished
    // session is one file. Returns false with the reason when the disk refused.
    bool finish(QString *error = nullptr);

    // False again once a commit failed: the recording ended there (writeFailed said why).
    bool isRecording() const { return m_recording.load(); }
    QString path() const { return m_path; }
    qint64 startEpochUs() const { return m_header.startEpochUs; }
    // The file and its log, as they stand on the disk now.
    qint64 bytesOnDisk() const;
    // Counts of what has been committed.
    qint64 framesWritten() const { return m_framesWritten.load(); }
    qint64 eventsWritten() const { return m_eventsWritten.load(); }
    // The last error of the writing thread (empty while all is well).
    QString lastError() const;

    static qint64 nowEpochUs();

public slots:
    void addFrame(const TrafficFrame &frame);
    // Stamped now unless it has a time already.
    void addEvent(SessionEvent event);

signals:
    // The disk refused a commit: the recording has ended, with the system's reason. The
    // file holds what was committed before (or, before its first second, the file that was
    // there stays).
    void writeFailed(const QString &error);

protected:
    void run() override;

private:
    bool createFile(QString *error);
    bool openFile(const QString &path, QString *error);
    bool takeName(QString *error);
    bool commit(QVector<TrafficFrame> frames, QVector<SessionEvent> events);
    void setError(const QString &error);
    // What the system said about the last failure, else SQLite's words.
    QString reason(const QString &fallback) const;

    QString m_path;
    // The file written to: beside m_path until it takes its name (m_mutex: read by
    // bytesOnDisk() from other threads).
    QString m_workPath;
    Existing m_existing = Refuse;
    QString m_connection;
    SessionHeader m_header;
    RegisterMap m_map;
    bool m_hasMap = false;

    mutable QMutex m_mutex;
    QWaitCondition m_wake;
    QWaitCondition m_started;
    QVector<TrafficFrame> m_frames;
    QVector<SessionEvent> m_events;
    bool m_stop = false;
    int m_startState = 0; // 0 waiting, 1 made, -1 failed
    QString m_error;
    QString m_startError;
    bool m_finishOk = true;

    std::atomic_bool m_recording{false};
    std::atomic<qint64> m_framesWritten{0};
    std::atomic<qint64> m_eventsWritten{0};
    QString m_lastLine; // writing thread only
    qint64 m_lastT = 0;
    // Requests stored whose outcome has not come yet, by server, function and register.
    QMap<std::tuple<int, int, int>, int> m_open;
};
