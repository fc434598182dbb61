#include "engine/sessionfile.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <algorithm>

namespace {

class Text
{
    Q_DECLARE_TR_FUNCTIONS(SessionFile)
};

int parityNumber(const QString &name)
{
    return name == QLatin1String("even") ? 2 : name == QLatin1String("odd") ? 3 : 0;
}

QString kindText(int kind)
{
    switch (kind) {
    case SessionProblem::Folder: return Text::tr("a folder");
    case SessionProblem::Fifo: return Text::tr("a FIFO (named pipe)");
    case SessionProblem::Device: return Text::tr("a device");
    case SessionProblem::Socket: return Text::tr("a socket");
    default: return Text::tr("a special file");
    }
}

QString objectText(const std::string &type)
{
    if (type == "view")
        return Text::tr("view");
    if (type == "trigger")
        return Text::tr("trigger");
    if (type == "index")
        return Text::tr("index");
    if (type == "virtual table")
        return Text::tr("virtual table");
    if (type == "table")
        return Text::tr("table");
    return QString::fromStdString(type);
}

QString contradictionText(int fault)
{
    switch (fault) {
    case SessionProblem::Older: return Text::tr("is older than the frame before it");
    case SessionProblem::OtherRequest: return Text::tr("holds a request other than the one recorded with it");
    case SessionProblem::OtherFunction: return Text::tr("answers another function than its request");
    case SessionProblem::NoRequest: return Text::tr("answers no request");
    default: return Text::tr("has an unknown direction");
    }
}

QString text(const std::string &s)
{
    return QString::fromUtf8(s.data(), int(s.size()));
}

void readMap(SessionReader &reader, const QString &mapName, RegisterMap *map, bool *any)
{
    *any = false;
    reader.readMap(
        mapName.toStdString(),
        [&](const SessionGroupRow &g) {
            if (!isRegisterByte(g.grp))
                return;
            *any = true;
            map->groupNames.insert(g.grp, text(g.name));
            map->groupTableNames.insert(g.grp, QStringLiteral("registertable_0x%1").arg(g.grp, 2, 16, QLatin1Char('0')).toUpper().replace(QLatin1String("0X"), QLatin1String("0x")));
            map->groupRegisterCounts.insert(g.grp, g.registerCount);
            map->groupAccessModes.insert(g.grp, text(g.accessMode));
            map->groupScanRates.insert(g.grp, g.scanRate);
            map->groupAccessLevels.insert(g.grp, g.accessLevel);
        },
        [&](const SessionRegisterRow &r) {
            map->registerDescriptions.insert(r.address, text(r.description));
            map->registerValueRanges.insert(r.address, text(r.valueRange));
            map->registerProtocolVersions.insert(r.address, text(r.protocolVersion));
            map->registerFormats.insert(r.address, text(r.format));
        });
}

} // namespace

QString SessionFormat::mapNameFor(const QString &modelName)
{
    return modelName.contains(QLatin1String("TQP2-51500")) ? QStringLiteral("module") : QStringLiteral("gripper");
}

QString SessionFormat::mapHash(const RegisterMap &map)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (auto g = map.groupNames.cbegin(); g != map.groupNames.cend(); ++g)
        hash.addData(QStringLiteral("g|%1|%2|%3|%4|%5|%6\n")
                         .arg(QString::number(g.key()), g.value(),
                              QString::number(map.groupRegisterCounts.value(g.key())),
                              map.groupAccessModes.value(g.key()),
                              QString::number(map.groupScanRates.value(g.key())),
                              QString::number(map.groupAccessLevels.value(g.key())))
                         .toUtf8());
    for (auto r = map.registerDescriptions.cbegin(); r != map.registerDescriptions.cend(); ++r)
        hash.addData(QStringLiteral("r|%1|%2|%3|%4|%5\n")
                         .arg(r.key()).arg(r.value(), map.registerValueRanges.value(r.key()),
                                           map.registerProtocolVersions.value(r.key()),
                                           map.registerFormats.value(r.key())).toUtf8());
    return QString::fromLatin1(hash.result().toHex());
}

QString SessionFormat::valuesText(const QVector<quint16> &values)
{
    QStringList parts;
    for (quint16 v : values)
        parts << QString::number(v);
    return parts.join(QLatin1Char(' '));
}

QVector<quint16> SessionFormat::valuesFromText(const QString &text)
{
    QVector<quint16> values;
    for (const QString &part : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        values << quint16(part.toUInt());
    return values;
}

QString SessionFormat::timeText(qint64 us)
{
    const qint64 ms = qMax<qint64>(0, us) / 1000;
    return QStringLiteral("%1:%2:%3.%4")
        .arg(ms / 3600000, 2, 10, QLatin1Char('0'))
        .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

QString sessionContradiction(const SessionData &data)
{
    SessionFrameCheck check;
    for (int i = 0; i < data.frames.size(); ++i) {
        const TrafficFrame f = data.frames.light(i);
        const qint64 t = data.tUs(i);
        SessionFrameUse use;
        const int fault = check.take(t, int(f.direction), f.server, f.function, f.address, f.count,
                                     reinterpret_cast<const uint8_t *>(f.bytes.constData()), int(f.bytes.size()), &use);
        if (fault >= 0)
            return Text::tr("frame %1 at %2 %3").arg(i + 1).arg(SessionFormat::timeText(t), contradictionText(fault));
    }
    return QString();
}

QString sessionProblemText(const SessionProblem &p, const QString &shown)
{
    const QString object = text(p.object);
    const QString value = text(p.value);
    switch (p.kind) {
    case SessionProblem::None:
        return QString();
    case SessionProblem::Missing:
        return Text::tr("%1: no such file").arg(shown);
    case SessionProblem::NotRegular:
        if (p.object == "log")
            return Text::tr("Cannot read %1: the log beside it (%2-wal) is %3, not a file.").arg(shown, shown, kindText(p.code));
        return Text::tr("%1 is %2, not a file: a session is read only from a regular file.").arg(shown, kindText(p.code));
    case SessionProblem::Unreadable:
        return Text::tr("Cannot read %1: %2").arg(shown, value);
    case SessionProblem::NotSqlite:
        return Text::tr("%1 is not a Grivant session: it is not an SQLite database.").arg(shown);
    case SessionProblem::Foreign:
        return Text::tr("%1 is not a Grivant session: it is an SQLite database of another kind.").arg(shown);
    case SessionProblem::Newer:
        return Text::tr("%1 was recorded by a newer Grivant (session format %2); this one reads "
                        "format %3 and older. Open it with a newer Grivant.")
            .arg(shown, QString::number(p.row), QString::number(SessionFormat::Version));
    case SessionProblem::NoFormat:
        return Text::tr("%1 is not a Grivant session: no Grivant writes a session of format %2.").arg(shown, QString::number(p.row));
    case SessionProblem::Schema:
        switch (p.code) {
        case SessionProblem::ForeignObject:
            return Text::tr("%1 is refused: it holds the %2 \"%3\", and a session holds nothing but its tables, "
                            "so that nothing in it runs when it is read.").arg(shown, objectText(p.value), object);
        case SessionProblem::MissingTable:
            return Text::tr("%1 is not a session of this format: it has no table \"%2\".").arg(shown, object);
        case SessionProblem::MissingColumn:
            return Text::tr("%1 is not a session of this format: it has no column %2.").arg(shown, object);
        case SessionProblem::ColumnType:
            return Text::tr("%1 is not a session of this format: its column %2 is declared \"%3\".").arg(shown, object, value);
        case SessionProblem::GeneratedColumn:
            return Text::tr("%1 is refused: its column %2 is computed as it is read (a generated column), "
                            "which a session never holds.").arg(shown, object);
        default:
            return Text::tr("%1 is refused: its column %2 is hidden, which a session never holds.").arg(shown, object);
        }
    case SessionProblem::Header:
        if (p.code == 1)
            return Text::tr("%1 contradicts the session format: its header holds %2 twice.").arg(shown, object);
        if (p.value.empty())
            return Text::tr("%1 contradicts the session format: its header has no %2.").arg(shown, object);
        return Text::tr("%1 contradicts the session format: its header's %2 is %3.").arg(shown, object, value);
    case SessionProblem::Row:
        return Text::tr("%1 contradicts the session format: %2 of row %3 is %4.").arg(shown, object, QString::number(p.row), value);
    case SessionProblem::Contradiction:
        return Text::tr("%1 cannot be replayed: its frames contradict each other (%2).")
            .arg(shown, Text::tr("frame %1 at %2 %3").arg(p.row).arg(SessionFormat::timeText(p.atUs), contradictionText(p.code)));
    case SessionProblem::Damaged:
        return Text::tr("%1 is damaged: not even its beginning can be read.").arg(shown);
    case SessionProblem::Interrupted:
        return Text::tr("Reading %1 was stopped.").arg(shown);
    case SessionProblem::Endless:
        return Text::tr("%1 is refused: reading it took far longer than a file of its size can need; it is "
                        "damaged or made to hold the reader up.").arg(shown);
    case SessionProblem::NoRoom:
        return Text::tr("Cannot read %1: no room for a copy of it and its log (%2)").arg(shown, value);
    }
    return QString();
}

bool readSession(const QString &path, SessionData *data, QString *error, const std::atomic_bool *stop)
{
    *data = SessionData();
    // Qt would take ":name" for one of its resources and name it by nothing.
    const QString shown = QFileInfo(path.startsWith(QLatin1Char(':')) ? QStringLiteral("./") + path : path).fileName();
    SessionReader reader(stop);
    auto refuse = [&] {
        if (error)
            *error = sessionProblemText(reader.problem(), shown);
        *data = SessionData();
        return false;
    };
    if (!reader.open(QFile::encodeName(path).toStdString()))
        return refuse();

    const SessionHead &head = reader.head();
    SessionHeader &h = data->header;
    h.formatVersion = head.formatVersion;
    h.program = text(head.program);
    h.hostOs = text(head.hostOs);
    h.startEpochUs = head.startEpochUs;
    h.port = text(head.port);
    h.baudRate = head.baudRate;
    h.parity = parityNumber(text(head.parity));
    h.stopBits = head.stopBits;
    h.slaveId = head.slaveId;
    h.ident = QByteArray(head.ident.data(), int(head.ident.size()));
    h.modelName = text(head.modelName);
    h.language = text(head.language);
    h.mapName = text(head.mapName);
    h.mapHash = text(head.mapHash);
    h.durationUs = head.durationUs;
    if (reader.logRead())
        data->remarks << Text::tr("The recording did not end cleanly; its log was read as well.");

    readMap(reader, h.mapName, &data->map, &data->hasMap);
    if (reader.problem().kind != SessionProblem::None)
        return refuse();
    const QString firstLine = TrafficText::line(h.port, h.baudRate, h.parity, h.stopBits);
    if (!reader.readFrames([&](const SessionRow &row) { data->frames.append(row, h.startEpochUs, firstLine); }))
        return refuse();
    // Kinds are few: one copy of each text is shared by all events of that kind.
    QHash<QString, QString> kinds;
    if (!reader.readEvents([&](const SessionEventRow &row) {
            SessionEvent e;
            e.tUs = row.tUs;
            const QString kind = text(row.kind);
            e.kind = kinds.value(kind, kind);
            kinds.insert(e.kind, e.kind);
            e.address = row.address;
            e.data = text(row.data);
            e.tries = row.tries;
            e.text = text(row.text);
            data->events.append(e);
        }))
        return refuse();
    std::stable_sort(data->events.begin(), data->events.end(),
                     [](const SessionEvent &a, const SessionEvent &b) { return a.tUs < b.tUs; });

    const qint64 end = reader.durationUs();
    if (reader.damaged()) {
        // Rows come in the order they were committed; what follows the last complete
        // second before the damage is left out.
        const qint64 cut = reader.keepBeforeUs();
        data->frames.truncate(data->frames.firstAfter(h.startEpochUs + cut - 1));
        while (!data->events.isEmpty() && data->events.constLast().tUs >= cut)
            data->events.removeLast();
        data->remarks << Text::tr("%1 is damaged: it is read up to %2, the last complete second before the damage "
                                  "(%3 frames); what follows is lost.")
                             .arg(shown, SessionFormat::timeText(cut), QString::number(data->frames.size()));
    } else if (h.durationUs < 0) {
        // Says what the remark on the log says, and where the recording ends.
        data->remarks.removeAll(Text::tr("The recording did not end cleanly; its log was read as well."));
        data->remarks << Text::tr("The recording did not end cleanly: it ends at its last complete second, %1.")
                             .arg(SessionFormat::timeText(end));
    } else if (reader.headerLengthDropped()) {
        data->remarks << Text::tr("Its header gives the session a length of %1, which its frames and events "
                                  "contradict: it is taken to end with them, at %2.")
                             .arg(SessionFormat::timeText(h.durationUs), SessionFormat::timeText(end));
    }
    data->durationUs = end;
    for (int i = 0; i < data->frames.size(); ++i)
        data->misfits += data->frames.use(i) == SessionFrameUse::Misfit;
    if (data->misfits)
        data->remarks << Text::tr("Answers that did not fit their request (another number of registers than it asked for, or "
                                  "registers beyond 0xFFFF): %1. "
                                  "They are in the traffic, but neither replayed nor exported.").arg(data->misfits);
    return true;
}
