#pragma once

#include <QByteArray>
#include <QPair>
#include <QString>
#include <QVector>

// One message of the gateways' topics on the broker, read into plain values: what it is
// about (a gateway, a bus, a device) and what it says. Everything here comes from the
// broker and is untrusted: a message that does not read as the gateway writes it is
// `Ignored` with the reason, texts are cut to a sensible length and freed of control
// characters, lists are bounded. Pure and thread-safe: the broker's thread reads each
// message here before the window sees it.
namespace LineTopic {
// What the Line view subscribes to.
constexpr const char *Subscription = "grivant/#";
constexpr int MaxTopicBytes = 1024;
constexpr int MaxPayloadBytes = 64 * 1024;
constexpr int MaxTextLength = 128;   // a name, a model, a version
constexpr int MaxParameters = 256;
constexpr int MaxValues = 32;        // the values of one state
} // namespace LineTopic

enum class Presence { Unknown, Online, Offline, Leased };
enum class Family { Unknown, Gripper, Rotary, Module };

// Why a message was not taken.
enum class LineProblem {
    None,
    NotOurs,        // a topic of the gateways the Line view does not show (set, result, a lease's)
    UnknownTopic,   // under grivant/ but of another shape or leaf
    TooLarge,
    NotJson,
    NotAnObject,
    UnknownWord,    // a status or availability other than online, offline (leased)
    BadId,
};

// One value of a state: a quantity with its unit, or a state with its meaning.
struct LineValue
{
    QString key;
    double value = 0;
    bool hasValue = false;
    QString unit;
    QString text;
    bool fault = false;
};

struct DeviceIdentity
{
    qint64 timeMs = -1; // when it was identified, ms since the epoch (UTC); -1: not given
    QString modelName;
    QString modelCode;
    QString modelKey;
    Family family = Family::Unknown;
    QString hardware;
    QString software;
    QString uniqueId;
    QString port;
    QString line;
    struct Parameter
    {
        QString address;
        QString name;
        double value = 0;
        bool hasValue = false;
    };
    QVector<Parameter> parameters;
    int parametersLeftOut = 0; // beyond the bound
    bool diagnosis = false;    // its gateway lends it to a client on request
};

struct DeviceReading
{
    qint64 timeMs = -1;      // when the device answered; -1: not given
    bool fault = false;
    // Initialisation and the grip or motion state: the register values (-1 when absent).
    qint64 initialisation = -1;
    qint64 state = -1;
    bool motionState = false; // a linear module's motion state rather than a grip state
    bool hasPosition = false;
    double position = 0;
    QString positionUnit;
    bool hasCurrent = false;
    double current = 0;
    bool hasErrorCode = false;
    qint64 errorCode = 0;
    QVector<LineValue> values; // everything the state holds, in its order
};

// How well a device is polled, as its gateway measures it over a stats period (-1: not
// given, or null).
struct DeviceHealth
{
    bool known = false;
    double periodMs = -1;      // the period it is to be polled at; 0: as fast as the line goes
    double intervalP50Ms = -1; // the achieved poll interval
    double intervalP95Ms = -1;
    bool late = false;         // its median interval passed 1.1 times its period
    double polls = -1;
    double failures = -1;
    double timeouts = -1;
    double crcErrors = -1;
    double exceptions = -1;
};

// One bus in a gateway's stats.
struct BusFigures
{
    QString name;
    QString port;
    QString line;
    int devices = -1;
    int online = -1;
    double pollsPerSecond = -1;
    double lineShare = -1;
    double seconds = -1;
    double failures = -1;
    double timeouts = -1;
    double exceptions = -1;
    double idleShare = -1;
    QVector<QPair<int, DeviceHealth>> health; // by ID
};

struct LineMessage
{
    enum class Kind { Ignored, Status, Stats, Info, State, Availability, Health, Holder };
    Kind kind = Kind::Ignored;
    LineProblem problem = LineProblem::None;
    QString topic; // as it came, cut to a sensible length: for the operator, never a format

    QString gateway;
    QString bus;
    int id = 0;
    bool retained = false;
    bool cleared = false; // an empty payload: the retained topic was cleared

    Presence presence = Presence::Unknown; // Status, Availability
    qint64 timeMs = -1;                    // Stats: its time
    double uptimeSeconds = -1;             // Stats
    QVector<BusFigures> buses;             // Stats
    int busesLeftOut = 0;
    DeviceIdentity identity;               // Info
    DeviceReading reading;                 // State
    DeviceHealth health;                   // Health
    QString holder;                        // Holder: who holds the device's lease
    qint64 holderSinceMs = -1;
};

namespace LineMessages {

LineMessage read(const QString &topic, const QByteArray &payload, bool retained);

// "2026-12-07T11:21:35.123Z" (or any ISO 8601 time Qt reads) as ms since the epoch; -1
// when it is none.
qint64 timeFromText(const QString &text);

// A text from the broker fit to show in one line of a table: at most `length` characters,
// control characters as \xNN.
QString displayText(const QString &text, int length = LineTopic::MaxTextLength);

} // namespace LineMessages
