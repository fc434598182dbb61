#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// A device of a gateway's bus lent to one client for diagnosis, over the broker: the
// messages both sides send and how each side reads what the other sent. Plain values, no
// connection: the gateway and the clients (grivantctl, the window) share it, and tests and
// the fuzz target call it directly. docs/mqtt.md describes the topics and payloads.
//
// Under a device's topic grivant/GATEWAY/BUS/ID/:
//   lease    (to the gateway)  {"op":"take","session":S,"holder":"ana@bench-3"},
//                              {"op":"release","session":S} (also the client's last will)
//   request  (to the gateway)  {"session":S,"seq":N,"pdu":"0302000010","wait":1000}
//   answer   (from it)         {"session":S,"seq":N,"pdu":"0320..."}, or with "error" and
//                              "detail"; to a lease message {"session":S,"lease":"granted"|
//                              "refused"|"ended","detail":...}
//   holder   (from it, retained) {"holder":...,"since":...,"expiry":600} while leased
// A request carries a Modbus PDU (function code and data, no address, no CRC) in
// hexadecimal: the ID is the topic's. Only what the gateway sends itself is carried: reads
// of holding registers (0x03) and writes of one register or several (0x06, 0x10).
namespace LeaseProtocol {

// Far above any message of the protocol (the longest request, a write of 123 registers, is
// some 600 bytes), far below what would hurt to parse.
constexpr int MaxPayloadBytes = 4096;
// A client's own name for itself, as others are told it.
constexpr int MaxHolderChars = 64;
// What a client waits for an answer at most, and by default.
constexpr int MinWaitMs = 10;
constexpr int MaxWaitMs = 60000;
constexpr int DefaultWaitMs = 1000;
// Topic levels of a device's lease.
constexpr const char *LeaseLevel = "lease";
constexpr const char *RequestLevel = "request";
constexpr const char *AnswerLevel = "answer";
constexpr const char *HolderLevel = "holder";

struct LeaseMessage
{
    enum class Op { Take, Release };
    Op op = Op::Take;
    QString session;
    QString holder; // take only; sanitised
    bool will = false; // a release the broker published for a client that went away
};

struct Request
{
    QString session;
    quint32 seq = 0;
    QByteArray pdu;
    int waitMs = DefaultWaitMs;
};

struct Answer
{
    enum class Kind {
        Pdu,     // the device's answer to request `seq`: a normal or an exception answer
        Error,   // request `seq` has no answer of the device: `error` and `detail` say why
        Granted, // the lease is the session's (again, when it asked again)
        Refused, // the lease is not the session's: `detail` says why
        Ended,   // the lease ended: let go, expired, or the gateway ending
    };
    Kind kind = Kind::Pdu;
    QString session;
    quint32 seq = 0;       // Pdu and Error
    QByteArray pdu;        // Pdu
    QString error;         // Error: one of the Error* texts below
    QString detail;        // Error, Refused, Ended: a sentence for the operator
    int expirySeconds = 0; // Granted: the lease ends this long after its last request
    QString line;          // Granted: the bus's line, "115200 8N1"
};

// Error codes of an answer without the device's: no answer, a garbled one, refused before
// the wire (not sent), or the bus's port not there (not sent).
extern const char *const NoAnswer;
extern const char *const Garbled;
extern const char *const NotSent;

// A session names one connection of a client: 8 to 64 letters, digits, '_' and '-'.
bool isSession(const QString &text);
// A new session, 32 hexadecimal digits from the system's random source.
QString newSession();
// A holder name as others may be shown it: letters, digits, spaces and "@._-+:" kept,
// anything else '_', at most MaxHolderChars; "unnamed" when nothing is left.
QString sanitiseHolder(const QString &text);

QByteArray leaseMessage(const LeaseMessage &message);
QByteArray request(const Request &request);
QByteArray answer(const Answer &answer);
QByteArray holder(const QString &holder, const QString &sinceUtc, int expirySeconds);

// Each reads a message from the broker, untrusted: false, with why in a sentence, for
// anything but a well-formed message of its kind within the bounds above. What could be
// read of a broken message's session is left in `session` so that the refusal reaches it.
bool parseLease(const QByteArray &payload, LeaseMessage *message, QString *why);
bool parseRequest(const QByteArray &payload, Request *request, QString *why);
bool parseAnswer(const QByteArray &payload, Answer *answer, QString *why);
QString sessionOf(const QByteArray &payload);

// Whether a lease may carry this PDU: empty when it may, else why not. Reads of 1 to 125
// registers (0x03), a write of one (0x06) or of 1 to 123 (0x10) with a byte count that
// fits; never the line settings 0x0302 to 0x0305, which would take the device off the
// gateway's bus.
QString checkPdu(const QByteArray &pdu);

// mqtt://BROKER[:PORT]/GATEWAY/BUS: a gateway's bus, reached through a broker.
struct Address
{
    QString host;   // IPv6 without brackets
    int port = 0;   // 0: the default, 1883 (8883 with TLS)
    QString gateway;
    QString bus;
    QString text() const; // written out again, the port only when given
};
bool looksLikeAddress(const QString &text);
bool parseAddress(const QString &text, Address *address, QString *why);

// grivant/GATEWAY/BUS/ID/LEVEL
QString topic(const QString &gateway, const QString &bus, int id, const char *level);

} // namespace LeaseProtocol
