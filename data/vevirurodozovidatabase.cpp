#include "data/vevirurodozovidatabase.h"
VEVirurodOzoviDatabase::VEVirurodOzoviDatabase(QObject *parent) : QObject(parent) {}
VEVirurodOzoviDatabase::~VEVirurodOzoviDatabase() = default;
bool VEVirurodOzoviDatabase::openDatabase(const QString &) { return false; }
QSqlDatabase VEVirurodOzoviDatabase::database() { return {}; }
ModelMap *VEVirurodOzoviDatabase::loadModelMap() { return nullptr; }
ModelMap *VEVirurodOzoviDatabase::modelMap() { return nullptr; }
