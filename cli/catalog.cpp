#include "cli/catalog.h"

#include "data/filecopy.h"
#include "data/vevirurodozovidatabase.h"
#include "data/vxregisterdatabase.h"

#include <QDir>

bool Catalog::load(const QString &language, QString *error)
{
    if (!m_folder.isValid()) {
        *error = QStringLiteral("cannot make a temporary folder: %1").arg(m_folder.errorString());
        return false;
    }
    const QDir dir(m_folder.path());
    for (const char *name : {"VEvirurodOzovi.db", "ZODidovavaGripperReg.db", "ZODidovavaModuleReg.db"}) {
        if (copyFileContent(QStringLiteral(":/Resource/") + QLatin1String(name),
                            dir.filePath(QLatin1String(name))) != FileCopyResult::Copied) {
            *error = QStringLiteral("cannot unpack %1 into %2").arg(QLatin1String(name), dir.path());
            return false;
        }
    }

    {
        VEVirurodOzoviDatabase models;
        const ModelMap *map = models.openDatabase(dir.filePath(QStringLiteral("VEvirurodOzovi.db")))
                                  ? models.modelMap() : nullptr;
        if (!map) {
            *error = models.lastError();
            return false;
        }
        m_models = *map;
    }
    const auto loadMap = [&](const char *file, RegisterMap *out) {
        VXRegisterDatabase db(nullptr, language);
        const RegisterMap *map = db.openDatabase(dir.filePath(QLatin1String(file))) ? db.registerMap() : nullptr;
        if (!map) {
            *error = db.lastError();
            return false;
        }
        *out = *map;
        return true;
    };
    return loadMap("ZODidovavaGripperReg.db", &m_gripper) && loadMap("ZODidovavaModuleReg.db", &m_module);
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
