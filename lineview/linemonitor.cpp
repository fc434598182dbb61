#include "lineview/linemonitor.h"

#include <QElapsedTimer>

LineMonitor::LineMonitor(QObject *parent)
    : QObject(parent), m_table(&m_state), m_buses(&m_state)
{
    m_refreshTimer.setInterval(RefreshMs);
    connect(&m_refreshTimer, &QTimer::timeout, this, &LineMonitor::refresh);
    m_sliceTimer.setSingleShot(true);
    m_sliceTimer.setInterval(0);
    connect(&m_sliceTimer, &QTimer::timeout, this, &LineMonitor::takeMessages);
    connect(&m_feed, &LineFeed::messagesWaiting, this, &LineMonitor::takeMessages);
    connect(&m_feed, &LineFeed::linkChanged, this, [this] {
        if (m_feed.link() == LineFeed::Link::Connected) {
            m_connectedAtMs = now();
            m_buses.setConnectedAt(m_connectedAtMs);
        }
        emit linkChanged();
    });
}

void LineMonitor::setClock(LineTableModel::Clock clock)
{
    m_table.setClock(std::move(clock));
}

bool LineMonitor::open(const LineBroker &broker, QString *error)
{
    close();
    if (!m_feed.open(broker, error))
        return false;
    m_refreshTimer.start();
    return true;
}

void LineMonitor::close()
{
    m_feed.close();
    m_refreshTimer.stop();
    m_sliceTimer.stop();
    // Another broker starts from an empty picture.
    m_table.clear();
    m_connectedAtMs = -1;
    m_buses.setConnectedAt(-1);
    m_buses.refresh();
}

void LineMonitor::takeMessages()
{
    QElapsedTimer slice;
    slice.start();
    bool more = true;
    while (more && slice.elapsed() < SliceMs) {
        const QVector<LineMessage> batch = m_feed.take(128, &more);
        const qint64 t = now();
        for (const LineMessage &m : batch)
            m_state.apply(m, t);
    }
    // The rest after whatever else waits in the event loop.
    if (more)
        m_sliceTimer.start();
}

void LineMonitor::refresh()
{
    if (m_table.refresh()) {
        m_buses.refresh();
        emit refreshed();
    }
}

void LineMonitor::refreshNow()
{
    bool more = true;
    while (more) {
        const QVector<LineMessage> batch = m_feed.take(1024, &more);
        const qint64 t = now();
        for (const LineMessage &m : batch)
            m_state.apply(m, t);
    }
    refresh();
}
