#include "data/vevirurodozovidatabase.h"

#include "data/sqlconnection.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

namespace {

QVariant column(const QSqlQuery &query, int index)
{
    return index < 0 ? QVariant() : query.value(index);
}

} // namespace

VEVirurodOzoviDatabase::VEVirurodOzoviDatabase(QObject *parent) : QObject(parent) {}

VEVirurodOzoviDatabase::~VEVirurodOzoviDatabase()
{
    m_map.reset();
    if (!m_connectionName.isEmpty())
        SqlConnection::release(m_connectionName);
}

bool VEVirurodOzoviDatabase::openDatabase(const QString &path)
{
    switch (SqlConnection::openFile(path, &m_connectionName)) {
    case SqlConnection::OpenResult::Opened:
        return true;
    case SqlConnection::OpenResult::FileNotFound:
        m_lastError = tr("Not found file: %1").arg(path);
        return false;
    case SqlConnection::OpenResult::NotOpen:
        m_lastError = tr("Sqlite not open: %1").arg(QFileInfo(path).absoluteFilePath());
        return false;
    }
    return false;
}

QSqlDatabase VEVirurodOzoviDatabase::database()
{
    bool open = false;
    QSqlDatabase db = SqlConnection::database(m_connectionName, &open);
    if (!open)
        m_lastError = tr("Sqlite not open");
    return db;
}

ModelMap *VEVirurodOzoviDatabase::loadModelMap()
{
    QSqlDatabase db = database();
    QSqlQuery query(db);
    const QString seriesStatement = QStringLiteral("select * from ModelSerial_Table ");
    if (!query.exec(seriesStatement)) {
        m_lastError = QStringLiteral("%1:%2").arg(seriesStatement, query.lastError().text());
        return nullptr;
    }

    QMap<int, QString> seriesTables;
    {
        const QSqlRecord record = query.record();
        const int cSeries = record.indexOf(QStringLiteral("Gripper_Serial_Index"));
        const int cTable = record.indexOf(QStringLiteral("Table_Name"));
        while (query.next())
            seriesTables.insert(column(query, cSeries).toInt(), column(query, cTable).toString());
    }
    query.finish();

    // Installed only when every series table has been read (see VXRegisterDatabase).
    auto map = std::make_unique<ModelMap>();
    for (auto it = seriesTables.cbegin(); it != seriesTables.cend(); ++it) {
        const QString statement = QStringLiteral("select * from %1 ").arg(it.value());
        QSqlQuery table(db);
        if (!table.exec(statement)) {
            m_lastError = QStringLiteral("%1:%2").arg(statement, table.lastError().text());
            return nullptr;
        }
        const QSqlRecord record = table.record();
        const int cModel = record.indexOf(QStringLiteral("Model_Index"));
        const int cSubModel = record.indexOf(QStringLiteral("SubModel_Index"));
        const int cDescription = record.indexOf(QStringLiteral("Description"));
        const int cName = record.indexOf(QStringLiteral("Model_Name"));
        while (table.next()) {
            const QString key = modelKey(it.key() * 16 + column(table, cModel).toInt(),
                                         column(table, cSubModel).toInt());
            map->modelNames.insert(key, column(table, cName).toString());
            map->descriptions.insert(key, column(table, cDescription).toString());
        }
    }

    m_map = std::move(map);
    return m_map.get();
}

ModelMap *VEVirurodOzoviDatabase::modelMap()
{
    if (!m_map)
        return loadModelMap();
    return m_map.get();
}
