#pragma once

#include "data/parameterbackup.h"

#include <QByteArray>
#include <QMap>
#include <QObject>
#include <QTimer>
#include <QVector>

#include <functional>

// The device side of backup and restore in the main window. It never waits: it reads what
// the polling engine reads anyway (the next reply of each group asked for), hands the
// writes to the engine's queue one at a time and goes on when the engine reports each one
// answered, then sends the save command and takes the next replies as the read-back. A
// step that does not come within the step time, a write the engine gives up on, or a lost
// connection ends the transfer with a report of what was and was not written.
class ParameterTransfer : public QObject
{
    Q_OBJECT

public:
    using Groups = QMap<int, QVector<quint16>>;
    using WriteFunction = std::function<void(int address, const QVector<quint16> &values)>;

    explicit ParameterTransfer(WriteFunction write, QObject *parent = nullptr);

    void setStepTimeout(int ms) { m_watchdog.setInterval(ms); }
    bool isBusy() const { return m_state != State::Idle; }
    // The device's identification block as last reported or polled (0x0A00..0x0A05).
    QByteArray infoBlock() const { return m_infoBlock; }

    // The next reply of each group (group number -> register count), then collected().
    void collect(const QMap<int, int> &groupCounts);
    // The writes in order, the save command, then the next replies of the groups: restored().
    void restore(const QVector<ParameterBackup::Write> &writes, const QMap<int, int> &groupCounts);
    void cancel();

public slots:
    void takeInfo(QByteArray block);
    void takeReply(QByteArray data);
    void takeWriteResult(int address, QVector<quint16> values, bool answered);
    void takeConnectionState(int state);

signals:
    void collected(ParameterTransfer::Groups groups);
    void writeProgress(int done, int total);
    void restored(ParameterTransfer::Groups readBack, QVector<int> written);
    // Nothing of what follows `written` was sent; `saved` tells whether the save went out.
    void failed(QString reason, QVector<int> written, QVector<int> notWritten, bool saved);

private:
    enum class State { Idle, Collecting, Writing, Saving, ReadingBack };

    void sendNext();
    void fail(const QString &reason);
    void timedOut();

    WriteFunction m_write;
    QTimer m_watchdog;
    State m_state = State::Idle;
    bool m_cancelled = false;
    QByteArray m_infoBlock;
    QMap<int, int> m_groupCounts;
    Groups m_groups;
    QVector<ParameterBackup::Write> m_writes;
    int m_nextWrite = 0;
    QVector<int> m_written;
};
