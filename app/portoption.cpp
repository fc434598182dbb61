#include "app/portoption.h"

QList<PortEntry> parsePortOptions(const QStringList &values)
{
    QList<PortEntry> ports;
    for (const QString &value : values) {
        // A network port's options (after '?') hold '=' themselves.
        const bool network = value.contains(QLatin1String("://"));
        const int query = network ? value.indexOf('?') : -1;
        int eq = value.indexOf('=');
        if (query >= 0 && eq > query)
            eq = -1;
        PortEntry entry;
        entry.name = (eq < 0 ? value : value.left(eq)).trimmed();
        entry.description = eq < 0 ? QString() : value.mid(eq + 1).trimmed();
        if (entry.name.isEmpty())
            continue;
        if (entry.description.isEmpty())
            entry.description = network ? QStringLiteral("Network port") : QStringLiteral("Serial port");
        ports.append(entry);
    }
    return ports;
}
