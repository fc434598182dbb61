#include "engine/vx_ctl.h"
VX_Ctl::VX_Ctl(QObject *parent) : QThread(parent) {}
VX_Ctl::~VX_Ctl() = default;
int VX_Ctl::retryCounter() { return 0; }
void VX_Ctl::SetStop() {}
void VX_Ctl::ReadEnable(bool) {}
void VX_Ctl::ClearReadList() {}
void VX_Ctl::ReceviedData(QByteArray) {}
void VX_Ctl::Add_readregisterList(int, quint16, quint16) {}
void VX_Ctl::Add_writeregisterList(int, quint16) {}
void VX_Ctl::Add_writeMutipregisterList(int, QVector<quint16>) {}
void VX_Ctl::run() {}
