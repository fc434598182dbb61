#pragma once

#include <QSqlDatabase>
#include <QString>

// Database objects that open the same file share one named Qt SQL connection. Each
// object holds a claim on the name while it is bound to it; the connection is closed and
// removed from Qt's registry only when the last claim goes, so deleting an older object
// never pulls the connection from under a newer one. GUI thread only.
namespace SqlConnection {

void claim(const QString &connectionName);
void release(const QString &connectionName);
int claims(const QString &connectionName);

enum class OpenResult { Opened, FileNotFound, NotOpen };

// Binds *connectionName to the SQLite file at path (the file's complete base name, claimed
// for the caller; an earlier claim of the caller is released) and opens that connection. A
// valid connection of that name is used as it is; otherwise one is added with the file's
// absolute path.
OpenResult openFile(const QString &path, QString *connectionName);

// The named connection, opened if it is not; *open tells whether it is open.
QSqlDatabase database(const QString &connectionName, bool *open);

} // namespace SqlConnection
