// The special operation password, which an install over an existing database needs: today's local
// date as eight digits (year, month, day), handed out by the dealer. It is built anew at each check
// and stored nowhere.
#pragma once

#include <string>
#include <string_view>

#include "platform/clock.h"

namespace setup {

inline constexpr std::string_view special_password_picture = "yyyymmdd";

// True when `entered`, without blanks before and after it, is today's password exactly.
bool special_password_accepted(std::string_view entered, clock& time);

// What the operator is told when the password is refused, for the database `dbname`.
std::string special_password_refusal(std::string_view dbname);

}  // namespace setup
