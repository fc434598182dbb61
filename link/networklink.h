#pragma once

#include "link/leasetransport.h"
#include "link/traffic.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QVector>

#include <atomic>

class QThread;
class NetworkWorker;

// The window's link to a network port (a device server, a Modbus TCP device): the blocking
// master in a thread of its own, driven by queued calls so that the window never waits on
// the network. It reports as the serial link does: connection states (1 connecting, 2
// connected, 3 closing, 0 unconnected), reads as the reply layout of the link, writes as
// done, refused by the device or failed. One request at a time: one that comes while the
// last is on its way is refused at once. A connection that ends is made again by the
// master, with growing pauses, while the link stays connected; requests meanwhile fail at
// once. Results of a connection that was closed or opened again since are dropped.
class NetworkLink : public QObject
{
    Q_OBJECT

public:
    enum class WriteOutcome { Done, Refused, Failed };

    explicit NetworkLink(const TrafficTap *tap, QObject *parent = nullptr);
    ~NetworkLink() override;

    // The wait for an answer that the polling engine's own wait of 220 ms leaves room
    // for: an answer later than that would be taken for the next request's.
    static int windowAnswerWaitMs(const QString &port, QString *note);

    void open(const QString &port);
    // A device of a running gateway's bus, leased through its broker; its identification
    // block is read at once, for identification() once opened.
    void openGateway(const LeaseTransport::Settings &settings);
    QByteArray identification() const { return m_identification; }
    void close();
    int state() const { return m_state; }
    bool isConnected() const { return m_state == 2; }
    const QString &port() const { return m_port; }

    // False when a request is still on its way (nothing is sent then).
    bool read(quint8 slave, int address, quint16 count);
    bool write(quint8 slave, int address, const QVector<quint16> &values);

signals:
    void stateChanged(int state);
    // Once per open: whether it connected, and why not.
    void opened(bool ok, const QString &why);
    // A read: start address, count, values (empty after a failure; `why` says what failed).
    void readDone(const QByteArray &reply, const QString &why);
    void writeDone(NetworkLink::WriteOutcome outcome, int exceptionCode, const QString &why);
    // The device server could not be reached, or can again (`why` empty).
    void reachability(const QString &why);
    void frame(const TrafficFrame &frame);

    // to the worker
    void workerOpen(int generation, const QString &port, int answerWaitMs);
    void workerOpenGateway(int generation, const LeaseTransport::Settings &settings);
    void workerClose();
    void workerRead(int generation, quint8 slave, int address, quint16 count);
    void workerWrite(int generation, quint8 slave, int address, const QVector<quint16> &values);

private:
    void setState(int state);
    void onOpened(int generation, bool ok, const QString &why);
    void onRead(int generation, const QByteArray &reply, const QString &why, bool unreachable);
    void onWrite(int generation, int outcome, int exceptionCode, const QString &why, bool unreachable);
    void noteReach(bool unreachable, const QString &why);

    QThread *m_thread = nullptr;
    NetworkWorker *m_worker = nullptr;
    QString m_port;
    int m_state = 0;
    int m_generation = 0;
    bool m_busy = false;
    bool m_unreachable = false;
    QByteArray m_identification;
};
Q_DECLARE_METATYPE(NetworkLink::WriteOutcome)
Q_DECLARE_METATYPE(LeaseTransport::Settings)
