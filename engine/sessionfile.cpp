#include "engine/sessionfile.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUrl>
#include <QUuid>
#include <QVariant>
#include <tuple>

namespace {

class Text
{
    Q_DECLARE_TR_FUNCTIONS(SessionFile)
};

constexpr qint64 Second = 1000000;

int parityNumber(const QString &name)
{
    return name == QLatin1String("even") ? 2 : name == QLatin1String("odd") ? 3 : 0;
}

// One connection for the life of one read; removed whatever happens.
class ReadConnection
{
public:
    ReadConnection() : name(QStringLiteral("session-reader-%1").arg(QUuid::createUuid().toString(QUuid::Id128))) {}
    ~ReadConnection()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(name);
    }
    QString name;
};

bool readMap(QSqlDatabase &db, const QString &mapName, RegisterMap *map)
{
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT grp, name, register_count, access_mode, scan_rate, access_level"
                             " FROM register_groups WHERE map = ?"));
    q.addBindValue(mapName);
    if (!q.exec())
        return false;
    bool any = false;
    while (q.next()) {
        const int g = q.value(0).toInt();
        if (!isRegisterByte(g))
            continue;
        any = true;
        map->groupNames.insert(g, q.value(1).toString());
        map->groupTableNames.insert(g, QStringLiteral("registertable_0x%1").arg(g, 2, 16, QLatin1Char('0')).toUpper().replace(QLatin1String("0X"), QLatin1String("0x")));
        map->groupRegisterCounts.insert(g, q.value(2).toInt());
        map->groupAccessModes.insert(g, q.value(3).toString());
        map->groupScanRates.insert(g, q.value(4).toInt());
        map->groupAccessLevels.insert(g, q.value(5).toInt());
    }
    q.prepare(QStringLiteral("SELECT address, description, value_range, protocol_version, format"
                             " FROM registers WHERE map = ?"));
    q.addBindValue(mapName);
    if (!q.exec())
        return false;
    while (q.next()) {
        const int a = q.value(0).toInt();
        if (a < 0 || a > 0xFFFF)
            continue;
        map->registerDescriptions.insert(a, q.value(1).toString());
        map->registerValueRanges.insert(a, q.value(2).toString());
        map->registerProtocolVersions.insert(a, q.value(3).toString());
        map->registerFormats.insert(a, q.value(4).toString());
    }
    return any;
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
                         .arg(g.key()).arg(g.value()).arg(map.groupRegisterCounts.value(g.key()))
                         .arg(map.groupAccessModes.value(g.key())).arg(map.groupScanRates.value(g.key()))
                         .arg(map.groupAccessLevels.value(g.key())).toUtf8());
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
    // Requests awaiting their outcome, by what the link recorded of them. The link answers
    // each request once; the scanner's answers come from the device's own address, so
    // the request's fields are what an answer is matched by.
    QMap<std::tuple<int, int, int>, int> open;
    qint64 before = 0;
    for (int i = 0; i < data.frames.size(); ++i) {
        const TrafficFrame &f = data.frames.at(i);
        const qint64 t = data.tUs(f);
        auto at = [&](const QString &what) {
            return Text::tr("frame %1 at %2 %3").arg(i + 1).arg(SessionFormat::timeText(t), what);
        };
        if (t < before)
            return at(Text::tr("is older than the frame before it"));
        before = t;
        const auto key = std::make_tuple(int(f.server), int(f.function), int(f.address));
        if (f.direction == TrafficFrame::Sent) {
            const TrafficDecoded d = decodeTraffic(f);
            if (d.kind != TrafficDecoded::OtherFunction
                && (d.kind == TrafficDecoded::Malformed || d.function != f.function || d.address != f.address))
                return at(Text::tr("holds a request other than the one recorded with it"));
            ++open[key];
        } else if (f.direction == TrafficFrame::Received || f.direction == TrafficFrame::NoAnswer) {
            if (f.direction == TrafficFrame::Received
                && (f.bytes.size() < 2 || (quint8(f.bytes.at(1)) & 0x7F) != f.function))
                return at(Text::tr("answers another function than its request"));
            auto request = open.find(key);
            if (request == open.end() || request.value() == 0)
                return at(Text::tr("answers no request"));
            --request.value();
        } else {
            return at(Text::tr("has an unknown direction"));
        }
    }
    return QString();
}

bool readSession(const QString &path, SessionData *data, QString *error)
{
    *data = SessionData();
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    const QString shown = QFileInfo(path).fileName();
    QFile file(path);
    if (!file.exists())
        return fail(Text::tr("%1: no such file").arg(shown));
    if (!file.open(QIODevice::ReadOnly))
        return fail(Text::tr("Cannot read %1: %2").arg(shown, file.errorString()));
    const QByteArray head = file.read(100);
    file.close();
    if (!head.startsWith(QByteArrayLiteral("SQLite format 3\0")) || head.size() < 100)
        return fail(Text::tr("%1 is not a Grivant session: it is not an SQLite database.").arg(shown));

    // A session whose recording was cut short keeps its last seconds in the log beside it.
    // SQLite would fold that log into the file on opening; it is read from copies instead,
    // so that neither the file nor its log change. A file without a log is read as an
    // unchangeable file, which SQLite neither locks nor writes beside.
    ReadConnection connection;
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection.name);
    QTemporaryDir copies;
    const QString wal = path + QStringLiteral("-wal");
    if (QFileInfo(wal).size() > 0) {
        const QString copy = copies.filePath(QStringLiteral("session"));
        if (!copies.isValid() || !QFile::copy(path, copy) || !QFile::copy(wal, copy + QStringLiteral("-wal")))
            return fail(Text::tr("Cannot read %1: no room for a copy of it and its log").arg(shown));
        QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
        QFile::setPermissions(copy + QStringLiteral("-wal"), QFile::ReadOwner | QFile::WriteOwner);
        db.setDatabaseName(copy);
        data->remarks << Text::tr("The recording did not end cleanly; its log was read as well.");
    } else {
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
        db.setDatabaseName(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded)
                           + QStringLiteral("?immutable=1"));
    }
    if (!db.open())
        return fail(Text::tr("Cannot read %1: %2").arg(shown, db.lastError().text()));

    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("PRAGMA application_id")) || !q.next())
        return fail(Text::tr("Cannot read %1: %2").arg(shown, q.lastError().text()));
    if (q.value(0).toInt() != SessionFormat::ApplicationId)
        return fail(Text::tr("%1 is not a Grivant session: it is an SQLite database of another kind.").arg(shown));
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next())
        return fail(Text::tr("Cannot read %1: %2").arg(shown, q.lastError().text()));
    const int version = q.value(0).toInt();
    if (version > SessionFormat::Version)
        return fail(Text::tr("%1 was recorded by a newer Grivant (session format %2); this one reads "
                             "format %3 and older. Open it with a newer Grivant.")
                        .arg(shown).arg(version).arg(SessionFormat::Version));

    QHash<QString, QVariant> values;
    if (!q.exec(QStringLiteral("SELECT key, value FROM session")))
        return fail(Text::tr("%1 is damaged: its header cannot be read (%2).").arg(shown, q.lastError().text()));
    while (q.next())
        values.insert(q.value(0).toString(), q.value(1));
    SessionHeader &h = data->header;
    h.formatVersion = values.value(QStringLiteral("format_version")).toInt();
    h.program = values.value(QStringLiteral("program")).toString();
    h.hostOs = values.value(QStringLiteral("host_os")).toString();
    h.startEpochUs = values.value(QStringLiteral("start_epoch_us")).toLongLong();
    h.port = values.value(QStringLiteral("port")).toString();
    h.baudRate = values.value(QStringLiteral("baud")).toInt();
    h.parity = parityNumber(values.value(QStringLiteral("parity")).toString());
    h.stopBits = values.value(QStringLiteral("stop_bits")).toInt();
    h.slaveId = values.value(QStringLiteral("slave_id")).toInt();
    h.ident = QByteArray::fromHex(values.value(QStringLiteral("ident")).toString().toLatin1());
    h.modelName = values.value(QStringLiteral("model_name")).toString();
    h.language = values.value(QStringLiteral("language")).toString();
    h.mapName = values.value(QStringLiteral("register_map")).toString();
    h.mapHash = values.value(QStringLiteral("register_map_sha256")).toString();
    h.durationUs = values.value(QStringLiteral("duration_us"), -1).toLongLong();
    if (h.formatVersion < 1 || h.startEpochUs <= 0)
        return fail(Text::tr("%1 is damaged: its header lacks the format or the start time.").arg(shown));
    data->hasMap = readMap(db, h.mapName, &data->map);

    // Rows come in the order they were committed; a damaged file yields them up to the
    // damage, and what follows the last complete second before it is left out.
    bool damaged = false;
    if (!q.exec(QStringLiteral("SELECT t_us, direction, server, function, address, count, waited_ms,"
                               " bytes, note, line FROM frames ORDER BY seq")))
        return fail(Text::tr("%1 is damaged: its frames cannot be read (%2).").arg(shown, q.lastError().text()));
    QString line = TrafficText::line(h.port, h.baudRate, h.parity, h.stopBits);
    while (q.next()) {
        TrafficFrame f;
        f.timeUs = h.startEpochUs + q.value(0).toLongLong();
        f.time = f.timeUs / 1000;
        f.direction = TrafficFrame::Direction(q.value(1).toInt());
        f.server = quint8(q.value(2).toInt());
        f.function = quint8(q.value(3).toInt());
        f.address = q.value(4).isNull() ? -1 : q.value(4).toInt();
        f.count = quint16(q.value(5).toInt());
        f.waitedMs = q.value(6).toInt();
        f.bytes = q.value(7).toByteArray();
        f.note = q.value(8).toString();
        if (!q.value(9).isNull())
            line = q.value(9).toString();
        f.port = line;
        if (q.value(1).toInt() < 0 || q.value(1).toInt() > 2)
            f.direction = TrafficFrame::Direction(3); // left for the consistency check to name
        data->frames.append(f);
    }
    damaged = q.lastError().isValid();
    if (!q.exec(QStringLiteral("SELECT t_us, kind, address, data, tries, text FROM events ORDER BY seq")))
        return fail(Text::tr("%1 is damaged: its events cannot be read (%2).").arg(shown, q.lastError().text()));
    while (q.next()) {
        SessionEvent e;
        e.tUs = q.value(0).toLongLong();
        e.kind = q.value(1).toString();
        e.address = q.value(2).isNull() ? -1 : q.value(2).toInt();
        e.data = q.value(3).toString();
        e.tries = q.value(4).isNull() ? -1 : q.value(4).toInt();
        e.text = q.value(5).toString();
        data->events.append(e);
    }
    damaged = damaged || q.lastError().isValid();

    qint64 last = 0;
    if (!data->frames.isEmpty())
        last = data->tUs(data->frames.constLast());
    if (!data->events.isEmpty())
        last = qMax(last, data->events.constLast().tUs);
    if (damaged) {
        const qint64 cut = last / Second * Second;
        while (!data->frames.isEmpty() && data->tUs(data->frames.constLast()) >= cut)
            data->frames.removeLast();
        while (!data->events.isEmpty() && data->events.constLast().tUs >= cut)
            data->events.removeLast();
        last = cut;
        data->remarks << Text::tr("%1 is cut short or damaged: it is shown up to its last complete second, %2.")
                             .arg(shown, SessionFormat::timeText(cut));
    } else if (h.durationUs < 0) {
        // Says what the remark on the log says, and where the recording ends.
        data->remarks.removeAll(Text::tr("The recording did not end cleanly; its log was read as well."));
        data->remarks << Text::tr("The recording did not end cleanly: it ends at its last complete second, %1.")
                             .arg(SessionFormat::timeText(last));
    }
    data->durationUs = qMax(last, h.durationUs);
    data->remarks.removeDuplicates();

    const QString contradiction = sessionContradiction(*data);
    if (!contradiction.isEmpty())
        return fail(Text::tr("%1 cannot be replayed: its frames contradict each other (%2).").arg(shown, contradiction));
    return true;
}
