// Messages of a lease as they come from the broker, and gateway addresses as an operator
// types them: any bytes parse without harm, and whatever parses is within the protocol's
// bounds and reads back the same once written out again.
#include "link/leaseprotocol.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 2 * LeaseProtocol::MaxPayloadBytes)
        return 0;
    const QByteArray payload(reinterpret_cast<const char *>(data), int(size));
    QString why;

    LeaseProtocol::LeaseMessage lease;
    if (LeaseProtocol::parseLease(payload, &lease, &why)) {
        if (!LeaseProtocol::isSession(lease.session) || lease.holder.size() > LeaseProtocol::MaxHolderChars
            || LeaseProtocol::sanitiseHolder(lease.holder) != lease.holder)
            std::abort();
    }
    LeaseProtocol::Request request;
    if (LeaseProtocol::parseRequest(payload, &request, &why)) {
        (void)LeaseProtocol::checkPdu(request.pdu);
        LeaseProtocol::Request again;
        if (!LeaseProtocol::parseRequest(LeaseProtocol::request(request), &again, &why) || again.pdu != request.pdu
            || again.seq != request.seq || again.waitMs != request.waitMs)
            std::abort();
    }
    LeaseProtocol::Answer answer;
    if (LeaseProtocol::parseAnswer(payload, &answer, &why) && answer.detail.size() > 1000)
        std::abort();
    (void)LeaseProtocol::checkPdu(payload);
    (void)LeaseProtocol::sessionOf(payload);

    LeaseProtocol::Address address;
    if (LeaseProtocol::parseAddress(QString::fromUtf8(payload), &address, &why)) {
        LeaseProtocol::Address again;
        if (!LeaseProtocol::parseAddress(address.text(), &again, &why) || again.text() != address.text())
            std::abort();
    }
    return 0;
}
