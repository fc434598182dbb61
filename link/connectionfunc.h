#pragma once

#include "link/adaptersession.h"
#include "link/traffic.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <QVector>
#include <atomic>

class QSerialPort;

// The device scanner: a worker that lives in a thread of its own and sweeps ports,
// parities, baud rates and slave IDs with raw Modbus-RTU frames on its own serial port. A
// network port (a device server, a Modbus TCP device) is swept by its IDs alone, through a
// blocking master of its own.
class Connectionfunc : public QObject
{
    Q_OBJECT

public:
    explicit Connectionfunc(QObject *parent = nullptr);

    // Status line for an answer whose CRC or length is wrong.
    static const char *const RejectedAnswerText;

    // Answer wait per probe stage is base + step x baud index, and a gap of silence ends
    // an answer (shipped: 60, 40 and 30 ms). Tests shorten them; set before a sweep.
    void setWaitTimes(int baseMs, int stepMs, int gapMs);
    int waitTime(int baudIndex) const;
    // The wait for a probe's answer on a network port: its timeout=, else 300 ms.
    static int networkWaitTime(const QString &port);
    // Frames go out through sig_traffic only while this tap listens; set before a sweep.
    void setTrafficTap(const TrafficTap *tap) { m_tap = tap; }

    // Baud rates (by baud index) and parities (Qt numbers 0, 2, 3) a sweep tries, in the
    // order given; every one in sweep order when a list is empty (the default). Set before a
    // sweep.
    void setSweepSettings(const QVector<int> &baudIndexes, const QVector<int> &parities);

    // The window tells of each sweep it asks for before asking, from its own thread: a
    // stop then ends every sweep asked for before it, also one still queued behind the
    // running sweep.
    void noteSweepRequested();

signals:
    void sig_status(QString text);
    void sig_search_process(QString text, int percent);
    void sig_commu_para(QStringList result, QByteArray block);
    void sig_traffic(TrafficFrame frame);

public slots:
    void slot_ScanGripper(QStringList ports);
    void set_idrange(int start, int end);
    void set_search_mode(bool enable);
    void set_search_stop();
    quint16 CRC16(char *nData, quint16 wLength);

private:
    enum class ProbeResult { NextId, FoundAndDone };
    ProbeResult probe(QSerialPort &port, const QString &name, int id, int waitMs);
    // The IDs of a network port, whose line settings are the device server's own.
    ProbeResult sweepNetwork(const QString &name, int start, int end, qint64 before, qint64 total, bool *stopped);
    bool acceptAnswer(const QByteArray &answer, int registerCount);
    QByteArray readAnswer(QSerialPort &port);
    QByteArray withoutEcho(QSerialPort &port, const QString &name, const QByteArray &request,
                           const QByteArray &bytes, int waitMs);
    void closePort(QSerialPort &port);
    QVector<int> sweptBaudIndexes() const;
    QVector<int> sweptParities() const;
    bool stopRequested() const;
    void tap(TrafficFrame::Direction direction, const QString &name, const QSerialPort &port,
             const QByteArray &request, const QByteArray &bytes, int waitedMs = 0);

    int m_idStart = 255;
    int m_idEnd = 255;
    bool m_searchMode = true;
    QVector<int> m_baudIndexes;
    QVector<int> m_parities;
    // Sweeps are numbered from 1 in the order they run, which is the order asked for.
    std::atomic_int m_sweepsRequested{0};
    std::atomic_int m_stopThrough{0}; // sweeps numbered up to this one are stopped
    int m_sweepsStarted = 0;          // scanner thread only
    int m_sweep = 0;                  // number of the running sweep
    int m_parity = 0;                 // the parity being swept, as asked for (scanner thread only)

    std::atomic_int m_waitBaseMs{60};
    std::atomic_int m_waitStepMs{40};
    std::atomic_int m_gapMs{30};
    const TrafficTap *m_tap = nullptr;
    AdapterSession m_adapter; // the port being swept: its latency lowered while it is open
    bool m_echoTold = false;  // the port's echo was reported in this sweep
};
