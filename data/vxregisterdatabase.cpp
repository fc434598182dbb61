#include "data/vxregisterdatabase.h"

#include "app/diag.h"
#include "data/sqlconnection.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

namespace {

// A column the table lacks reads as a null value (0 or an empty text).
QVariant column(const QSqlQuery &query, int index)
{
    return index < 0 ? QVariant() : query.value(index);
}

} // namespace

VXRegisterDatabase::VXRegisterDatabase(QObject *parent, const QString &language)
    : QObject(parent), m_language(language)
{
}

VXRegisterDatabase::~VXRegisterDatabase()
{
    m_map.reset();
    if (!m_connectionName.isEmpty())
        SqlConnection::release(m_connectionName);
}

bool VXRegisterDatabase::openDatabase(const QString &path)
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

QSqlDatabase VXRegisterDatabase::database()
{
    bool open = false;
    QSqlDatabase db = SqlConnection::database(m_connectionName, &open);
    if (!open)
        m_lastError = tr("Sqlite not open");
    return db;
}

RegisterMap *VXRegisterDatabase::loadRegisterMap()
{
    const bool chinese = m_language == QLatin1String("zh_CN");
    const QString groupNameColumn =
        chinese ? QStringLiteral("Func_Description_CH") : QStringLiteral("Func_Description_EN");
    const QString descriptionColumn =
        chinese ? QStringLiteral("Reg_Description_CH") : QStringLiteral("Reg_Description_EN");

    QSqlDatabase db = database();
    QSqlQuery query(db);
    const QString indexStatement = QStringLiteral("select * from register_indextable ");
    if (!query.exec(indexStatement)) {
        m_lastError = QStringLiteral("%1:%2").arg(indexStatement, query.lastError().text());
        return nullptr;
    }

    // Filled aside and installed only when every table has been read: a failed load
    // leaves the earlier map in place and the next registerMap() call tries again.
    auto map = std::make_unique<RegisterMap>();
    {
        const QSqlRecord record = query.record();
        const int cName = record.indexOf(groupNameColumn);
        const int cLevel = record.indexOf(QStringLiteral("Access_Level"));
        const int cRate = record.indexOf(QStringLiteral("Scan_Rate"));
        const int cMode = record.indexOf(QStringLiteral("Reg_RW"));
        const int cCount = record.indexOf(QStringLiteral("Reg_Num"));
        const int cTable = record.indexOf(QStringLiteral("Reg_Table_Name"));
        const int cGroup = record.indexOf(QStringLiteral("Reg_Add_Hi"));
        int row = 0;
        while (query.next()) {
            ++row;
            const qint64 groupNumber = column(query, cGroup).toLongLong();
            if (!isRegisterByte(groupNumber)) {
                GV_WARNING("loadRegisterMap") << outsideText(
                    QStringLiteral("register_indextable"), row, QStringLiteral("Reg_Add_Hi"), groupNumber);
                continue;
            }
            const int group = int(groupNumber);
            map->groupNames.insert(group, column(query, cName).toString());
            map->groupTableNames.insert(group, column(query, cTable).toString());
            map->groupRegisterCounts.insert(group, column(query, cCount).toInt());
            map->groupAccessModes.insert(group, column(query, cMode).toString());
            map->groupScanRates.insert(group, column(query, cRate).toInt());
            map->groupAccessLevels.insert(group, column(query, cLevel).toInt());
        }
    }
    query.finish();

    for (auto it = map->groupTableNames.cbegin(); it != map->groupTableNames.cend(); ++it) {
        const QString statement = QStringLiteral("select * from %1 ").arg(it.value());
        QSqlQuery table(db);
        if (!table.exec(statement)) {
            m_lastError = QStringLiteral("%1:%2").arg(statement, table.lastError().text());
            return nullptr;
        }
        const QSqlRecord record = table.record();
        const int cDescription = record.indexOf(descriptionColumn);
        const int cFormat = record.indexOf(QStringLiteral("Format"));
        const int cVersion = record.indexOf(QStringLiteral("Protocol_Version"));
        const int cRange = record.indexOf(QStringLiteral("Reg_Value_Range"));
        const int cOffset = record.indexOf(QStringLiteral("Reg_Add_Lo"));
        int row = 0;
        while (table.next()) {
            ++row;
            const qint64 offset = column(table, cOffset).toLongLong();
            int address = 0;
            if (!registerAddress(it.key(), offset, &address)) {
                GV_WARNING("loadRegisterMap")
                    << outsideText(it.value(), row, QStringLiteral("Reg_Add_Lo"), offset);
                continue;
            }
            map->registerDescriptions.insert(address, column(table, cDescription).toString());
            map->registerFormats.insert(address, column(table, cFormat).toString());
            map->registerProtocolVersions.insert(address, column(table, cVersion).toString());
            map->registerValueRanges.insert(address, column(table, cRange).toString());
        }
    }

    m_map = std::move(map);
    return m_map.get();
}

RegisterMap *VXRegisterDatabase::registerMap()
{
    if (!m_map)
        return loadRegisterMap();
    return m_map.get();
}
