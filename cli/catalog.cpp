#include "cli/catalog.h"

#include "data/vevirurodozovidatabase.h"
#include "data/vxregisterdatabase.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QVariant>

#include <sqlite3.h>

#include <cstring>

namespace {

// The database loaders open a file by path and use an existing connection named after the
// file's base name as it is. A shipped database is therefore put, before the loader runs,
// into an in-memory SQLite connection of that name, and the loader is given the resource
// path, whose base name is the same. Nothing reaches the disk.
class InMemoryDatabase
{
public:
    bool load(const QString &resource, QString *error)
    {
        m_name = QFileInfo(resource).completeBaseName();
        QFile file(resource);
        if (!file.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("cannot read the shipped %1: %2").arg(resource, file.errorString());
            return false;
        }
        const QByteArray bytes = file.readAll();
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(QStringLiteral(":memory:"));
        if (!db.open()) {
            *error = QStringLiteral("cannot open an in-memory database for %1").arg(resource);
            return false;
        }
        const QVariant handle = db.driver()->handle();
        sqlite3 *sqlite = handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0
                              ? *static_cast<sqlite3 *const *>(handle.constData())
                              : nullptr;
        // SQLite owns the copy and frees it when the connection closes.
        auto *copy = static_cast<unsigned char *>(sqlite3_malloc64(sqlite3_uint64(bytes.size())));
        if (!sqlite || !copy) {
            sqlite3_free(copy);
            *error = QStringLiteral("cannot load %1 into memory").arg(resource);
            return false;
        }
        std::memcpy(copy, bytes.constData(), std::size_t(bytes.size()));
        const int rc = sqlite3_deserialize(sqlite, "main", copy, bytes.size(), bytes.size(),
                                           SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_READONLY);
        if (rc != SQLITE_OK) {
            *error = QStringLiteral("cannot load %1 into memory: %2").arg(resource, QString::fromUtf8(sqlite3_errstr(rc)));
            return false;
        }
        return true;
    }

    ~InMemoryDatabase()
    {
        // The loader removes the connection when it is done with it; one it never reached is
        // removed here.
        if (!m_name.isEmpty() && QSqlDatabase::contains(m_name)) {
            QSqlDatabase::database(m_name, false).close();
            QSqlDatabase::removeDatabase(m_name);
        }
    }

private:
    QString m_name;
};

} // namespace

bool Catalog::load(const QString &language, QString *error)
{
    const QString models = QStringLiteral(":/Resource/VEvirurodOzovi.db");
    {
        InMemoryDatabase memory;
        if (!memory.load(models, error))
            return false;
        VEVirurodOzoviDatabase db;
        const ModelMap *map = db.openDatabase(models) ? db.modelMap() : nullptr;
        if (!map) {
            *error = db.lastError();
            return false;
        }
        m_models = *map;
    }
    const auto loadMap = [&](const QString &resource, RegisterMap *out) {
        InMemoryDatabase memory;
        if (!memory.load(resource, error))
            return false;
        VXRegisterDatabase db(nullptr, language);
        const RegisterMap *map = db.openDatabase(resource) ? db.registerMap() : nullptr;
        if (!map) {
            *error = db.lastError();
            return false;
        }
        *out = *map;
        return true;
    };
    return loadMap(QStringLiteral(":/Resource/ZODidovavaGripperReg.db"), &m_gripper)
           && loadMap(QStringLiteral(":/Resource/ZODidovavaModuleReg.db"), &m_module);
}

QString Catalog::modelName(quint16 modelCode) const
{
    const QString name = m_models.modelNames.value(modelKey(modelCode >> 8, modelCode & 0xFF));
    return name.isEmpty() ? QStringLiteral("Grivant") : name;
}

bool Catalog::isModule(const QString &modelName)
{
    return modelName.contains(QLatin1String("TQP2-51500"));
}

const RegisterMap &Catalog::mapFor(const QString &modelName) const
{
    return isModule(modelName) ? m_module : m_gripper;
}
