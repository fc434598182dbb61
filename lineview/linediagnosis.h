#pragma once

#include "lineview/linestate.h"

// Whether the Line view's "Diagnose" can open a device in the main window through its
// gateway's lease, and if not, why: the gateway must lend its devices and be online, and the
// device must be online and held by no other client. No widgets.
namespace LineDiagnosis {

enum class Verdict {
    Possible,
    NoDevice,       // no row chosen
    NotIdentified,  // the gateway has not told what it is (no info yet)
    NotLent,        // its gateway lends no device (allow_diagnosis is off, or an older gateway)
    GatewayOffline, // its gateway is offline or has not said it is online
    DeviceOffline,  // its gateway does not reach it, or has not said it does
    Leased,         // another client holds it
};

// The device of `row` in `state` (-1: none chosen).
Verdict judge(const LineState &state, int row);

} // namespace LineDiagnosis
