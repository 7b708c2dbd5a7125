// The registry view rule as a table, shared by the in-memory registry's tests and the Windows one's
// (under wine): where a value stands in the two views of a 64-bit machine, what a read of the path
// without "Wow6432Node" gives, and in which view a write of it lands.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace setup::test {

struct registry_views_case {
  const char* name;
  // The key in each view: absent, present without the value, or holding it with this text.
  enum class key { absent, without_value, with_value };
  key in_64;
  key in_32;
  std::optional<std::string> read;  // nullopt: -1
  bool write_lands_in_32;
};

inline const std::vector<registry_views_case>& registry_views_cases() {
  using k = registry_views_case::key;
  static const std::vector<registry_views_case> cases = {
      {"value in the 64-bit view only", k::with_value, k::absent, "64", false},
      {"value in the 32-bit view only", k::absent, k::with_value, "32", true},
      {"value in both views", k::with_value, k::with_value, "64", false},
      {"key in both, value in the 32-bit view", k::without_value, k::with_value, "32", true},
      {"key in the 32-bit view only, no value", k::absent, k::without_value, std::nullopt, true},
      {"key in both, no value", k::without_value, k::without_value, std::nullopt, false},
      {"neither view", k::absent, k::absent, std::nullopt, false},
  };
  return cases;
}

}  // namespace setup::test
