// The scanner on a network port: the same two requests per ID as on a serial line, through
// the blocking master, whose connection to the device server stands for the whole sweep.
#include "link/connectionfunc.h"

#include "link/modbusclient.h"
#include "link/modbusframe.h"
#include "link/portaddress.h"

#include <QDebug>

namespace {
// The wait for a probe's answer beyond its time on the device server's line, unless the
// address gives its own time-out: most IDs of a sweep have no device, and a device server
// passes an answer on within milliseconds.
constexpr int ProbeWaitMs = 300;
// The baud rate a found device is listed with when the device server's line is not given.
constexpr qint32 UnknownLineBaud = 115200;

QByteArray blockOf(const QVector<quint16> &values)
{
    QByteArray block;
    for (quint16 v : values) {
        block.append(char(v >> 8));
        block.append(char(v & 0xFF));
    }
    return block;
}
} // namespace

int Connectionfunc::networkWaitTime(const QString &port)
{
    PortAddress address;
    PortAddresses::parse(port, &address, nullptr);
    return address.timeoutMs > 0 ? address.timeoutMs : ProbeWaitMs;
}

Connectionfunc::ProbeResult Connectionfunc::sweepNetwork(const QString &name, int start, int end, qint64 before,
                                                         qint64 total, bool *stopped)
{
    PortAddress address;
    PortAddresses::parse(name, &address, nullptr);
    ModbusClient client;
    client.setAttempts(1);
    client.setAnswerWait(networkWaitTime(name));
    QByteArray lastAnswer;
    client.setFrameObserver([this, &lastAnswer](const TrafficFrame &f) {
        if (f.direction == TrafficFrame::Received)
            lastAnswer = f.bytes;
        if (m_tap && m_tap->isListening())
            emit sig_traffic(f);
    });
    LineSettings line;
    line.port = name;
    QString why;
    if (!client.open(line, &why)) {
        emit sig_status(QStringLiteral("Scan error:\t %1,(0 :%2)").arg(name, why));
        return ProbeResult::NextId;
    }
    const qint32 baud = address.downstreamBaud > 0 ? address.downstreamBaud : UnknownLineBaud;
    for (int id = start; id <= end; ++id) {
        if (stopRequested()) {
            *stopped = true;
            break;
        }
        emit sig_search_process(QStringLiteral("id: %1 , %2").arg(id).arg(address.framingName()),
                                int((before + id - start + 1) * 100 / total));
        lastAnswer.clear();
        const ModbusClient::Reply probe = client.read(id, ModbusFrame::SlaveAddressRegister, 1);
        if (!lastAnswer.isEmpty())
            emit sig_status(QStringLiteral("response: ") + QString::fromLatin1(lastAnswer.toHex()));
        if (probe.status == ModbusClient::Status::Unreachable || probe.status == ModbusClient::Status::ConnectionLost) {
            // The device server is gone: no ID behind it can answer now.
            emit sig_status(QStringLiteral("Scan error:\t %1,(0 :%2)").arg(name, probe.errorText()));
            break;
        }
        if (probe.status == ModbusClient::Status::BadAnswer)
            emit sig_status(QString::fromLatin1(RejectedAnswerText));
        if (!probe.ok())
            continue;
        const int reported = probe.values.first() & 0xFF;
        if (!m_searchMode && reported != id)
            continue;
        const ModbusClient::Reply ident = client.read(reported, ModbusFrame::DeviceInfoRegister,
                                                      ModbusFrame::DeviceInfoCount);
        qDebug() << "responseData 1: " << lastAnswer.toHex(' ');
        if (!ident.ok())
            continue;
        emit sig_status(QStringLiteral("Scaned a device in %1, Varified").arg(name));
        const QStringList result{QStringLiteral("OK"), name, QString::number(baud), QStringLiteral("0"),
                                 QStringLiteral("1"), QString::number(reported)};
        emit sig_commu_para(result, blockOf(ident.values));
        if (m_searchMode)
            return ProbeResult::FoundAndDone;
    }
    return ProbeResult::NextId;
}
