#pragma once

#include "lineview/linefeed.h"
#include "lineview/linemodels.h"
#include "lineview/linestate.h"

#include <QObject>
#include <QTimer>

// The Line view without its window: the broker's feed read into the line's state, and the
// table models brought up to date a few times a second. Messages are applied in slices of a
// few milliseconds, so that a burst (the retained picture of a thousand devices at
// connection) never holds the event loop for long.
class LineMonitor : public QObject
{
    Q_OBJECT

public:
    static constexpr int RefreshMs = 250;
    static constexpr int SliceMs = 4;

    explicit LineMonitor(QObject *parent = nullptr);

    bool open(const LineBroker &broker, QString *error);
    void close();

    LineFeed *feed() { return &m_feed; }
    const LineState &state() const { return m_state; }
    LineTableModel *table() { return &m_table; }
    LineBusModel *buses() { return &m_buses; }
    // Wall time in ms since the epoch; the tests give their own.
    void setClock(LineTableModel::Clock clock);
    qint64 now() const { return m_table.now(); }
    // The last connection to the broker, ms since the epoch; -1 before the first.
    qint64 connectedAt() const { return m_connectedAtMs; }

    // Applies what waits now and brings the models up to date (the tests' way of waiting
    // for the next refresh).
    void refreshNow();

signals:
    // The models took new data; the window redraws what depends on more than the tables.
    void refreshed();
    void linkChanged();

private:
    void takeMessages();
    void refresh();

    LineFeed m_feed;
    LineState m_state;
    LineTableModel m_table;
    LineBusModel m_buses;
    QTimer m_refreshTimer;
    QTimer m_sliceTimer;
    qint64 m_connectedAtMs = -1;
};
