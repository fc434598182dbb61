#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QMutex>
#include <QThread>
#include <QVector>
#include <QWaitCondition>

// The polling thread: paces all cyclic register traffic so that exactly one Modbus
// transaction is outstanding at a time. run() issues at most one read (the next block
// that is due) and one write (the oldest queued) per pass and waits up to 220 ms for
// each reply, which the link reports through ReceviedData().
class VX_Ctl : public QThread
{
    Q_OBJECT

public:
    explicit VX_Ctl(QObject *parent = nullptr);
    ~VX_Ctl() override;

    struct WriteRequest {
        quint16 address = 0;
        QVector<quint16> values;
    };

    static constexpr int ReplyWaitMs = 220;

    // Shared by all engines; survives restarts of the thread.
    static int retryCounter();

signals:
    void SendReadRequest(int address, quint16 count);
    void SendWriteRequest(int address, QVector<quint16> values);

public slots:
    void SetStop();
    void ReadEnable(bool enable);
    void ClearReadList();
    void ReceviedData(QByteArray data);
    void Add_readregisterList(int address, quint16 count, quint16 period);
    void Add_writeregisterList(int address, quint16 value);
    void Add_writeMutipregisterList(int address, QVector<quint16> values);

protected:
    void run() override;
};
