#include "link/trafficmodel.h"

#include <QColor>
#include <QSaveFile>
#include <algorithm>

// ---------------------------------------------------------------------------------------------
// Model

TrafficModel::TrafficModel(int capacity, QObject *parent)
    : QAbstractTableModel(parent), m_ring(capacity)
{
}

int TrafficModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows.size();
}

int TrafficModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QString TrafficModel::headerText(int column) const
{
    switch (column) {
    case TimeColumn: return tr("Time");
    case DirectionColumn: return tr("Direction");
    case PortColumn: return tr("Port");
    case BytesColumn: return tr("Bytes");
    case DecodedColumn: return tr("Decoded");
    default: return QString();
    }
}

QVariant TrafficModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    return headerText(section);
}

QString TrafficModel::cellText(int row, int column, bool withDate) const
{
    const TrafficFrame &f = frameAt(row);
    switch (column) {
    case TimeColumn: return TrafficText::time(f.time, withDate);
    case DirectionColumn: return TrafficText::direction(f.direction);
    case PortColumn: return f.port;
    case BytesColumn: return TrafficText::hex(f.bytes);
    case DecodedColumn: return TrafficText::decoded(f);
    default: return QString();
    }
}

QVariant TrafficModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return QVariant();
    // The whole text also as a tip: a long answer runs past the edge of its column.
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
        return cellText(index.row(), index.column(), false);
    if (role == SeqRole)
        return m_rows.at(index.row());
    if (role == Qt::ForegroundRole && decodeTraffic(frameAt(index.row())).isError())
        return QColor(0xC0, 0x39, 0x2B);
    return QVariant();
}

void TrafficModel::append(const QVector<TrafficFrame> &frames)
{
    if (frames.isEmpty())
        return;
    const quint64 firstNew = m_ring.nextSeq();
    for (const TrafficFrame &f : frames)
        m_ring.append(f);

    // Rows whose frames the ring has let go of.
    const quint64 first = m_ring.firstSeq();
    const int gone = int(std::lower_bound(m_rows.cbegin(), m_rows.cend(), first) - m_rows.cbegin());
    if (gone > 0) {
        beginRemoveRows(QModelIndex(), 0, gone - 1);
        m_rows.remove(0, gone);
        endRemoveRows();
    }

    QVector<quint64> added;
    for (quint64 seq = qMax(firstNew, first); seq < m_ring.nextSeq(); ++seq) {
        if (m_filter.matches(m_ring.at(seq)))
            added << seq;
    }
    if (added.isEmpty())
        return;
    beginInsertRows(QModelIndex(), m_rows.size(), m_rows.size() + added.size() - 1);
    m_rows += added;
    endInsertRows();
}

void TrafficModel::clear()
{
    beginResetModel();
    m_ring.clear();
    m_rows.clear();
    m_rows.squeeze();
    endResetModel();
}

void TrafficModel::setFilter(const TrafficFilter &filter)
{
    beginResetModel();
    m_filter = filter;
    m_rows.clear();
    for (quint64 seq = m_ring.firstSeq(); seq < m_ring.nextSeq(); ++seq) {
        if (m_filter.matches(m_ring.at(seq)))
            m_rows << seq;
    }
    endResetModel();
}

void TrafficModel::retranslate()
{
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    if (!m_rows.isEmpty())
        emit dataChanged(index(0, DirectionColumn), index(m_rows.size() - 1, DecodedColumn),
                         {Qt::DisplayRole});
}

QString TrafficModel::exportText(Format format, const QVector<int> &rows, bool withHeader) const
{
    const bool csv = format == Format::Csv;
    const QString separator = csv ? QStringLiteral(",") : QStringLiteral("\t");
    const QString end = csv ? QStringLiteral("\r\n") : QStringLiteral("\n");
    auto lineOf = [&](const QStringList &fields) {
        if (!csv)
            return fields.join(separator) + end;
        QStringList quoted;
        for (const QString &f : fields)
            quoted << TrafficText::csvField(f);
        return quoted.join(separator) + end;
    };

    QString out;
    QStringList header;
    for (int c = 0; c < ColumnCount; ++c)
        header << headerText(c);
    if (withHeader)
        out += lineOf(header);
    auto addRow = [&](int row) {
        QStringList fields;
        for (int c = 0; c < ColumnCount; ++c)
            fields << cellText(row, c, true);
        out += lineOf(fields);
    };
    if (rows.isEmpty()) {
        for (int r = 0; r < m_rows.size(); ++r)
            addRow(r);
    } else {
        for (int r : rows) {
            if (r >= 0 && r < m_rows.size())
                addRow(r);
        }
    }
    return out;
}

bool TrafficModel::save(const QString &path, Format format, QString *error) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    // A byte-order mark lets spreadsheet programs read the Chinese texts as UTF-8.
    if (format == Format::Csv)
        file.write("\xEF\xBB\xBF");
    file.write(exportText(format).toUtf8());
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}
