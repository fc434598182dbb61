#include "data/sqlconnection.h"

#include <QHash>
#include <QSqlDatabase>

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

} // namespace SqlConnection
