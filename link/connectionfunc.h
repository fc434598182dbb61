#pragma once

#include "link/traffic.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <atomic>

class QSerialPort;

// The device scanner: a worker that lives in a thread of its own and sweeps ports,
// parities, baud rates and slave IDs with raw Modbus-RTU frames on its own serial port.
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
    // Frames go out through sig_traffic only while this tap listens; set before a sweep.
    void setTrafficTap(const TrafficTap *tap) { m_tap = tap; }

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
    bool acceptAnswer(const QByteArray &answer, int registerCount);
    QByteArray readAnswer(QSerialPort &port);
    void tap(TrafficFrame::Direction direction, const QString &name, const QSerialPort &port,
             const QByteArray &request, const QByteArray &bytes, int waitedMs = 0);

    int m_idStart = 255;
    int m_idEnd = 255;
    bool m_searchMode = true;
    std::atomic_bool m_stop{false};

    std::atomic_int m_waitBaseMs{60};
    std::atomic_int m_waitStepMs{40};
    std::atomic_int m_gapMs{30};
    const TrafficTap *m_tap = nullptr;
};
