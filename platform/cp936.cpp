#include "platform/cp936.h"

#include <cstdint>

#include "platform/text.h"

namespace setup {
namespace {

#include "platform/cp936.inc"

constexpr char32_t replacement = 0xFFFD;

bool is_lead(unsigned char byte) {
  return byte >= 0x81 && byte <= 0xFE;
}

// The place of a trail byte in 0x40..0x7E, 0x80..0xFE, or -1 when the byte cannot trail.
int trail_index(unsigned char byte) {
  if (byte >= 0x40 && byte <= 0x7E) return byte - 0x40;
  if (byte >= 0x80 && byte <= 0xFE) return byte - 0x41;
  return -1;
}

}  // namespace

std::string cp936_to_utf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  std::size_t i = 0;
  while (i < bytes.size()) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte < 0x80) {
      out.push_back(static_cast<char>(byte));
      ++i;
      continue;
    }
    if (!is_lead(byte)) {
      const std::uint16_t single = cp936_single_bytes[byte - 0x80];
      append_utf8(out, single != 0 ? single : replacement);
      ++i;
      continue;
    }
    const int trail = i + 1 < bytes.size() ? trail_index(static_cast<unsigned char>(bytes[i + 1])) : -1;
    if (trail < 0) {
      append_utf8(out, replacement);
      ++i;
      continue;
    }
    const std::uint16_t pair = cp936_pairs[(byte - 0x81) * 190 + trail];
    append_utf8(out, pair != 0 ? pair : replacement);
    i += 2;
  }
  return out;
}

}  // namespace setup
