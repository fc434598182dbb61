#pragma once

#include "lineview/linestate.h"

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>

#include <functional>

// Table models over a LineState, without widgets: one row per device, and one per bus (or
// per gateway without a bus). They follow the state when refresh() is called, a few times a
// second, rather than at every message. Texts are in the operator's language at the moment
// they are asked for; colours are the window's business (the roles below say why a row
// stands out).
class LineTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        GatewayColumn,
        BusColumn,
        IdColumn,
        ModelColumn,
        FamilyColumn,
        AvailabilityColumn,
        InitialisationColumn,
        StateColumn,
        PositionColumn,
        CurrentColumn,
        FaultColumn,
        AgeColumn,
        PollColumn, // shown once a gateway publishes the figures
        ColumnCount
    };
    enum Role {
        PresenceRole = Qt::UserRole + 1, // int(Presence) as shown: offline with its gateway
        FaultRole,                       // bool
        SlowRole,                        // bool: polled slower than its period
    };

    using Clock = std::function<qint64()>;
    explicit LineTableModel(LineState *state, QObject *parent = nullptr);

    // Wall time in ms since the epoch; the tests give their own.
    void setClock(Clock clock) { m_clock = std::move(clock); }
    qint64 now() const;

    // Takes the state's changes: new rows, changed rows, rows gone; the ages once a second.
    // True when anything was told to the views.
    bool refresh();
    void retranslate();
    // Empties the state and the table.
    void clear();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    const LineState::Device *device(int row) const;
    // <0, 0, >0 as the two rows order by the column; ties by gateway, bus and ID.
    int compare(int left, int right, int column) const;

    // The words of a device's state, as the table shows them.
    static QString presenceText(Presence presence);
    static QString familyText(Family family);
    static QString initialisationText(const LineState::Device &device);
    static QString stateText(const LineState::Device &device);
    static QString faultText(const LineState::Device &device);
    static QString positionText(const LineState::Device &device);
    static QString currentText(const LineState::Device &device);
    static QString ageText(qint64 ms);
    static QString pollText(const LineState::Device &device);

private:
    QString text(const LineState::Device &d, int column) const;
    LineState *m_state;
    Clock m_clock;
    int m_rows = 0;
    qint64 m_lastAgeTick = 0;
};

// Sorting and the filters of the device table: gateway, bus, availability, faults only and
// a text found in the gateway, bus, ID, model or unique ID.
class LineFilter : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    enum class Show { All, Online, Offline, Leased };

    explicit LineFilter(LineTableModel *source, QObject *parent = nullptr);

    void setGateway(const QString &gateway);
    void setBus(const QString &bus);
    void setShow(Show show);
    void setFaultsOnly(bool on);
    void setText(const QString &text);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

private:
    LineTableModel *m_source;
    QString m_gateway;
    QString m_bus;
    Show m_show = Show::All;
    bool m_faultsOnly = false;
    QString m_text;
};

// Gateways and their buses: status and since when, the line, the devices, the line's share
// and the failures a minute of the last stats.
class LineBusModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column {
        GatewayColumn,
        StatusColumn,
        SinceColumn,
        BusColumn,
        LineColumn,
        DevicesColumn,
        LineShareColumn,
        FailuresColumn,
        ColumnCount
    };
    enum Role { PresenceRole = Qt::UserRole + 1 };

    explicit LineBusModel(const LineState *state, QObject *parent = nullptr);

    // When the view connected: a status known from before is "before" that.
    void setConnectedAt(qint64 ms) { m_connectedAtMs = ms; }
    void refresh();
    void retranslate();

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The gateway and bus of a row (the bus empty for a gateway without one).
    QString gatewayAt(int row) const;
    QString busAt(int row) const;

private:
    struct Row
    {
        QString gateway;
        QString bus;
        int devices = 0;
        int online = 0;
    };
    QVector<Row> rows() const;
    const LineState *m_state;
    QVector<Row> m_rows;
    qint64 m_connectedAtMs = -1;
};
