#pragma once

#include "data/registermap.h"

#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <memory>

// Opens the model database and loads it into a ModelMap.
class VEVirurodOzoviDatabase : public QObject
{
    Q_OBJECT

public:
    explicit VEVirurodOzoviDatabase(QObject *parent = nullptr);
    ~VEVirurodOzoviDatabase() override;

    bool openDatabase(const QString &path);
    QSqlDatabase database();
    ModelMap *loadModelMap();
    ModelMap *modelMap();
    QString lastError() const { return m_lastError; }

private:
    QString m_connectionName;
    QString m_lastError;
    std::unique_ptr<ModelMap> m_map;
};
