#include "install/password_gate.h"

#include "install/install_names.h"
#include "platform/text.h"

namespace setup {

bool special_password_accepted(std::string_view entered, clock& time) {
  return trim_spaces(entered) == time.TodayText(special_password_picture);
}

std::string special_password_refusal(std::string_view dbname) {
  return std::string(password_refused_before) + std::string(dbname) + std::string(password_refused_after);
}

}  // namespace setup
