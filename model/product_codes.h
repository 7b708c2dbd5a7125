// The product codes that change what the wizard does (the "DataBase" value of setup.ini, compared
// exactly); every other code takes the general path.
#pragma once

#include <string_view>

namespace setup {

inline constexpr std::string_view product_urmsv7 = "urmsv7";
inline constexpr std::string_view product_qvxtekprov3 = "qvxtekprov3";
inline constexpr std::string_view product_qvxlov10 = "qvxlov10";

}  // namespace setup
