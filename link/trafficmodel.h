#pragma once

#include "link/traffic.h"

#include <QAbstractTableModel>

// The monitor's rows: the ring with the filter applied. New frames come in batches, so
// the view repaints on its own clock rather than once per frame.
class TrafficModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { TimeColumn, DirectionColumn, PortColumn, BytesColumn, DecodedColumn, ColumnCount };
    // The number of a row's frame in arrival order: it stays with the frame while rows
    // come and go, so a view may keep what it drew for it.
    static constexpr int SeqRole = Qt::UserRole;
    static constexpr int DefaultCapacity = TrafficTap::DefaultCapacity;

    explicit TrafficModel(int capacity = DefaultCapacity, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void append(const QVector<TrafficFrame> &frames);
    void clear();
    void setFilter(const TrafficFilter &filter);
    TrafficFilter filter() const { return m_filter; }
    // Texts of the column headers and decoded frames follow the language.
    void retranslate();

    const TrafficRing &ring() const { return m_ring; }
    const TrafficFrame &frameAt(int row) const { return m_ring.at(m_rows.at(row)); }
    QString cellText(int row, int column, bool withDate) const;

    enum class Format { Text, Csv };
    // The given rows (all shown rows when `rows` is empty) with their dates, each line
    // ending in a line break, after a header line. Text is tab separated; CSV quotes the
    // fields that need it.
    QString exportText(Format format, const QVector<int> &rows = {}, bool withHeader = true) const;
    bool save(const QString &path, Format format, QString *error) const;

private:
    QString headerText(int column) const;

    TrafficRing m_ring;
    TrafficFilter m_filter;
    QVector<quint64> m_rows;  // numbers of the shown frames, oldest first
};
