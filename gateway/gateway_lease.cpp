// Lease messages and requests of leases from the broker: judged as far as the topic and the
// message go, then handed to the worker of the device's bus.
#include "gateway/gateway.h"

#include "gateway/setcommand.h"

#include <QStringList>

using LeaseProtocol::Answer;

// In the broker connection's thread: grivant/NAME/BUS/ID/lease and .../request.
void Gateway::onLease(const QStringList &levels, const QByteArray &payload, bool retained)
{
    // An empty message is how a retained one is cleared from the broker: nothing to answer.
    if (payload.isEmpty())
        return;
    const bool isRequest = levels.at(4) == QLatin1String(LeaseProtocol::RequestLevel);
    // The answer goes beside the message, whatever its levels say.
    const QString answerTopic =
        QStringList(levels.mid(0, 4)).join(QLatin1Char('/')) + QLatin1Char('/') + QLatin1String(LeaseProtocol::AnswerLevel);
    LeaseProtocol::LeaseMessage lease;
    LeaseProtocol::Request request;
    QString wrong;
    const bool parsed = isRequest ? LeaseProtocol::parseRequest(payload, &request, &wrong)
                                  : LeaseProtocol::parseLease(payload, &lease, &wrong);
    const auto refuse = [&](const QString &why) {
        Answer a;
        a.session = parsed ? (isRequest ? request.session : lease.session) : LeaseProtocol::sessionOf(payload);
        if (isRequest) {
            a.kind = Answer::Kind::Error;
            a.seq = request.seq;
            a.error = QLatin1String(LeaseProtocol::NotSent);
            a.detail = why + QStringLiteral("; not sent");
        } else {
            a.kind = Answer::Kind::Refused;
            a.detail = why;
        }
        publishAnswer(answerTopic, LeaseProtocol::answer(a));
    };
    // A release nobody waits for an answer to: the broker's last will of a client, say.
    const bool release = parsed && !isRequest && lease.op == LeaseProtocol::LeaseMessage::Op::Release;
    if (retained) {
        if (!release)
            refuse(QStringLiteral("a retained %1 is not taken: the broker would hand it over again at every "
                                  "connection; publish it without retain")
                       .arg(isRequest ? QStringLiteral("request") : QStringLiteral("lease message")));
        return;
    }
    if (!m_config.allowDiagnosis) {
        if (!release)
            refuse(QStringLiteral("gateway %1 lends no device: diagnosis is off (allow_diagnosis = yes, or "
                                  "--allow-diagnosis, turns it on)")
                       .arg(m_config.name));
        return;
    }
    if (!parsed) {
        refuse(wrong);
        return;
    }
    int id = 0;
    if (!SetCommand::parseDeviceId(levels.at(3), &id)) {
        refuse(QStringLiteral("\"%1\" is not a device ID: IDs are 1 to 247, written without a sign, a leading zero "
                              "or a fraction")
                   .arg(levels.at(3).left(20)));
        return;
    }
    for (auto &worker : m_workers) {
        if (worker->name() == levels.at(2)) {
            if (isRequest)
                worker->submitLeaseRequest(id, request);
            else
                worker->submitLease(id, lease);
            return;
        }
    }
    if (!release)
        refuse(QStringLiteral("gateway %1 has no bus %2").arg(m_config.name, levels.at(2).left(100)));
}
