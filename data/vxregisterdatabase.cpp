#include "data/vxregisterdatabase.h"
VXRegisterDatabase::VXRegisterDatabase(QObject *parent, const QString &language) : QObject(parent), m_language(language) {}
VXRegisterDatabase::~VXRegisterDatabase() = default;
bool VXRegisterDatabase::openDatabase(const QString &) { return false; }
QSqlDatabase VXRegisterDatabase::database() { return {}; }
RegisterMap *VXRegisterDatabase::loadRegisterMap() { return nullptr; }
RegisterMap *VXRegisterDatabase::registerMap() { return nullptr; }
