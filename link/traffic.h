#pragma once

#include <QObject>
#include <QByteArray>
#include <QCoreApplication>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVector>
#include <atomic>
#include <vector>

class QModbusPdu;

// One frame of the line as the traffic monitor keeps it.
struct TrafficFrame
{
    enum Direction { Sent, Received, NoAnswer };

    qint64 time = 0;             // milliseconds since the epoch
    qint64 timeUs = 0;           // the same in microseconds; 0 from a reporter that has none
    Direction direction = Sent;
    // The request a frame belongs to: for a reply its start register is not in the frame,
    // and a missing answer has no frame at all.
    quint8 server = 0;
    quint8 function = 0;
    qint32 address = -1;         // first register, -1 when unknown
    quint16 count = 0;           // registers
    qint32 waitedMs = 0;         // NoAnswer: how long the master waited
    QString port;                // port and line settings, e.g. "COM3 115200 8N1"
    QByteArray bytes;            // address .. CRC, as on the wire; empty for NoAnswer
    QString note;                // NoAnswer for another reason than a time-out
};
Q_DECLARE_METATYPE(TrafficFrame)

// Stamps a frame with the time now, in milliseconds and in microseconds since the epoch.
void stampTraffic(TrafficFrame &frame);

// Modbus-RTU frames (ADUs): server address, PDU, CRC low byte first. The Qt master hands
// out neither the bytes it sends nor those it receives, so the link rebuilds both from the
// PDU, the server address and the CRC; the scanner's frames are raw already.
namespace TrafficAdu {
QByteArray frame(quint8 server, quint8 function, const QByteArray &data);
QByteArray readRequest(quint8 server, quint16 start, quint16 count);
// The Qt master writes one register with function 0x06 and more with 0x10.
QByteArray writeRequest(quint8 server, quint16 start, const QVector<quint16> &values);
// An answer the master received; an exception answer keeps its exception bit.
QByteArray response(quint8 server, const QModbusPdu &pdu);
} // namespace TrafficAdu

// What a frame says, taken apart without any text.
struct TrafficDecoded
{
    enum Kind {
        NoAnswer,
        ReadRequest,        // start, count
        ReadReply,          // values (start from the request)
        WriteSingle,        // start, one value: request and its echo alike
        WriteMultiple,      // start, count, values
        WriteMultipleReply, // start, count
        Exception,          // exceptionCode
        OtherFunction,
        Malformed,          // too short, or the wrong length for its function
    };
    enum Crc { CrcNone, CrcGood, CrcBad };

    Kind kind = Malformed;
    int server = -1;
    int function = -1;   // without the exception bit
    int exceptionCode = 0;
    int address = -1;
    int count = 0;
    QVector<quint16> values;
    Crc crc = CrcNone;
    quint16 expectedCrc = 0;

    bool isError() const
    {
        return kind == NoAnswer || kind == Exception || kind == Malformed || crc == CrcBad;
    }
    // Whether the registers this frame touches include `reg`.
    bool touches(int reg) const;
};

TrafficDecoded decodeTraffic(const TrafficFrame &frame);

// The monitor's texts for a frame, in the language of the installed translator.
class TrafficText
{
    Q_DECLARE_TR_FUNCTIONS(TrafficText)

public:
    static QString time(qint64 msecsSinceEpoch, bool withDate);
    static QString direction(TrafficFrame::Direction direction);
    static QString hex(const QByteArray &bytes);
    static QString decoded(const TrafficFrame &frame);
    static QString exceptionName(int code);
    // The note of a request whose only answer was a late one to an earlier request.
    static QString staleAnswer(const QByteArray &answer);
    // "COM3 115200 8N1": port, baud rate, 8 data bits, parity (Qt number), stop bits; a
    // network port's address as it stands.
    static QString line(const QString &port, int baudRate, int parity, int stopBits);
    static QString csvField(const QString &field);
};

// Which frames the monitor shows: every condition that is set must hold.
struct TrafficFilter
{
    enum Function { AnyFunction = -1, ErrorsOnly = -2 };

    int server = -1;          // -1: any
    int function = AnyFunction;
    int address = -1;         // -1: any; else a register the frame's request touches

    bool isEmpty() const { return server < 0 && function == AnyFunction && address < 0; }
    bool matches(const TrafficFrame &frame) const;
    // "" gives -1; decimal, or hexadecimal after "0x"; false for anything else or out of range.
    static bool parseNumber(const QString &text, int maximum, int *value);
};

// A fixed number of frames; the oldest goes when a new one comes. Frames are numbered in
// arrival order from 0, so a reader can tell which ones it has not seen.
class TrafficRing
{
public:
    explicit TrafficRing(int capacity);

    int capacity() const { return m_capacity; }
    int size() const;
    quint64 firstSeq() const { return m_next - quint64(size()); }
    quint64 nextSeq() const { return m_next; }
    quint64 dropped() const { return firstSeq() - m_clearedAt; }
    bool contains(quint64 seq) const { return seq >= firstSeq() && seq < m_next; }

    void append(TrafficFrame frame);
    const TrafficFrame &at(quint64 seq) const;
    void clear();

private:
    int m_capacity;
    std::vector<TrafficFrame> m_frames;  // grows to the capacity, then wraps
    quint64 m_next = 0;
    quint64 m_clearedAt = 0;
};

// Where the link and the scanner hand their frames. Nobody pays for frames while nobody
// listens: the reporters look at one flag first, readable from any thread.
class TrafficTap : public QObject
{
    Q_OBJECT

public:
    // Frames kept for a reader that has not taken them yet, and by the monitor's ring.
    static constexpr int DefaultCapacity = 100000;

    explicit TrafficTap(QObject *parent = nullptr);

    bool isListening() const
    {
        return m_listening.load(std::memory_order_relaxed) || m_recording.load(std::memory_order_relaxed);
    }
    // The monitor takes frames from the queue; a recording gets each one as it comes.
    void setListening(bool on);
    void setRecording(bool on);
    // Frames that came in since the last call, oldest first; at most the ring's worth.
    QVector<TrafficFrame> take();

public slots:
    void add(const TrafficFrame &frame);

signals:
    void recorded(const TrafficFrame &frame);

private:
    std::atomic_bool m_listening{false};
    std::atomic_bool m_recording{false};
    QVector<TrafficFrame> m_pending;
};
