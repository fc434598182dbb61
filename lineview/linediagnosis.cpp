#include "lineview/linediagnosis.h"

namespace LineDiagnosis {

Verdict judge(const LineState &state, int row)
{
    if (row < 0 || row >= state.devices().size())
        return Verdict::NoDevice;
    const LineState::Device &d = state.devices().at(row);
    // What the gateway says of itself comes first: a lease of a gateway that lends nothing
    // is refused whatever the device does.
    if (!d.hasInfo)
        return Verdict::NotIdentified;
    if (!d.identity.diagnosis)
        return Verdict::NotLent;
    const LineState::Gateway *g = state.gateway(d.gateway);
    if (!g || g->status != Presence::Online)
        return Verdict::GatewayOffline;
    switch (d.availability) {
    case Presence::Online:
        return Verdict::Possible;
    case Presence::Leased:
        return Verdict::Leased;
    case Presence::Offline:
    case Presence::Unknown:
        break;
    }
    return Verdict::DeviceOffline;
}

} // namespace LineDiagnosis
