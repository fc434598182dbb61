#include "lineview/linemodels.h"

#include "engine/feedbackwords.h"

#include <QCoreApplication>
#include <QDateTime>

#include <algorithm>
#include <cmath>

namespace {

QString timeOfDay(qint64 ms)
{
    const QDateTime t = QDateTime::fromMSecsSinceEpoch(ms);
    const bool today = t.date() == QDate::currentDate();
    return t.toString(today ? QStringLiteral("HH:mm:ss") : QStringLiteral("yyyy-MM-dd HH:mm"));
}

int order(qint64 a, qint64 b)
{
    return a < b ? -1 : (a > b ? 1 : 0);
}

int orderDouble(bool hasA, double a, bool hasB, double b)
{
    if (hasA != hasB)
        return hasA ? -1 : 1; // what is missing goes last
    if (!hasA)
        return 0;
    return a < b ? -1 : (a > b ? 1 : 0);
}

// Offline first, then leased, online, and devices nobody said anything about.
int presenceRank(Presence p)
{
    switch (p) {
    case Presence::Offline: return 0;
    case Presence::Leased: return 1;
    case Presence::Online: return 2;
    case Presence::Unknown: break;
    }
    return 3;
}

FeedbackWords::Table initTable(const LineState::Device &d)
{
    return d.family() == Family::Module ? FeedbackWords::Table::Homing : FeedbackWords::Table::Initialisation;
}

FeedbackWords::Table stateTable(const LineState::Device &d)
{
    return d.family() == Family::Module ? FeedbackWords::Table::MotionState : FeedbackWords::Table::GripState;
}

QString stateWord(FeedbackWords::Table table, qint64 value)
{
    if (value < 0)
        return QString();
    if (const char *w = FeedbackWords::word(table, value))
        return QCoreApplication::translate(FeedbackWords::Context, w);
    return LineTableModel::tr("%1 (unknown)").arg(value);
}

} // namespace

// ---- LineTableModel ----

LineTableModel::LineTableModel(LineState *state, QObject *parent) : QAbstractTableModel(parent), m_state(state) {}

qint64 LineTableModel::now() const
{
    return m_clock ? m_clock() : QDateTime::currentMSecsSinceEpoch();
}

bool LineTableModel::refresh()
{
    const LineState::Changes c = m_state->takeChanges();
    bool told = false;
    if (c.rowCount > m_rows) {
        beginInsertRows(QModelIndex(), m_rows, c.rowCount - 1);
        m_rows = c.rowCount;
        endInsertRows();
        told = true;
    }
    // Changed rows in runs, so that a line of a thousand busy devices is a few signals.
    for (int i = 0; i < c.changedRows.size();) {
        int j = i;
        while (j + 1 < c.changedRows.size() && c.changedRows.at(j + 1) - c.changedRows.at(j) <= 8)
            ++j;
        const int first = c.changedRows.at(i);
        const int last = c.changedRows.at(j);
        if (first < m_rows)
            emit dataChanged(index(first, 0), index(std::min(last, m_rows - 1), ColumnCount - 1));
        i = j + 1;
        told = true;
    }
    for (int k = c.goneRows.size() - 1; k >= 0; --k) {
        const int row = c.goneRows.at(k);
        beginRemoveRows(QModelIndex(), row, row);
        m_state->removeRow(row);
        --m_rows;
        endRemoveRows();
        told = true;
    }
    const qint64 t = now();
    if (m_rows > 0 && t - m_lastAgeTick >= 1000) {
        m_lastAgeTick = t;
        emit dataChanged(index(0, AgeColumn), index(m_rows - 1, AgeColumn), {Qt::DisplayRole});
        told = true;
    }
    return told;
}

void LineTableModel::clear()
{
    beginResetModel();
    m_state->clear();
    m_rows = 0;
    endResetModel();
}

void LineTableModel::retranslate()
{
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    if (m_rows > 0)
        emit dataChanged(index(0, 0), index(m_rows - 1, ColumnCount - 1));
}

int LineTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int LineTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

const LineState::Device *LineTableModel::device(int row) const
{
    return row >= 0 && row < m_rows && row < m_state->devices().size() ? &m_state->devices().at(row) : nullptr;
}

QString LineTableModel::presenceText(Presence presence)
{
    switch (presence) {
    case Presence::Online: return tr("online");
    case Presence::Offline: return tr("offline");
    case Presence::Leased: return tr("leased");
    case Presence::Unknown: break;
    }
    return QString();
}

QString LineTableModel::familyText(Family family)
{
    switch (family) {
    case Family::Gripper: return tr("gripper");
    case Family::Rotary: return tr("rotary gripper");
    case Family::Module: return tr("linear module");
    case Family::Unknown: break;
    }
    return QString();
}

QString LineTableModel::initialisationText(const LineState::Device &d)
{
    return d.hasState ? stateWord(initTable(d), d.reading.initialisation) : QString();
}

QString LineTableModel::stateText(const LineState::Device &d)
{
    return d.hasState ? stateWord(stateTable(d), d.reading.state) : QString();
}

QString LineTableModel::faultText(const LineState::Device &d)
{
    if (!d.hasState)
        return QString();
    if (d.reading.hasErrorCode && (d.reading.fault || d.reading.errorCode != 0))
        return tr("error %1").arg(d.reading.errorCode);
    return d.reading.fault ? tr("fault") : QString();
}

QString LineTableModel::positionText(const LineState::Device &d)
{
    if (!d.hasState || !d.reading.hasPosition)
        return QString();
    const QString &unit = d.reading.positionUnit;
    const int decimals = unit == QLatin1String("mm") ? 2 : 1;
    const QString number = std::fabs(d.reading.position) < 1e9 ? QString::number(d.reading.position, 'f', decimals)
                                                                 : QString::number(d.reading.position, 'g', 6);
    return unit.isEmpty() ? number : number + QLatin1Char(' ') + unit;
}

QString LineTableModel::currentText(const LineState::Device &d)
{
    if (!d.hasState || !d.reading.hasCurrent)
        return QString();
    return QString::number(d.reading.current, 'g', 6) + QLatin1String(" mA");
}

QString LineTableModel::ageText(qint64 ms)
{
    if (ms < 0)
        return QString();
    const qint64 s = ms / 1000;
    if (s < 120)
        return tr("%1 s").arg(s);
    if (s < 2 * 3600)
        return tr("%1 min").arg(s / 60);
    if (s < 2 * 86400)
        return tr("%1 h").arg(s / 3600);
    return tr("%1 days").arg(s / 86400);
}

QString LineTableModel::pollText(const LineState::Device &d)
{
    const DeviceHealth &h = d.health;
    if (!h.known || h.intervalP50Ms < 0)
        return QString();
    const QString p50 = QString::number(h.intervalP50Ms, 'f', 0);
    return h.intervalP95Ms >= 0 ? tr("%1 / %2 ms").arg(p50, QString::number(h.intervalP95Ms, 'f', 0))
                                : tr("%1 ms").arg(p50);
}

QString LineTableModel::text(const LineState::Device &d, int column) const
{
    switch (column) {
    case GatewayColumn: return d.gateway;
    case BusColumn: return d.bus;
    case IdColumn: return QString::number(d.id);
    case ModelColumn: return d.identity.modelName;
    case FamilyColumn: return familyText(d.family());
    case AvailabilityColumn: return presenceText(m_state->presenceOf(d));
    case InitialisationColumn: return initialisationText(d);
    case StateColumn: return stateText(d);
    case PositionColumn: return positionText(d);
    case CurrentColumn: return currentText(d);
    case FaultColumn: return faultText(d);
    case AgeColumn: return ageText(LineState::ageMs(d, now()));
    case PollColumn: return pollText(d);
    default: break;
    }
    return QString();
}

QVariant LineTableModel::data(const QModelIndex &index, int role) const
{
    const LineState::Device *d = index.isValid() ? device(index.row()) : nullptr;
    if (!d)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return text(*d, index.column());
    case Qt::TextAlignmentRole:
        switch (index.column()) {
        case IdColumn:
        case PositionColumn:
        case CurrentColumn:
        case AgeColumn:
        case PollColumn: return int(Qt::AlignRight | Qt::AlignVCenter);
        default: return QVariant();
        }
    case Qt::ToolTipRole:
        if (index.column() == AvailabilityColumn && d->availability != Presence::Offline
            && m_state->presenceOf(*d) == Presence::Offline)
            return tr("The gateway %1 is offline: nobody watches this device now.").arg(d->gateway);
        // The holder is worth reading only while the device is leased: a gateway that died
        // leased leaves it behind.
        if (index.column() == AvailabilityColumn && m_state->presenceOf(*d) == Presence::Leased)
        {
            if (d->holder.isEmpty())
                return tr("Lent to a client for diagnosis");
            if (d->holderSinceMs <= 0)
                return tr("Lent to %1 for diagnosis").arg(d->holder);
            return tr("Lent to %1 for diagnosis since %2").arg(d->holder, timeOfDay(d->holderSinceMs));
        }
        if (index.column() == ModelColumn && d->hasInfo)
            return tr("Model code %1, hardware %2, software %3, unique ID %4")
                .arg(d->identity.modelCode, d->identity.hardware, d->identity.software, d->identity.uniqueId);
        if (index.column() == PollColumn && d->health.known)
            return d->health.late ? tr("Achieved poll interval, median / 95 %: slower than its period of %1 ms")
                                        .arg(d->health.periodMs)
                                  : tr("Achieved poll interval, median / 95 %");
        if (index.column() == AgeColumn && d->stateAtMs > 0)
            return tr("Last state at %1").arg(timeOfDay(d->stateAtMs));
        // The long words of a state, in full where the column cuts them.
        if (index.column() == StateColumn || index.column() == InitialisationColumn)
            return text(*d, index.column());
        return QVariant();
    case PresenceRole:
        return int(m_state->presenceOf(*d));
    case FaultRole:
        return d->hasState && d->reading.fault;
    case SlowRole:
        return d->health.known && d->health.late;
    default: break;
    }
    return QVariant();
}

QVariant LineTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case GatewayColumn: return tr("Gateway");
    case BusColumn: return tr("Bus");
    case IdColumn: return tr("ID");
    case ModelColumn: return tr("Model");
    case FamilyColumn: return tr("Family");
    case AvailabilityColumn: return tr("Availability");
    case InitialisationColumn: return tr("Initialisation");
    case StateColumn: return tr("State");
    case PositionColumn: return tr("Position");
    case CurrentColumn: return tr("Current");
    case FaultColumn: return tr("Fault");
    case AgeColumn: return tr("Age");
    case PollColumn: return tr("Poll interval");
    default: break;
    }
    return QVariant();
}

int LineTableModel::compare(int left, int right, int column) const
{
    const LineState::Device *a = device(left);
    const LineState::Device *b = device(right);
    if (!a || !b)
        return order(left, right);
    int c = 0;
    switch (column) {
    case ModelColumn: c = QString::compare(a->identity.modelName, b->identity.modelName, Qt::CaseInsensitive); break;
    case FamilyColumn: c = order(int(a->family()), int(b->family())); break;
    case AvailabilityColumn:
        c = order(presenceRank(m_state->presenceOf(*a)), presenceRank(m_state->presenceOf(*b)));
        break;
    case InitialisationColumn:
        c = orderDouble(a->hasState && a->reading.initialisation >= 0, a->reading.initialisation,
                        b->hasState && b->reading.initialisation >= 0, b->reading.initialisation);
        break;
    case StateColumn:
        c = orderDouble(a->hasState && a->reading.state >= 0, a->reading.state, b->hasState && b->reading.state >= 0,
                        b->reading.state);
        break;
    case PositionColumn:
        c = orderDouble(a->hasState && a->reading.hasPosition, a->reading.position,
                        b->hasState && b->reading.hasPosition, b->reading.position);
        break;
    case CurrentColumn:
        c = orderDouble(a->hasState && a->reading.hasCurrent, a->reading.current, b->hasState && b->reading.hasCurrent,
                        b->reading.current);
        break;
    case FaultColumn: {
        // Faults first, then by their code.
        const bool fa = a->hasState && a->reading.fault;
        const bool fb = b->hasState && b->reading.fault;
        c = fa != fb ? (fa ? -1 : 1) : order(a->reading.errorCode, b->reading.errorCode);
        break;
    }
    case AgeColumn: {
        const qint64 t = now();
        const qint64 ageA = LineState::ageMs(*a, t);
        const qint64 ageB = LineState::ageMs(*b, t);
        c = orderDouble(ageA >= 0, double(ageA), ageB >= 0, double(ageB));
        break;
    }
    case PollColumn:
        c = orderDouble(a->health.known && a->health.intervalP95Ms >= 0, a->health.intervalP95Ms,
                        b->health.known && b->health.intervalP95Ms >= 0, b->health.intervalP95Ms);
        break;
    default: break;
    }
    if (c == 0 && column != BusColumn && column != IdColumn)
        c = QString::compare(a->gateway, b->gateway, Qt::CaseInsensitive);
    if (c == 0)
        c = QString::compare(a->bus, b->bus, Qt::CaseInsensitive);
    if (c == 0)
        c = order(a->id, b->id);
    if (c == 0)
        c = QString::compare(a->gateway, b->gateway, Qt::CaseInsensitive);
    return c != 0 ? c : order(left, right);
}

// ---- LineFilter ----

LineFilter::LineFilter(LineTableModel *source, QObject *parent) : QSortFilterProxyModel(parent), m_source(source)
{
    setSourceModel(source);
    setDynamicSortFilter(true);
}

void LineFilter::setGateway(const QString &gateway)
{
    m_gateway = gateway;
    invalidateFilter();
}

void LineFilter::setBus(const QString &bus)
{
    m_bus = bus;
    invalidateFilter();
}

void LineFilter::setShow(Show show)
{
    m_show = show;
    invalidateFilter();
}

void LineFilter::setFaultsOnly(bool on)
{
    m_faultsOnly = on;
    invalidateFilter();
}

void LineFilter::setText(const QString &text)
{
    m_text = text.trimmed();
    invalidateFilter();
}

bool LineFilter::filterAcceptsRow(int sourceRow, const QModelIndex &) const
{
    const LineState::Device *d = m_source->device(sourceRow);
    if (!d)
        return false;
    if (!m_gateway.isEmpty() && d->gateway != m_gateway)
        return false;
    if (!m_bus.isEmpty() && d->bus != m_bus)
        return false;
    if (m_faultsOnly && !(d->hasState && d->reading.fault))
        return false;
    if (m_show != Show::All) {
        const int presence = m_source->index(sourceRow, 0).data(LineTableModel::PresenceRole).toInt();
        const Presence wanted = m_show == Show::Online ? Presence::Online
                                : m_show == Show::Offline ? Presence::Offline
                                                          : Presence::Leased;
        if (presence != int(wanted))
            return false;
    }
    if (!m_text.isEmpty()) {
        const Qt::CaseSensitivity cs = Qt::CaseInsensitive;
        return d->gateway.contains(m_text, cs) || d->bus.contains(m_text, cs) || QString::number(d->id) == m_text
               || d->identity.modelName.contains(m_text, cs) || d->identity.uniqueId.contains(m_text, cs);
    }
    return true;
}

bool LineFilter::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    return m_source->compare(left.row(), right.row(), left.column()) < 0;
}

// ---- LineBusModel ----

LineBusModel::LineBusModel(const LineState *state, QObject *parent) : QAbstractTableModel(parent), m_state(state) {}

QVector<LineBusModel::Row> LineBusModel::rows() const
{
    QVector<Row> out;
    QVector<const LineState::Gateway *> gateways;
    for (const LineState::Gateway &g : m_state->gateways())
        gateways.append(&g);
    std::sort(gateways.begin(), gateways.end(), [](const LineState::Gateway *a, const LineState::Gateway *b) {
        return QString::compare(a->name, b->name, Qt::CaseInsensitive) < 0;
    });
    QHash<QString, int> at; // "gateway/bus" -> row
    for (const LineState::Gateway *g : qAsConst(gateways)) {
        QVector<const LineState::Bus *> buses;
        for (const LineState::Bus &b : m_state->buses())
            if (b.gateway == g->name)
                buses.append(&b);
        std::sort(buses.begin(), buses.end(), [](const LineState::Bus *a, const LineState::Bus *b) {
            return QString::compare(a->name, b->name, Qt::CaseInsensitive) < 0;
        });
        if (buses.isEmpty())
            out.append({g->name, QString(), 0, 0});
        for (const LineState::Bus *b : qAsConst(buses)) {
            at.insert(g->name + QLatin1Char('/') + b->name, out.size());
            out.append({g->name, b->name, 0, 0});
        }
    }
    for (const LineState::Device &d : m_state->devices()) {
        const int row = at.value(d.gateway + QLatin1Char('/') + d.bus, -1);
        if (row < 0)
            continue;
        ++out[row].devices;
        if (m_state->presenceOf(d) == Presence::Online)
            ++out[row].online;
    }
    return out;
}

void LineBusModel::refresh()
{
    const QVector<Row> fresh = rows();
    bool sameRows = fresh.size() == m_rows.size();
    for (int i = 0; sameRows && i < fresh.size(); ++i)
        sameRows = fresh.at(i).gateway == m_rows.at(i).gateway && fresh.at(i).bus == m_rows.at(i).bus;
    if (!sameRows) {
        beginResetModel();
        m_rows = fresh;
        endResetModel();
        return;
    }
    m_rows = fresh;
    if (!m_rows.isEmpty())
        emit dataChanged(index(0, 0), index(m_rows.size() - 1, ColumnCount - 1));
}

void LineBusModel::retranslate()
{
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    if (!m_rows.isEmpty())
        emit dataChanged(index(0, 0), index(m_rows.size() - 1, ColumnCount - 1));
}

int LineBusModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

int LineBusModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString LineBusModel::gatewayAt(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows.at(row).gateway : QString();
}

QString LineBusModel::busAt(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_rows.at(row).bus : QString();
}

QVariant LineBusModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return QVariant();
    const Row &r = m_rows.at(index.row());
    const LineState::Gateway *g = m_state->gateway(r.gateway);
    const LineState::Bus *b = r.bus.isEmpty() ? nullptr : m_state->bus(r.gateway, r.bus);
    // The gateway's cells only on its first row, as in a tree.
    const bool firstOfGateway = index.row() == 0 || m_rows.at(index.row() - 1).gateway != r.gateway;
    if (role == PresenceRole)
        return g ? int(g->status) : int(Presence::Unknown);
    if (role == Qt::ToolTipRole && index.column() == LineColumn && b && b->hasFigures)
        return b->figures.port;
    if (role == Qt::ToolTipRole && index.column() == LineShareColumn && b && b->hasFigures && b->figures.idleShare >= 0)
        return tr("Idle: %1 % of the time nothing was due").arg(QString::number(b->figures.idleShare * 100, 'f', 1));
    if (role == Qt::ToolTipRole && index.column() == SinceColumn && g && g->sinceMs < 0 && g->status != Presence::Unknown)
        return tr("Known from the broker's retained status: it held before the Line view connected.");
    if (role == Qt::TextAlignmentRole && index.column() >= DevicesColumn)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return QVariant();
    switch (index.column()) {
    case GatewayColumn: return firstOfGateway ? r.gateway : QString();
    case StatusColumn:
        return firstOfGateway && g ? (g->status == Presence::Unknown ? tr("no status")
                                                                      : LineTableModel::presenceText(g->status))
                                   : QString();
    case SinceColumn:
        if (!firstOfGateway || !g || g->status == Presence::Unknown)
            return QString();
        if (g->sinceMs >= 0)
            return timeOfDay(g->sinceMs);
        return m_connectedAtMs >= 0 ? tr("before %1").arg(timeOfDay(m_connectedAtMs)) : QString();
    case BusColumn: return r.bus;
    case LineColumn: return b && b->hasFigures ? b->figures.line : QString();
    case DevicesColumn: return r.bus.isEmpty() ? QString() : tr("%1 of %2 online").arg(r.online).arg(r.devices);
    case LineShareColumn:
        return b && b->hasFigures && b->figures.lineShare >= 0
                   ? QString::number(b->figures.lineShare * 100, 'f', 1) + QLatin1String(" %")
                   : QString();
    case FailuresColumn: {
        const double perMinute = b ? b->failuresPerMinute() : -1;
        return perMinute >= 0 ? QString::number(perMinute, 'f', 1) : QString();
    }
    default: break;
    }
    return QVariant();
}

QVariant LineBusModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case GatewayColumn: return tr("Gateway");
    case StatusColumn: return tr("Status");
    case SinceColumn: return tr("Since");
    case BusColumn: return tr("Bus");
    case LineColumn: return tr("Line");
    case DevicesColumn: return tr("Devices");
    case LineShareColumn: return tr("Line share");
    case FailuresColumn: return tr("Failures/min");
    default: break;
    }
    return QVariant();
}
