#include "install/page_checks.h"

namespace setup {

bool is_usable_database_name(std::string_view name) {
  constexpr std::string_view forbidden = "\\/:*?\"<>|";
  if (name.empty()) return false;
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || forbidden.find(c) != std::string_view::npos) return false;
  }
  return true;
}

}  // namespace setup
