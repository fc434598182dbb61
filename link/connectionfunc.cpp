#include "link/connectionfunc.h"

#include "link/modbusframe.h"

#include <QDateTime>
#include <QDebug>
#include <QSerialPort>

#include <array>

#ifdef Q_OS_UNIX
#include <termios.h>
#endif

namespace {

// Sweep order; the position of a rate is its baud index, the device's baud-rate code.
constexpr std::array<qint32, 7> BaudRates{115200, 57600, 38400, 19200, 9600, 4800, 230400};
constexpr std::array<QSerialPort::Parity, 3> Parities{QSerialPort::NoParity, QSerialPort::EvenParity,
                                                     QSerialPort::OddParity};

// A probe stops reading once an answer grows beyond this; no answer of ours is that long.
constexpr int AnswerLimit = 20;

// QSerialPort leaves the odd-parity flag set when parity is switched off. A line read by
// its flags alone (a pseudo-terminal drops the enable flag) would then still look odd to
// the other side, so no parity is made to mean no parity.
void clearStaleOddFlag(QSerialPort &port)
{
#ifdef Q_OS_UNIX
    termios tio{};
    const int fd = int(port.handle());
    if (::tcgetattr(fd, &tio) == 0 && (tio.c_cflag & PARODD)) {
        tio.c_cflag &= ~tcflag_t(PARODD);
        ::tcsetattr(fd, TCSANOW, &tio);
    }
#else
    Q_UNUSED(port);
#endif
}

} // namespace

const char *const Connectionfunc::RejectedAnswerText =
    "response rejected: bad CRC or length (wrong line settings?)";

Connectionfunc::Connectionfunc(QObject *parent) : QObject(parent) {}

void Connectionfunc::setWaitTimes(int baseMs, int stepMs, int gapMs)
{
    m_waitBaseMs = baseMs;
    m_waitStepMs = stepMs;
    m_gapMs = gapMs;
}

int Connectionfunc::waitTime(int baudIndex) const
{
    return m_waitStepMs * baudIndex + m_waitBaseMs;
}

void Connectionfunc::set_idrange(int start, int end)
{
    m_idStart = start;
    m_idEnd = end;
}

void Connectionfunc::set_search_mode(bool enable)
{
    m_searchMode = enable;
}

void Connectionfunc::set_search_stop()
{
    m_stop = true;
}

quint16 Connectionfunc::CRC16(char *nData, quint16 wLength)
{
    return ModbusFrame::crc16(nData, wLength);
}

void Connectionfunc::slot_ScanGripper(QStringList ports)
{
    m_stop = false;
    QSerialPort port;
    qDebug() << "ComNamelist" << ports;

    const int start = m_idStart;
    const int end = m_idEnd;
    const qint64 range = qint64(end) - start + 1;
    const qint64 perPort = qint64(Parities.size()) * qint64(BaudRates.size()) * range;
    const qint64 total = qint64(ports.size()) * perPort;

    bool stopped = false;
    for (int p = 0; p < ports.size() && !stopped; ++p) {
        const QString &name = ports.at(p);
        emit sig_status(QStringLiteral("Scanning COM Port:\t %1").arg(name));

        bool portFailed = false;
        for (std::size_t pi = 0; pi < Parities.size() && !portFailed && !stopped; ++pi) {
            for (std::size_t bi = 0; bi < BaudRates.size(); ++bi) {
                const qint32 baud = BaudRates[bi];
                if (port.isOpen())
                    port.close();
                port.setPortName(name);
                port.setBaudRate(baud, QSerialPort::AllDirections);
                port.setDataBits(QSerialPort::Data8);
                port.setParity(Parities[pi]);
                port.setStopBits(QSerialPort::OneStop);
                qDebug() << "param " << name << baud << int(Parities[pi]);

                if (!port.open(QIODevice::ReadWrite)) {
                    emit sig_status(QStringLiteral("Scan error:\t %1,(%2 :%3)")
                                        .arg(name, QString::number(int(port.error())),
                                             port.errorString()));
                    portFailed = true;
                    break;
                }
                if (Parities[pi] == QSerialPort::NoParity)
                    clearStaleOddFlag(port);
                port.setDataTerminalReady(true);

                if (start > end)
                    continue;
                if (m_stop) {
                    stopped = true;
                    break;
                }

                const int wait = waitTime(int(bi));
                const qint64 comboStep = p * perPort + qint64(pi * BaudRates.size() + bi) * range;
                for (int id = start; id <= end; ++id) {
                    const qint64 step = comboStep + (id - start) + 1;
                    emit sig_search_process(QStringLiteral("id: %1 , BaudRate: %2, parity: %3")
                                                .arg(id)
                                                .arg(baud)
                                                .arg(int(Parities[pi])),
                                            int(step * 100 / total));
                    if (probe(port, name, id, wait) == ProbeResult::FoundAndDone)
                        return;
                    if (m_stop) {
                        stopped = true;
                        break;
                    }
                }
                if (stopped)
                    break;
            }
        }
    }

    if (stopped)
        port.close();
    emit sig_commu_para(QStringList{QStringLiteral("finished")}, QByteArray());
}

// Stamped in this thread: the frame reaches the window queued, later.
void Connectionfunc::tap(TrafficFrame::Direction direction, const QString &name,
                         const QSerialPort &port, const QByteArray &request, const QByteArray &bytes,
                         int waitedMs)
{
    if (!m_tap || !m_tap->isListening())
        return;
    TrafficFrame f;
    f.time = QDateTime::currentMSecsSinceEpoch();
    f.direction = direction;
    f.server = quint8(request.at(0));
    f.function = quint8(request.at(1));
    f.address = quint8(request.at(2)) << 8 | quint8(request.at(3));
    f.count = quint16(quint8(request.at(4)) << 8 | quint8(request.at(5)));
    f.waitedMs = waitedMs;
    f.port = TrafficText::line(name, port.baudRate(), int(port.parity()), int(port.stopBits()));
    f.bytes = bytes;
    emit sig_traffic(f);
}

QByteArray Connectionfunc::readAnswer(QSerialPort &port)
{
    QByteArray answer = port.readAll();
    while (answer.size() <= AnswerLimit && port.waitForReadyRead(m_gapMs))
        answer += port.readAll();
    return answer;
}

// An intact read answer of the expected size is taken; an exception answer is passed over
// quietly, and a malformed one (a sign of wrong line settings) says so in the status line.
bool Connectionfunc::acceptAnswer(const QByteArray &answer, int registerCount)
{
    switch (ModbusFrame::checkReadAnswer(answer, registerCount)) {
    case ModbusFrame::AnswerCheck::Accepted:
        return true;
    case ModbusFrame::AnswerCheck::Malformed:
        emit sig_status(QString::fromLatin1(RejectedAnswerText));
        return false;
    case ModbusFrame::AnswerCheck::NotReadAnswer:
        return false;
    }
    return false;
}

Connectionfunc::ProbeResult Connectionfunc::probe(QSerialPort &port, const QString &name, int id,
                                                  int waitMs)
{
    const QByteArray request = ModbusFrame::probeRequest(id);
    qDebug() << "requestData 0: " << request.toHex(' ');
    port.write(request);
    tap(TrafficFrame::Sent, name, port, request, request);
    QByteArray answer;

    if (!port.waitForBytesWritten(waitMs)) {
        qDebug() << "scan write timeout";
        return ProbeResult::NextId;
    }
    port.waitForReadyRead(waitMs);
    qDebug() << "scan read " << port.bytesAvailable();
    if (port.bytesAvailable() == 0) {
        qDebug() << "scan read timeout";
        tap(TrafficFrame::NoAnswer, name, port, request, QByteArray(), waitMs);
        return ProbeResult::NextId;
    }
    answer = readAnswer(port);
    tap(TrafficFrame::Received, name, port, request, answer);
    qDebug() << "responseData 0: " << answer.toHex(' ');
    emit sig_status(QStringLiteral("response: ") + QString::fromLatin1(answer.toHex()));

    if (!acceptAnswer(answer, 1))
        return ProbeResult::NextId;
    const quint8 address = ModbusFrame::reportedAddress(answer);
    if (!m_searchMode && address != id)
        return ProbeResult::NextId;

    const QByteArray identRequest = ModbusFrame::identificationRequest(address);
    port.write(identRequest);
    tap(TrafficFrame::Sent, name, port, identRequest, identRequest);
    qDebug() << "requestData 1: " << identRequest.toHex(' ');
    answer.clear();
    if (!port.waitForBytesWritten(waitMs))
        return ProbeResult::NextId;
    port.waitForReadyRead(waitMs);
    if (port.bytesAvailable() == 0) {
        tap(TrafficFrame::NoAnswer, name, port, identRequest, QByteArray(), waitMs);
        return ProbeResult::NextId;
    }
    answer = readAnswer(port);
    tap(TrafficFrame::Received, name, port, identRequest, answer);
    qDebug() << "responseData 1: " << answer.toHex(' ');

    if (!acceptAnswer(answer, ModbusFrame::DeviceInfoCount))
        return ProbeResult::NextId;

    emit sig_status(QStringLiteral("Scaned a device in %1, Varified").arg(name));
    if (m_searchMode)
        port.close();
    const QStringList result{QStringLiteral("OK"),
                             name,
                             QString::number(port.baudRate()),
                             QString::number(int(port.parity())),
                             QString::number(int(port.stopBits())),
                             QString::number(address)};
    emit sig_commu_para(result, ModbusFrame::identificationBlock(answer));
    return m_searchMode ? ProbeResult::FoundAndDone : ProbeResult::NextId;
}
