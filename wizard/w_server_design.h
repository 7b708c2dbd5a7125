#pragma once

#include <string_view>

#include "platform/ui.h"

namespace setup {

// The window's size in layout units.
inline constexpr int w_server_width = 2386;
inline constexpr int w_server_height = 1444;

// The design-time arguments of the control of that name.
ui::control_design w_server_design(std::string_view name);

}  // namespace setup
