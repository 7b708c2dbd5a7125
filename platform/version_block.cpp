#include "platform/version_block.h"

#include <algorithm>

#include "platform/text.h"

namespace setup {
namespace {

constexpr std::string_view hex_digits = "0123456789ABCDEF";
constexpr std::string_view western_european_quirk = "04091252";
constexpr std::string_view western_european = "040904E4";
constexpr std::string_view root_key = "VS_VERSION_INFO";

// Every node of the tree starts with three 16-bit fields: its whole length, its value's length and
// its value's type (0 binary, 1 text); a zero-terminated UTF-16 key follows, then the value and
// the children, each aligned to four bytes from the start of the resource.
constexpr std::size_t node_header_size = 6;

std::size_t align4(std::size_t offset) {
  return (offset + 3) & ~static_cast<std::size_t>(3);
}

std::uint16_t u16_at(std::string_view data, std::size_t offset) {
  return static_cast<std::uint16_t>(static_cast<std::uint8_t>(data[offset]) |
                                    static_cast<std::uint8_t>(data[offset + 1]) << 8);
}

struct version_node {
  std::size_t end = 0;  // never beyond the enclosing node
  std::u16string key;
  std::uint16_t value_length = 0;
  std::size_t value_start = 0;
  std::size_t children_start = 0;
};

// The node at `start`, which must lie within [start, limit); nullopt when its header or key does not.
std::optional<version_node> node_at(std::string_view data, std::size_t start, std::size_t limit) {
  if (start > limit || limit - start < node_header_size) return std::nullopt;
  const std::uint16_t length = u16_at(data, start);
  if (length < node_header_size) return std::nullopt;
  version_node node;
  node.end = std::min(limit, start + length);
  node.value_length = u16_at(data, start + 2);
  const bool text = u16_at(data, start + 4) != 0;
  std::size_t at = start + node_header_size;
  while (true) {
    if (node.end - at < 2) return std::nullopt;  // the key runs past the node
    const std::uint16_t unit = u16_at(data, at);
    at += 2;
    if (unit == 0) break;
    node.key.push_back(static_cast<char16_t>(unit));
  }
  node.value_start = align4(at);
  node.children_start = align4(node.value_start + std::size_t{node.value_length} * (text ? 2 : 1));
  return node;
}

bool key_matches(const std::u16string& key, std::string_view component) {
  return equals_ignore_case_ascii(utf16_to_utf8(key), component);
}

}  // namespace

std::string language_code_page(std::span<const std::uint8_t> entry) {
  if (entry.size() < 4) return {};
  // The entry holds two little-endian 16-bit numbers; most significant byte first gives the
  // language id followed by the code page.
  const std::uint8_t ordered[4] = {entry[1], entry[0], entry[3], entry[2]};
  std::string digits;
  for (std::uint8_t value : ordered) {
    digits.push_back(hex_digits[value / 16]);
    digits.push_back(hex_digits[value % 16]);
  }
  if (digits == western_european_quirk) return std::string(western_european);
  return digits;
}

std::string file_version_sub_block(std::string_view language_code_page) {
  return "\\StringFileInfo\\" + std::string(language_code_page) + "\\FileVersion";
}

std::string file_version_text(version_block& block) {
  const std::optional<version_value> translation = block.query(translation_sub_block);
  if (!translation) return {};
  // Only the first entry counts.
  const std::size_t available = std::min<std::size_t>(translation->length, translation->bytes.size());
  const std::string digits = language_code_page(translation->bytes.first(available));
  if (digits.empty()) return {};

  const std::optional<version_value> value = block.query(file_version_sub_block(digits));
  if (!value) return {};
  const std::size_t units = std::min<std::size_t>(value->length, value->bytes.size() / 2);
  std::u16string text;
  for (std::size_t i = 0; i < units; ++i) {
    const auto unit = static_cast<char16_t>(value->bytes[2 * i] | value->bytes[2 * i + 1] << 8);
    if (unit == 0) break;
    text.push_back(unit);
  }
  return utf16_to_utf8(text);
}

std::optional<version_value> resource_version_block::query(std::string_view sub_block) {
  const std::string_view data = bytes_;
  std::optional<version_node> node = node_at(data, 0, data.size());
  // Only the 32-bit layout, with UTF-16 keys, is read; it is the one PE files hold.
  if (!node || !key_matches(node->key, root_key)) return std::nullopt;

  std::size_t from = 0;
  while (from < sub_block.size()) {
    const std::size_t slash = std::min(sub_block.find('\\', from), sub_block.size());
    const std::string_view component = sub_block.substr(from, slash - from);
    from = slash + 1;
    if (component.empty()) continue;

    std::optional<version_node> found;
    std::size_t at = node->children_start;
    while (at < node->end) {
      std::optional<version_node> child = node_at(data, at, node->end);
      if (!child) break;
      if (key_matches(child->key, component)) {
        found = std::move(child);
        break;
      }
      at = align4(child->end);  // a node is at least a header long, so this always advances
    }
    if (!found) return std::nullopt;
    node = std::move(found);
  }

  version_value value;
  value.length = node->value_length;
  if (node->value_start < node->end) {
    value.bytes =
        std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t*>(data.data()) + node->value_start,
                                      node->end - node->value_start);
  }
  return value;
}

}  // namespace setup
