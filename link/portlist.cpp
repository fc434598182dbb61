#include "link/portlist.h"
namespace {
QList<PortEntry> g_extra;
std::function<QList<PortEntry>()> g_provider;
}
void PortList::setExtraPorts(const QList<PortEntry> &ports) { g_extra = ports; }
QList<PortEntry> PortList::extraPorts() { return g_extra; }
QList<PortEntry> PortList::available() { return g_provider ? g_provider() : g_extra; }
void PortList::setProvider(std::function<QList<PortEntry>()> provider) { g_provider = std::move(provider); }
