#pragma once

#include "link/serialadapter.h"

#include <QString>
#include <QStringList>

// The adapter of one open serial port: identified, and its latency lowered, when the port
// opens; every setting changed put back before it closes. Only a port this program opened
// is touched, and only while it is open.
class AdapterSession
{
public:
    AdapterSession() = default;
    ~AdapterSession() = default;
    AdapterSession(const AdapterSession &) = delete;
    AdapterSession &operator=(const AdapterSession &) = delete;

    // Right after the port opened; `handle` is its descriptor.
    void opened(const QString &port, qintptr handle);
    // Before the port closes, while `handle` is still open; nothing when nothing was changed.
    void closing();

    bool isOpen() const { return m_handle >= 0; }
    const SerialAdapter::Identity &identity() const { return m_identity; }
    const SerialAdapter::Latency &latency() const { return m_latency; }
    // What could not be put back at the last close.
    const QStringList &restoreProblems() const { return m_restoreProblems; }
    // "FT232R USB UART (FTDI, USB 0403:6001), driver ftdi_sio; latency timer 16 ms, 1 ms while..."
    QString summary() const;

private:
    qintptr m_handle = -1;
    SerialAdapter::Identity m_identity;
    SerialAdapter::Latency m_latency;
    QStringList m_restoreProblems;
};
