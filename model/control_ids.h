// The fixed control IDs of the window w_server, one per control, from the list of its controls. The
// Win32 view gives each control its ID; the UI automation finds controls by them.
#pragma once

#include "model/w_server_controls.h"

namespace setup::ids {

#define SETUP_CONTROL_ID(n, pg, k, i, ...) inline constexpr int n = i;
SETUP_W_SERVER_CONTROLS(SETUP_CONTROL_ID)
#undef SETUP_CONTROL_ID

}  // namespace setup::ids
