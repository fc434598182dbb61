// The command line's --port values, network port addresses, the connection window's
// device-list entries and the scanner's report lines: any text parses without harm, and an
// entry or address that parses comes back the same through its text.
#include "app/portoption.h"
#include "link/connectionform.h"
#include "link/portaddress.h"
#include "link/processlog.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 2048)
        return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    const QStringList lines = text.split(QLatin1Char('\n'));

    for (const PortEntry &port : parsePortOptions(lines)) {
        if (port.name.isEmpty() || port.description.isEmpty() || port.name != port.name.trimmed())
            std::abort();
    }

    for (const QString &line : lines) {
        PortAddress address;
        QString why;
        if (!PortAddresses::parse(line, &address, &why)) {
            if (why.isEmpty())
                std::abort();
            continue;
        }
        PortAddress again;
        if (!PortAddresses::parse(address.text(), &again, &why) || again.text() != address.text()
            || again.kind != address.kind || again.port != address.port || again.host != address.host)
            std::abort();
        (void)address.endpoint();
        (void)address.answerWaitMs();
    }

    for (const QString &line : lines) {
        DeviceEntry entry;
        if (!LinkText::parseDeviceEntry(line, &entry))
            continue;
        (void)LinkText::deviceEntryShown(entry);
        DeviceEntry again;
        if (!LinkText::parseDeviceEntry(LinkText::deviceEntryText(entry), &again))
            std::abort();
        if (again.slaveId != entry.slaveId || again.port != entry.port || again.baudRate != entry.baudRate
            || again.parity != entry.parity || again.stopBits != entry.stopBits)
            std::abort();
    }
    (void)LinkText::offlineBlock(text);
    // The scanner's report lines as the process log shows them.
    for (const QString &line : lines)
        (void)ProcessLog::scannerLine(line, [](const QString &port) { return port; });
    return 0;
}
