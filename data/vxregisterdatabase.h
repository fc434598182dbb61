#pragma once

#include "data/registermap.h"

#include <QObject>
#include <QSqlDatabase>
#include <QString>
#include <memory>

// Opens one register map database and loads it into a RegisterMap.
class VXRegisterDatabase : public QObject
{
    Q_OBJECT

public:
    VXRegisterDatabase(QObject *parent, const QString &language);
    ~VXRegisterDatabase() override;

    bool openDatabase(const QString &path);
    QSqlDatabase database();
    RegisterMap *loadRegisterMap();
    RegisterMap *registerMap();
    QString lastError() const { return m_lastError; }
    QString connectionName() const { return m_connectionName; }

private:
    QString m_connectionName;
    QString m_lastError;
    std::unique_ptr<RegisterMap> m_map;
    QString m_language;
};
