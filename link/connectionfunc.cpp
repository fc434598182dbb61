#include "link/connectionfunc.h"

#include "link/answerwatch.h"
#include "link/modbusclient.h"
#include "link/modbusframe.h"
#include "link/portaddress.h"
#include "link/portidentity.h"

#include <QDateTime>
#include <QDebug>
#include <QSerialPort>

#include <algorithm>
#include <array>

namespace {

// Sweep order; the position of a rate is its baud index, the device's baud-rate code.
constexpr std::array<qint32, 7> BaudRates{115200, 57600, 38400, 19200, 9600, 4800, 230400};
constexpr std::array<QSerialPort::Parity, 3> Parities{QSerialPort::NoParity, QSerialPort::EvenParity,
                                                     QSerialPort::OddParity};

// A probe stops reading once an answer grows beyond this; no answer of ours is that long.
constexpr int AnswerLimit = 20;

// As the progress line names it.
QLatin1String parityName(QSerialPort::Parity parity)
{
    switch (parity) {
    case QSerialPort::EvenParity: return QLatin1String("even");
    case QSerialPort::OddParity: return QLatin1String("odd");
    default: return QLatin1String("none");
    }
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

void Connectionfunc::setSweepSettings(const QVector<int> &baudIndexes, const QVector<int> &parities)
{
    m_baudIndexes.clear();
    for (int index : baudIndexes)
        if (index >= 0 && index < int(BaudRates.size()) && !m_baudIndexes.contains(index))
            m_baudIndexes.append(index);
    m_parities.clear();
    for (int parity : parities)
        if (std::find(Parities.cbegin(), Parities.cend(), QSerialPort::Parity(parity)) != Parities.cend()
            && !m_parities.contains(parity))
            m_parities.append(parity);
}

QVector<int> Connectionfunc::sweptBaudIndexes() const
{
    if (!m_baudIndexes.isEmpty())
        return m_baudIndexes;
    QVector<int> all;
    for (int i = 0; i < int(BaudRates.size()); ++i)
        all.append(i);
    return all;
}

QVector<int> Connectionfunc::sweptParities() const
{
    if (!m_parities.isEmpty())
        return m_parities;
    QVector<int> all;
    for (QSerialPort::Parity parity : Parities)
        all.append(int(parity));
    return all;
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

void Connectionfunc::noteSweepRequested()
{
    ++m_sweepsRequested;
}

void Connectionfunc::set_search_stop()
{
    m_stopThrough = m_sweepsRequested.load();
}

bool Connectionfunc::stopRequested() const
{
    return m_sweep <= m_stopThrough.load();
}

quint16 Connectionfunc::CRC16(char *nData, quint16 wLength)
{
    return ModbusFrame::crc16(nData, wLength);
}

void Connectionfunc::slot_ScanGripper(QStringList ports)
{
    // A sweep started without being announced (a direct call) counts as asked for now, so
    // that a stop from here on ends it.
    m_sweep = ++m_sweepsStarted;
    int requested = m_sweepsRequested.load();
    while (requested < m_sweep && !m_sweepsRequested.compare_exchange_weak(requested, m_sweep)) {
    }
    QSerialPort port;
    qDebug() << "ComNamelist" << ports;

    const int start = m_idStart;
    const int end = m_idEnd;
    const QVector<int> bauds = sweptBaudIndexes();
    const QVector<int> parities = sweptParities();
    const qint64 range = qint64(end) - start + 1;
    const qint64 perPort = qint64(parities.size()) * qint64(bauds.size()) * range;
    // A network port has no line settings to try: its IDs alone.
    qint64 total = 0;
    for (const QString &name : ports)
        total += PortAddresses::looksLikeNetwork(name) ? range : perPort;
    qint64 before = 0; // steps of the ports swept already

    bool stopped = false;
    for (int p = 0; p < ports.size() && !stopped; before += PortAddresses::looksLikeNetwork(ports.at(p)) ? range : perPort, ++p) {
        const QString &name = ports.at(p);
        emit sig_status(QStringLiteral("Scanning COM Port:\t %1").arg(name));
        m_echoTold = false;
        if (PortAddresses::looksLikeNetwork(name)) {
            const ProbeResult result = sweepNetwork(name, start, end, before, total, &stopped);
            if (result == ProbeResult::FoundAndDone)
                return;
            continue;
        }

        // Even parity reaches the far end of a pseudo-terminal as none whatever is asked,
        // and asking for it fails (Invalid argument) when nothing else changes with it, as
        // on a port that a program left set up without closing it: it is asked for none,
        // the same line without the failure. Every parity is asked of the open port (see
        // setLineParity), not at the open, where odd would fail the same way.
        const bool pseudoTerminal = PortIdentity::isPseudoTerminal(name);

        bool portFailed = false;
        for (int pi = 0; pi < parities.size() && !portFailed && !stopped; ++pi) {
            const auto parity = QSerialPort::Parity(parities.at(pi));
            m_parity = int(parity);
            for (int bn = 0; bn < bauds.size(); ++bn) {
                const int bi = bauds.at(bn);
                const qint32 baud = BaudRates[std::size_t(bi)];
                if (port.isOpen())
                    closePort(port);
                port.setPortName(PortIdentity::serialPortName(name));
                port.setBaudRate(baud, QSerialPort::AllDirections);
                port.setDataBits(QSerialPort::Data8);
                port.setParity(QSerialPort::NoParity);
                port.setStopBits(QSerialPort::OneStop);
                qDebug() << "param " << name << baud << int(parity);

                if (!port.open(QIODevice::ReadWrite)
                    || !setLineParity(port, pseudoTerminal && parity == QSerialPort::EvenParity ? QSerialPort::NoParity
                                                                                                : parity)) {
                    emit sig_status(QStringLiteral("Scan error:\t %1,(%2 :%3)")
                                        .arg(name, QString::number(int(port.error())),
                                             port.errorString()));
                    portFailed = true;
                    break;
                }
                port.setDataTerminalReady(true);
                m_adapter.opened(name, port.handle());
                if (pi == 0 && bn == 0 && m_adapter.identity().kind != SerialAdapter::Kind::PseudoTerminal)
                    emit sig_status(QStringLiteral("Adapter:\t %1\t %2").arg(name, m_adapter.summary()));

                if (start > end)
                    continue;
                if (stopRequested()) {
                    stopped = true;
                    break;
                }

                const int wait = waitTime(bi);
                const qint64 comboStep = before + qint64(pi * bauds.size() + bn) * range;
                for (int id = start; id <= end; ++id) {
                    const qint64 step = comboStep + (id - start) + 1;
                    emit sig_search_process(QStringLiteral("id: %1 , BaudRate: %2, parity: %3")
                                                .arg(id)
                                                .arg(baud)
                                                .arg(parityName(parity)),
                                            int(step * 100 / total));
                    if (probe(port, name, id, wait) == ProbeResult::FoundAndDone)
                        return;
                    if (stopRequested()) {
                        stopped = true;
                        break;
                    }
                }
                if (stopped)
                    break;
            }
        }
    }

    if (port.isOpen())
        closePort(port);
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
    stampTraffic(f);
    f.direction = direction;
    f.server = quint8(request.at(0));
    f.function = quint8(request.at(1));
    f.address = quint8(request.at(2)) << 8 | quint8(request.at(3));
    f.count = quint16(quint8(request.at(4)) << 8 | quint8(request.at(5)));
    f.waitedMs = waitedMs;
    f.port = TrafficText::line(name, port.baudRate(), m_parity, int(port.stopBits()));
    f.bytes = bytes;
    emit sig_traffic(f);
}

// Every setting the sweep changed on the port goes back before it closes.
void Connectionfunc::closePort(QSerialPort &port)
{
    m_adapter.closing();
    port.close();
}

// A line that returns the request before the answer: the echo is set aside (and said once
// a port), and the answer behind it waited for when it has not come yet.
QByteArray Connectionfunc::withoutEcho(QSerialPort &port, const QString &name, const QByteArray &request,
                                       const QByteArray &bytes, int waitMs)
{
    AnswerAssembly got(request, false);
    got.add(bytes, 0);
    if (!got.echoed())
        return bytes;
    if (!m_echoTold) {
        m_echoTold = true;
        emit sig_status(QStringLiteral("Echo:\t %1").arg(name));
    }
    if (!got.answer().isEmpty())
        return got.answer();
    port.waitForReadyRead(waitMs);
    return readAnswer(port);
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
    answer = withoutEcho(port, name, request, answer, waitMs);

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
    answer = withoutEcho(port, name, identRequest, answer, waitMs);

    if (!acceptAnswer(answer, ModbusFrame::DeviceInfoCount))
        return ProbeResult::NextId;

    emit sig_status(QStringLiteral("Scaned a device in %1, Varified").arg(name));
    if (m_searchMode)
        closePort(port);
    const QStringList result{QStringLiteral("OK"),
                             name,
                             QString::number(port.baudRate()),
                             QString::number(m_parity),
                             QString::number(int(port.stopBits())),
                             QString::number(address)};
    emit sig_commu_para(result, ModbusFrame::identificationBlock(answer));
    return m_searchMode ? ProbeResult::FoundAndDone : ProbeResult::NextId;
}
