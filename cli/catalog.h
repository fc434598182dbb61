#pragma once

#include "data/registermap.h"

#include <QString>
#include <QTemporaryDir>

// The shipped model list and both register maps, loaded once before any worker starts
// (database connections belong to the thread that made them; the maps are plain data that
// every worker may read).
class Catalog
{
public:
    // Copies the shipped databases out of the executable into a folder of its own and loads
    // them; false with the reason when that fails.
    bool load(const QString &language, QString *error);

    // The model name of a model code ("Grivant" when the list does not know it).
    QString modelName(quint16 modelCode) const;
    // The register map the tool uses for a model: linear modules have their own.
    const RegisterMap &mapFor(const QString &modelName) const;
    const RegisterMap &gripperMap() const { return m_gripper; }
    const RegisterMap &moduleMap() const { return m_module; }
    static bool isModule(const QString &modelName);

private:
    QTemporaryDir m_folder;
    ModelMap m_models;
    RegisterMap m_gripper;
    RegisterMap m_module;
};
