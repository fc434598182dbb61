// A device lent to a client for diagnosis: the lease taken and let go, its end by itself,
// and the client's requests carried to the device between the polls of the others.
#include "gateway/busworker.h"

#include "gateway/payloads.h"
#include "link/modbusframe.h"

#include <algorithm>
#include <limits>

using LeaseProtocol::Answer;

namespace {
// Takes and releases waiting for the worker at most: far more than clients ask at once.
constexpr size_t MaxLeaseMessages = 64;
} // namespace

BusWorker::Device *BusWorker::device(int id)
{
    auto it = std::find_if(m_devices.begin(), m_devices.end(), [id](const Device &d) { return d.id == id; });
    return it == m_devices.end() ? nullptr : &*it;
}

void BusWorker::answer(int id, const Answer &a)
{
    m_out.publishAnswer(topic(id, LeaseProtocol::AnswerLevel), LeaseProtocol::answer(a));
}

void BusWorker::answerRequest(int id, const LeaseProtocol::Request &request, const char *error, const QString &detail)
{
    Answer a;
    a.kind = Answer::Kind::Error;
    a.session = request.session;
    a.seq = request.seq;
    a.error = QLatin1String(error);
    a.detail = detail;
    answer(id, a);
}

void BusWorker::submitLease(int id, const LeaseProtocol::LeaseMessage &message)
{
    QString refusal;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stop)
            refusal = QStringLiteral("the gateway is ending");
        else if (m_leaseMessages.size() >= MaxLeaseMessages)
            refusal = QStringLiteral("too many lease messages at once on bus %1; ask again").arg(m_bus.name);
        else
            m_leaseMessages.push_back({id, message, {}, nowMs()});
    }
    if (refusal.isEmpty()) {
        m_wake.notify_all();
    } else if (message.op == LeaseProtocol::LeaseMessage::Op::Take) {
        Answer a;
        a.kind = Answer::Kind::Refused;
        a.session = message.session;
        a.detail = refusal;
        answer(id, a);
    }
}

void BusWorker::submitLeaseRequest(int id, const LeaseProtocol::Request &request)
{
    QString refusal;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_figures.leaseRequests += 1;
        const auto lease = m_leases.find(id);
        if (m_stop) {
            refusal = QStringLiteral("the gateway is ending");
        } else if (lease == m_leases.end()) {
            refusal = QStringLiteral("ID %1 on bus %2 is not leased: take its lease first").arg(QString::number(id), m_bus.name);
        } else if (lease->second.session != request.session) {
            refusal = QStringLiteral("ID %1 on bus %2 is leased by %3").arg(QString::number(id), m_bus.name, lease->second.holder);
        } else if (lease->second.anySeq && lease->second.lastSeq == request.seq) {
            return; // the broker handed the same request over again
        } else if (lease->second.busy) {
            refusal = QStringLiteral("one request at a time: request %1 has no answer yet").arg(lease->second.lastSeq);
        } else {
            refusal = LeaseProtocol::checkPdu(request.pdu);
            if (refusal.isEmpty()) {
                lease->second.busy = true;
                lease->second.anySeq = true;
                lease->second.lastSeq = request.seq;
                lease->second.usedMs = nowMs();
                m_leaseRequests.push_back({id, {}, request, nowMs()});
            }
        }
    }
    if (refusal.isEmpty())
        m_wake.notify_all();
    else
        answerRequest(id, request, LeaseProtocol::NotSent, refusal + QStringLiteral("; not sent"));
}

bool BusWorker::leaseRequestWaiting()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return !m_leaseRequests.empty();
}

qint64 BusWorker::nextLeaseExpiryMs()
{
    const qint64 expiry = qint64(m_config.leaseExpirySeconds) * 1000;
    std::lock_guard<std::mutex> lock(m_mutex);
    qint64 next = std::numeric_limits<qint64>::max();
    for (const auto &entry : m_leases)
        next = std::min(next, entry.second.usedMs + expiry);
    return next;
}

void BusWorker::handleLeaseWork()
{
    for (;;) {
        LeaseWork work;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_leaseMessages.empty())
                break;
            work = m_leaseMessages.front();
            m_leaseMessages.pop_front();
        }
        const LeaseProtocol::LeaseMessage &m = work.message;
        QString heldBy;
        bool ours = false;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            const auto lease = m_leases.find(work.id);
            if (lease != m_leases.end()) {
                ours = lease->second.session == m.session;
                heldBy = QStringLiteral("%1 since %2").arg(lease->second.holder, Payloads::timeText(lease->second.since));
                if (ours)
                    lease->second.usedMs = nowMs();
            }
        }
        if (m.op == LeaseProtocol::LeaseMessage::Op::Release) {
            if (ours)
                endLease(work.id, m.will ? QStringLiteral("its holder's connection ended") : QStringLiteral("let go by its holder"),
                         !m.will);
            continue;
        }
        Answer a;
        a.session = m.session;
        a.kind = Answer::Kind::Refused;
        Device *d = device(work.id);
        if (ours) {
            // Asked again by its holder: still granted.
            a.kind = Answer::Kind::Granted;
            a.expirySeconds = m_config.leaseExpirySeconds;
            a.line = lineSettingsText(m_bus.line);
        } else if (!heldBy.isEmpty()) {
            a.detail = QStringLiteral("ID %1 on bus %2 is leased by %3").arg(QString::number(work.id), m_bus.name, heldBy);
        } else if (!d) {
            a.detail = QStringLiteral("bus %1 has no device with ID %2").arg(m_bus.name, QString::number(work.id));
        } else if (d->status != Device::Status::Online) {
            a.detail = QStringLiteral("ID %1 on bus %2 is %3").arg(QString::number(work.id), m_bus.name,
                                                                  d->status == Device::Status::Offline
                                                                      ? QStringLiteral("offline")
                                                                      : QStringLiteral("not identified yet"));
        } else {
            take(*d, work);
            continue;
        }
        answer(work.id, a);
    }

    // A lease whose client has asked nothing for its time ends by itself.
    const qint64 now = nowMs();
    const qint64 expiry = qint64(m_config.leaseExpirySeconds) * 1000;
    QVector<int> expired;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto &entry : m_leases)
            if (!entry.second.busy && now - entry.second.usedMs >= expiry)
                expired << entry.first;
    }
    for (int id : expired)
        endLease(id, QStringLiteral("nothing was asked of it for %1 s").arg(m_config.leaseExpirySeconds), true);
}

void BusWorker::take(Device &d, const LeaseWork &work)
{
    const QDateTime since = QDateTime::currentDateTimeUtc();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        Lease &lease = m_leases[d.id];
        lease.session = work.message.session;
        lease.holder = work.message.holder;
        lease.since = since;
        lease.usedMs = nowMs();
        healthOf(d.id).leased = true;
        healthOf(d.id).online = false;
    }
    d.status = Device::Status::Leased;
    d.lastPollMs = -1;
    m_onlineCount = int(std::count_if(m_devices.cbegin(), m_devices.cend(),
                                      [](const Device &x) { return x.status == Device::Status::Online; }));
    m_out.log(QStringLiteral("bus %1 ID %2: leased to %3 for diagnosis; not polled until the lease ends")
                  .arg(m_bus.name, QString::number(d.id), work.message.holder));
    m_out.publishRetained(topic(d.id, "availability"), QByteArrayLiteral("leased"), 1);
    m_out.publishRetained(topic(d.id, LeaseProtocol::HolderLevel),
                          LeaseProtocol::holder(work.message.holder, Payloads::timeText(since), m_config.leaseExpirySeconds), 1);
    Answer a;
    a.kind = Answer::Kind::Granted;
    a.session = work.message.session;
    a.expirySeconds = m_config.leaseExpirySeconds;
    a.line = lineSettingsText(m_bus.line);
    answer(d.id, a);
}

void BusWorker::endLease(int id, const QString &why, bool tellClient)
{
    Lease ended;
    std::deque<LeaseWork> dropped;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto lease = m_leases.find(id);
        if (lease == m_leases.end())
            return;
        ended = lease->second;
        m_leases.erase(lease);
        healthOf(id).leased = false;
        for (auto it = m_leaseRequests.begin(); it != m_leaseRequests.end();) {
            if (it->id == id) {
                dropped.push_back(*it);
                it = m_leaseRequests.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const LeaseWork &w : dropped)
        answerRequest(id, w.request, LeaseProtocol::NotSent, QStringLiteral("the lease ended (%1); not sent").arg(why));
    m_out.log(QStringLiteral("bus %1 ID %2: the lease of %3 ended: %4; identifying it again")
                  .arg(m_bus.name, QString::number(id), ended.holder, why));
    // Back to the gateway: online, as it answered through the lease, and identified again
    // before it is polled (its parameters may have changed); offline after three failures.
    if (Device *d = device(id)) {
        d->identified = false;
        d->failures = 0;
        d->pauseStep = 0;
        d->dueMs = nowMs();
        d->lastState.clear();
        setAvailability(*d, true);
    }
    m_out.publishRetained(topic(id, LeaseProtocol::HolderLevel), QByteArray(), 1);
    if (tellClient) {
        Answer a;
        a.kind = Answer::Kind::Ended;
        a.session = ended.session;
        a.detail = QStringLiteral("the lease of ID %1 on bus %2 ended: %3").arg(QString::number(id), m_bus.name, why);
        answer(id, a);
    }
}

void BusWorker::endAllLeases(const QString &why)
{
    QVector<int> ids;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const auto &entry : m_leases)
            ids << entry.first;
    }
    for (int id : ids)
        endLease(id, why, true);
}

void BusWorker::refuseLeaseRequests(const QString &why)
{
    std::deque<LeaseWork> refused;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        refused.swap(m_leaseRequests);
        for (auto &entry : m_leases)
            entry.second.busy = false;
    }
    for (const LeaseWork &w : refused)
        answerRequest(w.id, w.request, LeaseProtocol::NotSent, why + QStringLiteral("; not sent"));
}

void BusWorker::carryLeaseRequest()
{
    LeaseWork w;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_leaseRequests.empty())
            return;
        w = m_leaseRequests.front();
        m_leaseRequests.pop_front();
    }
    const LeaseProtocol::Request &r = w.request;
    const auto done = [this, &w] {
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto lease = m_leases.find(w.id);
        if (lease != m_leases.end() && lease->second.session == w.request.session) {
            lease->second.busy = false;
            lease->second.usedMs = nowMs();
        }
    };
    // The client has given up on a request that waited longer than it waits: sent now, a
    // write would be carried out after the client was told it had no answer.
    const qint64 waited = nowMs() - w.receivedMs;
    if (waited > r.waitMs) {
        done();
        answerRequest(w.id, r, LeaseProtocol::NotSent,
                      QStringLiteral("it waited %1 ms for its turn on the line, longer than its client waits (%2 ms); not sent")
                          .arg(QString::number(waited), QString::number(r.waitMs)));
        return;
    }
    waitForSilence();
    QByteArray answerPdu;
    const ModbusClient::Reply reply = m_client->pass(w.id, r.pdu, &answerPdu);
    const int requestBytes = r.pdu.size() + 3;
    const int answerBytes = answerPdu.isEmpty() ? 0 : answerPdu.size() + 3;
    account(w.id, requestBytes, answerBytes, reply.status, Kind::Lease);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        healthOf(w.id).leaseRequests += 1;
    }
    done();
    if (reply.ok() || reply.status == ModbusClient::Status::Exception) {
        Answer a;
        a.kind = Answer::Kind::Pdu;
        a.session = r.session;
        a.seq = r.seq;
        a.pdu = answerPdu;
        answer(w.id, a);
        return;
    }
    const char *error = LeaseProtocol::NotSent;
    switch (reply.status) {
    case ModbusClient::Status::NoAnswer:
    case ModbusClient::Status::ConnectionLost: // it went out: the device may have it
        error = LeaseProtocol::NoAnswer;
        break;
    case ModbusClient::Status::BadAnswer:
        error = LeaseProtocol::Garbled;
        break;
    default:
        break;
    }
    answerRequest(w.id, r, error,
                  QStringLiteral("ID %1 on bus %2: %3").arg(QString::number(w.id), m_bus.name, reply.errorText()));
}
