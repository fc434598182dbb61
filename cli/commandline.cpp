#include "cli/commandline.h"

#include "link/leaseprotocol.h"
#include "link/portaddress.h"

#include <algorithm>

namespace {

const QVector<qint32> BaudRates{115200, 57600, 38400, 19200, 9600, 4800, 230400};

// A token that starts with '-' but is a number ("-5") is an argument, not an option.
bool isOption(const QString &token)
{
    if (!token.startsWith(QLatin1Char('-')) || token.size() < 2)
        return false;
    return !token.at(1).isDigit();
}

} // namespace

const char *usageText()
{
    return R"(Usage: grivantctl COMMAND [ARGUMENTS] [OPTIONS]
Sets up, backs up and restores grippers and linear modules over Modbus-RTU.

Commands:
  scan                       find devices: every port named with --port (default: every
                             serial port the system lists), every --baud, --parity, --ids.
                             Each setting waits for an answer: on a silent port all 7
                             rates, 3 parities and 247 IDs take about 16 minutes (the
                             estimate is shown before a scan of 10 s or more starts)
  info                       identify the device(s): model, versions, unique ID
  read GROUP|ADDRESS [COUNT] read a register group (0x03, 3 or its name) or COUNT
                             registers from an address (0x0301): named and formatted
  write ADDRESS VALUE...     write consecutive registers from ADDRESS; a value outside the
                             register's range, or a read-only register, is refused
  backup FILE                save the stored parameters (user and I/O groups) to FILE;
                             with several devices FILE needs {port}, {id} or {uid}
  restore FILE               write FILE's parameters, save them on the device, read them
                             back and show what differs
  doctor                     what slows or breaks the line of one --port: the USB adapter
                             and its driver, its latency timer (lowered while the port is
                             open, where the driver lets it, and put back at close), an
                             echo of the requests, the device's answer times over 20
                             identification reads, a response time-out and advice

Options:
  --port PORT       serial port, or a network port: tcp://HOST[:PORT] (Modbus TCP) or
                    rtu+tcp://HOST:PORT[?baud=RATE] (RTU over TCP through a serial
                    device server; baud= is its line to the devices); timeout=MS after
                    '?' (or '&') waits that long for an answer (network default 1000).
                    Give it several times for several buses (served in parallel).
                    Or a device of a running gateway's bus (its allow_diagnosis = yes):
                    mqtt://BROKER[:PORT]/GATEWAY/BUS with one --id, leased through the
                    broker while the command runs; the gateway does not poll it
                    meanwhile, and tells who holds it when another client does
  --username USER, --password-file FILE
                    a gateway's broker: the login (the password is the file's first
                    line)
  --cafile FILE, --certfile FILE, --keyfile FILE
                    a gateway's broker: TLS with this certificate authority (port 8883
                    by default), and a client certificate with its key
  --holder NAME     a gateway's bus: the name others are shown while the lease holds
                    (default user@host)
  --id N            slave ID (default 1)
  --ids LIST        several IDs on each bus, served in turn: 1-8 or 1,3,5 (scan: 1-247)
  --baud LIST       baud rate (default 115200); scan: rates to try (default all)
  --parity LIST     none, even or odd (default none); scan: parities to try (default all)
  --stopbits N      1 (default) or 2
                    (the serial line's settings: a network port has none, and a scan
                    of one tries only its IDs)
  --lang en|zh      language of register names (default en)
  --json            machine-readable output (scan, info, read, write, backup, restore,
                    doctor)
  --all             backup: every readable group, not only the stored parameters
  --force           restore: also onto a device of another model
  --dry-run         restore: show the writes without sending them
  --line-settings   restore: also the slave ID, baud rate, stop bits and parity (one
                    device only; the device answers at the new settings after saving)
  -h, --help        this text
  --version         the version

Exit status: 0 success, 1 device error or difference (or output that could not be
written), 2 usage error (nothing was sent), 3 no device answering, 128 + N stopped by
signal N (130 for Ctrl+C): the request on the wire is finished, nothing more is sent, and
what was written is reported.
)";
}

LineSettings Request::line(const QString &port) const
{
    LineSettings line;
    line.port = port;
    line.baudRate = bauds.isEmpty() ? 115200 : bauds.first();
    line.parity = parities.isEmpty() ? QSerialPort::NoParity : QSerialPort::Parity(parities.first());
    line.stopBits = stopBits;
    return line;
}

bool parseNumber(const QString &text, int *value)
{
    const QString t = text.trimmed();
    bool ok = false;
    const bool negative = t.startsWith(QLatin1Char('-'));
    const QString digits = negative ? t.mid(1) : t;
    qlonglong v = digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                      ? digits.mid(2).toLongLong(&ok, 16)
                      : digits.toLongLong(&ok, 10);
    if (!ok || digits.isEmpty())
        return false;
    if (negative)
        v = -v;
    if (v < -0x8000 || v > 0xFFFF)
        return false;
    *value = int(v);
    return true;
}

bool parseNumberList(const QString &text, int low, int high, QVector<int> *numbers)
{
    QVector<int> out;
    for (const QString &part : text.split(QLatin1Char(','))) {
        const QStringList ends = part.split(QLatin1Char('-'));
        bool ok1 = false;
        bool ok2 = false;
        const int first = ends.value(0).trimmed().toInt(&ok1);
        const int last = ends.size() == 2 ? ends.value(1).trimmed().toInt(&ok2) : first;
        if (!ok1 || (ends.size() == 2 && !ok2) || ends.size() > 2 || first < low || last > high
            || first > last)
            return false;
        for (int n = first; n <= last; ++n)
            if (!out.contains(n))
                out.append(n);
    }
    if (out.isEmpty())
        return false;
    *numbers = out;
    return true;
}

bool parseCommandLine(const QStringList &arguments, Request *request, QString *error)
{
    Request r;
    QStringList positional;
    QVector<int> singleId;
    QString lineOption; // the first of --baud, --parity, --stopbits given
    const auto fail = [error](const QString &why) {
        *error = why;
        return false;
    };

    for (int i = 0; i < arguments.size(); ++i) {
        const QString token = arguments.at(i);
        if (!isOption(token)) {
            positional << token;
            continue;
        }
        if (token == QLatin1String("-h") || token == QLatin1String("--help")) {
            r.command = Request::Command::Help;
            *request = r;
            return true;
        }
        if (token == QLatin1String("--version")) {
            r.command = Request::Command::Version;
            *request = r;
            return true;
        }
        QString name = token;
        QString value;
        bool hasValue = false;
        const int eq = token.indexOf(QLatin1Char('='));
        if (eq > 0) {
            name = token.left(eq);
            value = token.mid(eq + 1);
            hasValue = true;
        }
        const auto takeValue = [&]() {
            if (hasValue)
                return true;
            if (i + 1 >= arguments.size())
                return false;
            value = arguments.at(++i);
            return true;
        };

        if (name == QLatin1String("--json")) {
            r.json = true;
        } else if (name == QLatin1String("--all")) {
            r.all = true;
        } else if (name == QLatin1String("--force")) {
            r.force = true;
        } else if (name == QLatin1String("--dry-run")) {
            r.dryRun = true;
        } else if (name == QLatin1String("--line-settings")) {
            r.lineSettings = true;
        } else if (name == QLatin1String("--port")) {
            if (!takeValue() || value.isEmpty())
                return fail(QStringLiteral("--port needs a path"));
            PortAddress address;
            LeaseProtocol::Address gateway;
            QString why;
            if (LeaseProtocol::looksLikeAddress(value) ? !LeaseProtocol::parseAddress(value, &gateway, &why)
                                                       : !PortAddresses::parse(value, &address, &why))
                return fail(QStringLiteral("--port %1").arg(why));
            r.ports << value;
        } else if (name == QLatin1String("--id")) {
            if (!takeValue() || !parseNumberList(value, 1, 247, &singleId) || singleId.size() != 1)
                return fail(QStringLiteral("--id needs one slave ID from 1 to 247"));
        } else if (name == QLatin1String("--ids")) {
            if (!takeValue() || !parseNumberList(value, 1, 247, &r.ids))
                return fail(QStringLiteral("--ids needs slave IDs from 1 to 247, such as 1-8 or 1,3,5"));
        } else if (name == QLatin1String("--baud")) {
            lineOption = lineOption.isEmpty() ? name : lineOption;
            if (!takeValue())
                return fail(QStringLiteral("--baud needs a rate"));
            r.bauds.clear();
            for (const QString &part : value.split(QLatin1Char(','))) {
                bool ok = false;
                const qint32 baud = part.trimmed().toInt(&ok);
                if (!ok || !BaudRates.contains(baud))
                    return fail(QStringLiteral("--baud: %1 is not one of 115200, 57600, 38400, 19200, "
                                               "9600, 4800, 230400").arg(part));
                if (!r.bauds.contains(baud))
                    r.bauds.append(baud);
            }
        } else if (name == QLatin1String("--parity")) {
            lineOption = lineOption.isEmpty() ? name : lineOption;
            if (!takeValue())
                return fail(QStringLiteral("--parity needs none, even or odd"));
            r.parities.clear();
            for (const QString &part : value.split(QLatin1Char(','))) {
                QSerialPort::Parity parity = QSerialPort::NoParity;
                if (!parseParity(part, &parity))
                    return fail(QStringLiteral("--parity: %1 is not none, even or odd").arg(part));
                if (!r.parities.contains(parity))
                    r.parities.append(parity);
            }
        } else if (name == QLatin1String("--stopbits")) {
            lineOption = lineOption.isEmpty() ? name : lineOption;
            if (!takeValue() || (value != QLatin1String("1") && value != QLatin1String("2")))
                return fail(QStringLiteral("--stopbits needs 1 or 2"));
            r.stopBits = value == QLatin1String("2") ? QSerialPort::TwoStop : QSerialPort::OneStop;
        } else if (GatewayPort::isOption(name)) {
            if (!takeValue())
                return fail(QStringLiteral("%1 needs a value").arg(name));
            QString why;
            GatewayPort::takeOption(name, value, &r.gateway, &why);
            if (!why.isEmpty())
                return fail(why);
        } else if (name == QLatin1String("--lang")) {
            if (!takeValue())
                return fail(QStringLiteral("--lang needs en or zh"));
            if (value == QLatin1String("en") || value == QLatin1String("en_US"))
                r.language = QStringLiteral("en_US");
            else if (value == QLatin1String("zh") || value == QLatin1String("zh_CN"))
                r.language = QStringLiteral("zh_CN");
            else
                return fail(QStringLiteral("--lang needs en or zh"));
        } else {
            return fail(QStringLiteral("unknown option %1").arg(token));
        }
    }

    if (positional.isEmpty())
        return fail(QStringLiteral("no command given"));
    const QString command = positional.takeFirst();
    static const QList<QPair<QString, Request::Command>> commands = {
        {QStringLiteral("scan"), Request::Command::Scan},
        {QStringLiteral("info"), Request::Command::Info},
        {QStringLiteral("read"), Request::Command::Read},
        {QStringLiteral("write"), Request::Command::Write},
        {QStringLiteral("backup"), Request::Command::Backup},
        {QStringLiteral("restore"), Request::Command::Restore},
        {QStringLiteral("doctor"), Request::Command::Doctor},
    };
    for (const auto &c : commands)
        if (c.first == command)
            r.command = c.second;
    if (r.command == Request::Command::None)
        return fail(QStringLiteral("unknown command %1").arg(command));

    if (!singleId.isEmpty() && !r.ids.isEmpty())
        return fail(QStringLiteral("give either --id or --ids"));
    const bool scan = r.command == Request::Command::Scan;
    if (r.ids.isEmpty() && !scan)
        r.ids = singleId.isEmpty() ? QVector<int>{1} : singleId;
    if (scan && r.ids.isEmpty() && !singleId.isEmpty())
        r.ids = singleId;
    if (!scan && r.ports.isEmpty())
        return fail(QStringLiteral("name the device's port with --port"));
    if (scan && std::any_of(r.ports.cbegin(), r.ports.cend(), LeaseProtocol::looksLikeAddress))
        return fail(QStringLiteral("scan does not reach into a gateway's bus: the gateway tells its devices on the "
                                   "broker (grivant/GATEWAY/BUS/+/info)"));
    if (const QString why = GatewayPort::complete(r.ports, r.ids, lineOption, &r.gateway); !why.isEmpty())
        return fail(why);
    if (!lineOption.isEmpty() && !r.ports.isEmpty()
        && std::all_of(r.ports.cbegin(), r.ports.cend(), PortAddresses::looksLikeNetwork))
        return fail(QStringLiteral("%1 sets a serial line, and a network port has none (a device server's "
                                   "line to the devices: rtu+tcp://HOST:PORT?baud=RATE)").arg(lineOption));
    if (!scan && (r.bauds.size() > 1 || r.parities.size() > 1))
        return fail(QStringLiteral("give one baud rate and one parity for %1").arg(command));

    switch (r.command) {
    case Request::Command::Doctor:
        if (r.ports.size() != 1 || r.ids.size() != 1)
            return fail(QStringLiteral("doctor examines one device: give one --port and one --id"));
        Q_FALLTHROUGH();
    case Request::Command::Scan:
    case Request::Command::Info:
        if (!positional.isEmpty())
            return fail(QStringLiteral("%1 takes no arguments").arg(command));
        break;
    case Request::Command::Read:
        if (positional.isEmpty() || positional.size() > 2)
            return fail(QStringLiteral("read needs GROUP or ADDRESS [COUNT]"));
        r.target = positional.at(0);
        if (positional.size() == 2
            && (!parseNumber(positional.at(1), &r.count) || r.count < 1 || r.count > 125))
            return fail(QStringLiteral("read: COUNT must be 1 to 125"));
        break;
    case Request::Command::Write:
        if (positional.size() < 2)
            return fail(QStringLiteral("write needs ADDRESS VALUE..."));
        if (!parseNumber(positional.at(0), &r.address) || r.address < 0)
            return fail(QStringLiteral("write: %1 is not a register address").arg(positional.at(0)));
        r.target = positional.takeFirst();
        if (r.address + positional.size() > 0x10000)
            return fail(QStringLiteral("write: the registers run past 0xFFFF"));
        if (positional.size() > 123)
            return fail(QStringLiteral("write: at most 123 values at once"));
        for (const QString &v : positional) {
            int value = 0;
            if (!parseNumber(v, &value))
                return fail(QStringLiteral("write: %1 is not a 16-bit value").arg(v));
            r.values.append(value);
        }
        break;
    case Request::Command::Backup:
    case Request::Command::Restore:
        if (positional.size() != 1)
            return fail(QStringLiteral("%1 needs FILE").arg(command));
        r.target = positional.at(0);
        break;
    default:
        break;
    }
    if (r.lineSettings && (r.command != Request::Command::Restore))
        return fail(QStringLiteral("--line-settings goes with restore"));
    if (r.lineSettings && r.ports.size() * r.ids.size() > 1)
        return fail(QStringLiteral("--line-settings would give several devices the same slave ID; "
                                   "restore one device at a time"));
    if (r.force && r.command != Request::Command::Restore)
        return fail(QStringLiteral("--force goes with restore"));
    if (r.dryRun && r.command != Request::Command::Restore)
        return fail(QStringLiteral("--dry-run goes with restore"));
    if (r.all && r.command != Request::Command::Backup)
        return fail(QStringLiteral("--all goes with backup"));
    *request = r;
    return true;
}
