#include "data/sqlconnection.h"

#include <QFileInfo>
#include <QHash>

namespace {

QHash<QString, int> &claimCounts()
{
    static QHash<QString, int> counts;
    return counts;
}

} // namespace

namespace SqlConnection {

void claim(const QString &connectionName)
{
    ++claimCounts()[connectionName];
}

void release(const QString &connectionName)
{
    auto &counts = claimCounts();
    auto it = counts.find(connectionName);
    if (it == counts.end())
        return;
    if (--it.value() > 0)
        return;
    counts.erase(it);
    {
        QSqlDatabase db = QSqlDatabase::database(connectionName, false);
        if (db.isValid() && db.isOpen())
            db.close();
    }
    if (QSqlDatabase::contains(connectionName))
        QSqlDatabase::removeDatabase(connectionName);
}

int claims(const QString &connectionName)
{
    return claimCounts().value(connectionName);
}

OpenResult openFile(const QString &path, QString *connectionName)
{
    const QFileInfo file(path);
    if (!file.exists())
        return OpenResult::FileNotFound;

    const QString name = file.completeBaseName();
    if (name != *connectionName) {
        if (!connectionName->isEmpty())
            release(*connectionName);
        *connectionName = name;
        claim(name);
    }

    QSqlDatabase db = QSqlDatabase::database(name, true);
    if (!db.isValid()) {
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file.absoluteFilePath());
    }
    if (!db.isOpen() && !db.open())
        return OpenResult::NotOpen;
    return OpenResult::Opened;
}

QSqlDatabase database(const QString &connectionName, bool *open)
{
    QSqlDatabase db = QSqlDatabase::database(connectionName, true);
    *open = db.isOpen();
    return db;
}

} // namespace SqlConnection
