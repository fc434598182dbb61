#pragma once

#include "data/registermap.h"

#include <QString>

// The shipped model list and both register maps, loaded once before any worker starts
// (database connections belong to the thread that made them; the maps are plain data that
// every worker may read).
class Catalog
{
public:
    // Loads the shipped databases straight from the executable into memory (nothing is
    // unpacked to disk, so no run, interrupted or crashed, leaves a file behind); false with
    // the reason when that fails.
    bool load(const QString &language, QString *error);

    // The model name of a model code ("Grivant" when the list does not know it).
    QString modelName(quint16 modelCode) const;
    // The register map the tool uses for a model: linear modules have their own.
    const RegisterMap &mapFor(const QString &modelName) const;
    const RegisterMap &gripperMap() const { return m_gripper; }
    const RegisterMap &moduleMap() const { return m_module; }
    static bool isModule(const QString &modelName);

private:
    ModelMap m_models;
    RegisterMap m_gripper;
    RegisterMap m_module;
};
