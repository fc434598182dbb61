#pragma once

#include <QString>

// Database objects that open the same file share one named Qt SQL connection. Each
// object holds a claim on the name while it is bound to it; the connection is closed and
// removed from Qt's registry only when the last claim goes, so deleting an older object
// never pulls the connection from under a newer one. GUI thread only.
namespace SqlConnection {

void claim(const QString &connectionName);
void release(const QString &connectionName);
int claims(const QString &connectionName);

} // namespace SqlConnection
