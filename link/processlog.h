#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <functional>

// The connection window's process log in the operator's language: the lines the window
// writes itself, and the scanner's reports as the operator reads them. The English texts
// are the log's own, letter for letter; a program without a translator shows them as such.
class ProcessLog
{
    Q_DECLARE_TR_FUNCTIONS(ProcessLog)

public:
    static QString portListed(const QString &port, const QString &description);
    static QString portUnplugged(const QString &port, const QString &description);

    // One report of the scanner as the log shows it, with its line break. A port that
    // could not be opened is told by its reason, never by the system's error number;
    // `advice` gives what to do about a port this user may not open ("" where the user
    // may, and the port is only held by another program).
    static QString scannerLine(const QString &status, const std::function<QString(const QString &port)> &advice);

    // What to do about an adapter that returns the requests, and the port a scanner report
    // says so of ("" for any other report).
    static QString echoAdvice();
    static QString echoedPort(const QString &status);

    // Parity as the Qt serial number (0 none, 2 even, 3 odd) in words.
    static QString parityName(int parity);

    // The scanner's progress text ("id: 5 , BaudRate: 9600, parity: even") in the
    // operator's language; any other text as it stands.
    static QString searchProgress(const QString &text);

    // How a search or an Auto-Connect ended.
    struct SearchEnd
    {
        bool autoConnect = false;
        bool stopped = false;    // the operator stopped it
        QStringList ports;       // the ports it swept
        int idStart = 1;
        int idEnd = 1;
        int found = 0;           // verified devices
    };
    static QString searchEnded(const SearchEnd &end);
    // Auto-Connect's find, before it connects.
    static QString autoConnectFound(int slaveId, const QString &port, int baudRate, int parity);
};
