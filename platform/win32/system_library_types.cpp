// The pointer types of system_library.h against the system's own declarations, which the headers give
// only for a newer Windows. Compiled in both Windows trees: in the 32-bit one a type without WINAPI
// differs from the system's and the build stops here.
#undef WINVER
#undef _WIN32_WINNT
#define WINVER 0x0A00
#define _WIN32_WINNT 0x0A00

#include <type_traits>

#include "platform/win32/system_library.h"

namespace setup::win32 {

static_assert(std::is_same_v<get_dpi_for_window, decltype(&::GetDpiForWindow)>);
static_assert(std::is_same_v<adjust_window_rect_ex_for_dpi, decltype(&::AdjustWindowRectExForDpi)>);

}  // namespace setup::win32
