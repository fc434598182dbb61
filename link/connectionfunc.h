#pragma once

#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <atomic>

// The device scanner: a worker that lives in a thread of its own and sweeps ports,
// parities, baud rates and slave IDs with raw Modbus-RTU frames on its own serial port.
class Connectionfunc : public QObject
{
    Q_OBJECT

public:
    explicit Connectionfunc(QObject *parent = nullptr);

signals:
    void sig_status(QString text);
    void sig_search_process(QString text, int percent);
    void sig_commu_para(QStringList result, QByteArray block);

public slots:
    void slot_ScanGripper(QStringList ports);
    void set_idrange(int start, int end);
    void set_search_mode(bool enable);
    void set_search_stop();
    quint16 CRC16(char *nData, quint16 wLength);

private:
    int m_idStart = 255;
    int m_idEnd = 255;
    bool m_searchMode = true;
    std::atomic_bool m_stop{false};
};
