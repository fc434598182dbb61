#pragma once

#include "lineview/linemessage.h"

#include <QHash>
#include <QString>
#include <QVector>

// The picture of a whole line that the gateways keep on the broker: every gateway, every bus
// and every device, built from the messages read by LineMessages and nothing else. Devices
// keep their row, in the order first seen, for as long as the broker has anything of them
// (offline included); a device whose topics were all cleared leaves. The table is bounded:
// messages of devices, buses or gateways beyond the bounds are counted and dropped, so
// that a flood of names costs bounded memory. No widgets; the window and the tests read it
// the same way.
class LineState
{
public:
    static constexpr int MaxDevices = 5000;
    static constexpr int MaxGateways = 256;
    static constexpr int MaxBuses = 2048;
    // The curves of each device: the last five minutes, a sample at most every 250 ms.
    static constexpr qint64 HistoryMs = 5 * 60 * 1000;
    static constexpr qint64 HistorySpacingMs = 250;

    // NaN where the state had no such value.
    struct Sample
    {
        qint64 ms = 0; // wall time, ms since the epoch
        float position = 0;
        float current = 0;
    };
    static constexpr int HistoryCapacity = 1600;

    // The samples of one device, oldest first. A value that held for a while is kept even
    // when it came less than the spacing after the one before, so that a curve does not
    // skip the place where a move ended.
    class History
    {
    public:
        void add(const Sample &sample);
        QVector<Sample> since(qint64 ms) const; // with the latest sample, stored or not
        int size() const { return m_ring.size(); }

    private:
        void store(const Sample &sample);
        QVector<Sample> m_ring;
        int m_start = 0;
        Sample m_last;
        bool m_hasLast = false;
        bool m_lastStored = false;
    };

    struct Gateway
    {
        QString name;
        Presence status = Presence::Unknown;
        // Since when it has its status, ms since the epoch; -1 when it was known from a
        // retained message only (it held before the Line view connected).
        qint64 sinceMs = -1;
        qint64 statsReceivedMs = -1;
        double uptimeSeconds = -1;
    };

    struct Bus
    {
        QString gateway;
        QString name;
        bool hasFigures = false;
        BusFigures figures;
        qint64 figuresReceivedMs = -1;
        // Failed transactions a minute over the last stats period; -1 when not known.
        double failuresPerMinute() const;
    };

    struct Device
    {
        QString gateway;
        QString bus;
        int id = 0;
        bool hasInfo = false;
        DeviceIdentity identity;
        bool hasState = false;
        DeviceReading reading;
        qint64 stateAtMs = -1; // when the last state was true: receipt, or its own time if retained
        Presence availability = Presence::Unknown;
        DeviceHealth health;
        QString holder; // who holds its lease, as the gateway says while it is leased
        qint64 holderSinceMs = -1;
        History history;

        Family family() const;
    };

    struct Changes
    {
        int rowCount = 0;             // rows now; rows beyond the ones shown are new
        QVector<int> changedRows;     // ascending
        QVector<int> goneRows;        // ascending: rows to remove (removeRow) once shown
        bool topologyChanged = false; // gateways or buses came, went or changed
    };

    LineState();

    void apply(const LineMessage &message, qint64 nowMs);
    // A device's poll figures, from its gateway's stats; false for a device not in the table.
    bool applyHealth(const QString &gateway, const QString &bus, int id, const DeviceHealth &health);
    bool anyHealth() const { return m_anyHealth; }
    void clear();

    const QVector<Device> &devices() const { return m_devices; }
    const QVector<Gateway> &gateways() const { return m_gateways; }
    const QVector<Bus> &buses() const { return m_buses; }
    int rowOf(const QString &gateway, const QString &bus, int id) const;
    const Gateway *gateway(const QString &name) const;
    const Bus *bus(const QString &gateway, const QString &name) const;

    // A device is there only while its gateway is: one that died leaves its devices
    // online on the broker, and only its status says otherwise.
    Presence presenceOf(const Device &device) const;
    // ms since the last state was true; -1 without one.
    static qint64 ageMs(const Device &device, qint64 nowMs);

    Changes takeChanges();
    void removeRow(int row);

    // Messages left out: not of the shape the gateway writes (the last one's reason and
    // topic kept for the operator), and those of devices beyond the table's bound.
    qint64 notUnderstood() const { return m_notUnderstood; }
    LineProblem lastProblem() const { return m_lastProblem; }
    QString lastProblemTopic() const { return m_lastProblemTopic; }
    qint64 leftOut() const { return m_leftOut; }
    qint64 messagesTaken() const { return m_taken; }

private:
    int gatewayIndex(const QString &name, bool create);
    int busIndex(const QString &gateway, const QString &name, bool create);
    int deviceRow(const LineMessage &message, bool create);
    void markChanged(int row);
    void markGatewayDevices(const QString &gateway);
    void reject(const LineMessage &message);

    QVector<Gateway> m_gateways;
    QVector<Bus> m_buses;
    QVector<Device> m_devices;
    QHash<QString, int> m_deviceRows;
    QVector<bool> m_dirty;
    QVector<int> m_changed;
    bool m_topologyChanged = false;
    qint64 m_notUnderstood = 0;
    LineProblem m_lastProblem = LineProblem::None;
    QString m_lastProblemTopic;
    qint64 m_leftOut = 0;
    qint64 m_taken = 0;
    bool m_anyHealth = false;
};
