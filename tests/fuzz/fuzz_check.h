// What the fuzz targets share: a property check that says which input broke it, and small helpers.
// The same target code runs under libFuzzer (scripts/fuzz) and in the ordinary test run, where
// replay.cpp feeds it every file of its corpus.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace fuzz {

// The corpus file being replayed; null under libFuzzer, which names the input itself.
inline const char* current_input = nullptr;

[[noreturn]] inline void property_failed(const char* what, const char* file, int line) {
  std::fprintf(stderr, "fuzz property failed: %s (%s:%d)", what, file, line);
  if (current_input != nullptr) std::fprintf(stderr, " on %s", current_input);
  std::fputc('\n', stderr);
  std::abort();
}

inline std::string_view as_text(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// The input cut at the first NUL bytes: the parts before each of the first `count` NULs, then the rest.
// Missing parts are empty.
template <std::size_t count>
struct split_input {
  std::string_view parts[count + 1];
  explicit split_input(std::string_view input) {
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t nul = input.find('\0');
      if (nul == std::string_view::npos) {
        parts[i] = {};
        continue;
      }
      parts[i] = input.substr(0, nul);
      input.remove_prefix(nul + 1);
    }
    parts[count] = input;
  }
};

}  // namespace fuzz

// Aborts with the condition's text when a property of the output does not hold.
#define FUZZ_CHECK(condition)                                                     \
  do {                                                                            \
    if (!(condition)) ::fuzz::property_failed(#condition, __FILE__, __LINE__);    \
  } while (0)
