#include "link/connectionfunc.h"
Connectionfunc::Connectionfunc(QObject *parent) : QObject(parent) {}
void Connectionfunc::slot_ScanGripper(QStringList) {}
void Connectionfunc::set_idrange(int s, int e) { m_idStart = s; m_idEnd = e; }
void Connectionfunc::set_search_mode(bool e) { m_searchMode = e; }
void Connectionfunc::set_search_stop() { m_stop = true; }
quint16 Connectionfunc::CRC16(char *, quint16) { return 0xFFFF; }
