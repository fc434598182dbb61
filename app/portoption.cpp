#include "app/portoption.h"

QList<PortEntry> parsePortOptions(const QStringList &values)
{
    QList<PortEntry> ports;
    for (const QString &value : values) {
        const int eq = value.indexOf('=');
        PortEntry entry;
        entry.name = (eq < 0 ? value : value.left(eq)).trimmed();
        entry.description = eq < 0 ? QString() : value.mid(eq + 1).trimmed();
        if (entry.name.isEmpty())
            continue;
        if (entry.description.isEmpty())
            entry.description = "Serial port";
        ports.append(entry);
    }
    return ports;
}
