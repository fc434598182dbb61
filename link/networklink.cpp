#include "link/networklink.h"

#include "link/connectionform.h"
#include "link/modbusclient.h"
#include "link/modbusframe.h"
#include "link/portaddress.h"

#include <QThread>

#include <memory>

namespace {
// The polling engine waits this long for each answer; an answer later than that comes
// while the engine waits for the next one.
constexpr int EngineWaitMs = 220;
// What the wait for an answer leaves of it: the answer is handed on through the window's
// event loop, and the next request comes from the engine's thread.
constexpr int EngineMarginMs = 20;
// The window's wait for an answer unless the address gives one, as on a serial line.
constexpr int DefaultWaitMs = 150;
// A read of the longest block the engine polls and its answer (the feedback group, 14
// registers: 8 + 33 bytes), for the time on the device server's line.
constexpr int PolledFrameBytes = 8 + 33;
} // namespace

// The blocking master, in the link's thread.
class NetworkWorker : public QObject
{
    Q_OBJECT

public:
    explicit NetworkWorker(const TrafficTap *tap) : m_tap(tap) {}

public slots:
    void open(int generation, const QString &port, int answerWaitMs)
    {
        makeClient(answerWaitMs);
        LineSettings line;
        line.port = port;
        QString why;
        const bool ok = m_client->open(line, &why);
        if (!ok)
            m_client.reset();
        emit opened(generation, ok, why);
    }

    // A device of a gateway's bus: the lease, then the device's identification through it,
    // which the window takes as a search's.
    void openGateway(int generation, const LeaseTransport::Settings &settings)
    {
        makeClient(settings.answerWaitMs);
        QString why;
        bool ok = m_client->open(std::make_unique<LeaseTransport>(settings), &why);
        QByteArray block;
        if (ok) {
            const ModbusClient::Reply r = m_client->read(settings.id, ModbusFrame::DeviceInfoRegister,
                                                         ModbusFrame::DeviceInfoCount);
            for (quint16 v : r.values) {
                block.append(char(v >> 8));
                block.append(char(v & 0xFF));
            }
            ok = r.ok();
            why = ok ? QString() : tr("identification (0x0A00): %1").arg(r.errorText());
        }
        if (!ok)
            m_client.reset();
        emit identified(generation, block);
        emit opened(generation, ok, why);
    }

    void close() { m_client.reset(); }

    void read(int generation, quint8 slave, int address, quint16 count)
    {
        if (!m_client) {
            emit readDone(generation, QByteArray(), QStringLiteral("not connected"), false);
            return;
        }
        const ModbusClient::Reply r = m_client->read(slave, quint16(address), count);
        emit readDone(generation, r.ok() ? LinkText::readReplyBytes(address, count, r.values) : QByteArray(),
                      r.errorText(), unreachable(r));
    }

    void write(int generation, quint8 slave, int address, const QVector<quint16> &values)
    {
        if (!m_client) {
            emit writeDone(generation, int(NetworkLink::WriteOutcome::Failed), 0, QStringLiteral("not connected"), false);
            return;
        }
        const ModbusClient::Reply r = m_client->write(slave, quint16(address), values);
        const NetworkLink::WriteOutcome outcome = r.ok() ? NetworkLink::WriteOutcome::Done
                                                  : r.status == ModbusClient::Status::Exception
                                                      ? NetworkLink::WriteOutcome::Refused
                                                      : NetworkLink::WriteOutcome::Failed;
        emit writeDone(generation, int(outcome), r.exception, r.errorText(), unreachable(r));
    }

signals:
    void opened(int generation, bool ok, const QString &why);
    void identified(int generation, const QByteArray &block);
    void readDone(int generation, const QByteArray &reply, const QString &why, bool unreachable);
    void writeDone(int generation, int outcome, int exceptionCode, const QString &why, bool unreachable);
    void frame(const TrafficFrame &frame);

private:
    void makeClient(int answerWaitMs)
    {
        m_client = std::make_unique<ModbusClient>();
        m_client->setAttempts(1); // the engine asks again; a write it retries itself
        m_client->setAnswerWait(answerWaitMs);
        m_client->setFrameObserver([this](const TrafficFrame &f) {
            if (m_tap && m_tap->isListening())
                emit frame(f);
        });
    }

    static bool unreachable(const ModbusClient::Reply &r)
    {
        return r.status == ModbusClient::Status::Unreachable || r.status == ModbusClient::Status::ConnectionLost;
    }

    const TrafficTap *m_tap;
    std::unique_ptr<ModbusClient> m_client;
};

NetworkLink::NetworkLink(const TrafficTap *tap, QObject *parent) : QObject(parent)
{
    qRegisterMetaType<TrafficFrame>();
    qRegisterMetaType<QVector<quint16>>("QVector<quint16>");
    qRegisterMetaType<LeaseTransport::Settings>();
    m_thread = new QThread(this);
    m_thread->setObjectName(QStringLiteral("network link"));
    m_worker = new NetworkWorker(tap);
    m_worker->moveToThread(m_thread);
    connect(this, &NetworkLink::workerOpen, m_worker, &NetworkWorker::open);
    connect(this, &NetworkLink::workerOpenGateway, m_worker, &NetworkWorker::openGateway);
    connect(m_worker, &NetworkWorker::identified, this, [this](int generation, const QByteArray &block) {
        if (generation == m_generation)
            m_identification = block;
    });
    connect(this, &NetworkLink::workerClose, m_worker, &NetworkWorker::close);
    connect(this, &NetworkLink::workerRead, m_worker, &NetworkWorker::read);
    connect(this, &NetworkLink::workerWrite, m_worker, &NetworkWorker::write);
    connect(m_worker, &NetworkWorker::opened, this, &NetworkLink::onOpened);
    connect(m_worker, &NetworkWorker::readDone, this, &NetworkLink::onRead);
    connect(m_worker, &NetworkWorker::writeDone, this, &NetworkLink::onWrite);
    connect(m_worker, &NetworkWorker::frame, this, &NetworkLink::frame);
    m_thread->start();
}

NetworkLink::~NetworkLink()
{
    // The connection is closed in the thread that made it; then the thread ends.
    ++m_generation;
    QMetaObject::invokeMethod(m_worker, &NetworkWorker::close, Qt::BlockingQueuedConnection);
    m_thread->quit();
    m_thread->wait();
    delete m_worker;
}

int NetworkLink::windowAnswerWaitMs(const QString &port, QString *note)
{
    PortAddress address;
    PortAddresses::parse(port, &address, nullptr);
    const int line = address.downstreamBaud > 0
                         ? int(1000.0 * PolledFrameBytes * 10 / address.downstreamBaud + 2 * 1.75 + 0.5)
                         : 0;
    const int wanted = address.timeoutMs > 0 ? address.timeoutMs : DefaultWaitMs;
    const int room = qMax(10, EngineWaitMs - EngineMarginMs - line);
    if (note)
        note->clear();
    if (wanted <= room)
        return wanted;
    if (note && address.timeoutMs > 0)
        *note = tr("timeout=%1 is longer than the window's polling waits for an answer (%2 ms): "
                   "the window waits %3 ms")
                    .arg(address.timeoutMs)
                    .arg(EngineWaitMs)
                    .arg(room);
    return room;
}

void NetworkLink::setState(int state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}

void NetworkLink::open(const QString &port)
{
    close();
    m_port = port;
    m_unreachable = false;
    m_busy = false;
    ++m_generation;
    setState(1);
    emit workerOpen(m_generation, port, windowAnswerWaitMs(port, nullptr));
}

void NetworkLink::openGateway(const LeaseTransport::Settings &settings)
{
    close();
    m_port = settings.address.text();
    m_unreachable = false;
    m_busy = false;
    m_identification.clear();
    ++m_generation;
    setState(1);
    emit workerOpenGateway(m_generation, settings);
}

void NetworkLink::close()
{
    if (m_state == 0)
        return;
    ++m_generation; // what is still on its way belongs to the closed connection
    m_busy = false;
    setState(3);
    emit workerClose();
    setState(0);
}

bool NetworkLink::read(quint8 slave, int address, quint16 count)
{
    if (m_state != 2 || m_busy)
        return false;
    m_busy = true;
    emit workerRead(m_generation, slave, address, count);
    return true;
}

bool NetworkLink::write(quint8 slave, int address, const QVector<quint16> &values)
{
    if (m_state != 2 || m_busy)
        return false;
    m_busy = true;
    emit workerWrite(m_generation, slave, address, values);
    return true;
}

void NetworkLink::onOpened(int generation, bool ok, const QString &why)
{
    if (generation != m_generation)
        return;
    setState(ok ? 2 : 0);
    emit opened(ok, why);
}

void NetworkLink::noteReach(bool unreachable, const QString &why)
{
    if (unreachable == m_unreachable)
        return;
    m_unreachable = unreachable;
    emit reachability(unreachable ? why : QString());
}

void NetworkLink::onRead(int generation, const QByteArray &reply, const QString &why, bool unreachable)
{
    if (generation != m_generation)
        return;
    m_busy = false;
    // A device that answers, or one that does not behind a reachable server, tells that
    // the server is there.
    noteReach(unreachable, why);
    emit readDone(reply, reply.isEmpty() ? why : QString());
}

void NetworkLink::onWrite(int generation, int outcome, int exceptionCode, const QString &why, bool unreachable)
{
    if (generation != m_generation)
        return;
    m_busy = false;
    noteReach(unreachable, why);
    emit writeDone(WriteOutcome(outcome), exceptionCode, outcome == int(WriteOutcome::Done) ? QString() : why);
}

#include "networklink.moc"
