#include "data/vevirurodozovidatabase.h"

#include "app/diag.h"
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
        int row = 0;
        while (query.next()) {
            ++row;
            const qint64 series = column(query, cSeries).toLongLong();
            if (!isNibble(series)) {
                GV_WARNING("loadModelMap") << outsideText(
                    QStringLiteral("ModelSerial_Table"), row, QStringLiteral("Gripper_Serial_Index"), series);
                continue;
            }
            seriesTables.insert(int(series), column(query, cTable).toString());
        }
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
        int row = 0;
        while (table.next()) {
            ++row;
            const qint64 model = column(table, cModel).toLongLong();
            const qint64 subModel = column(table, cSubModel).toLongLong();
            int highByte = 0;
            const bool modelFits = modelHighByte(it.key(), model, &highByte);
            if (!modelFits || !isRegisterByte(subModel)) {
                GV_WARNING("loadModelMap") << outsideText(
                    it.value(), row,
                    modelFits ? QStringLiteral("SubModel_Index") : QStringLiteral("Model_Index"),
                    modelFits ? subModel : model);
                continue;
            }
            const QString key = modelKey(highByte, int(subModel));
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
