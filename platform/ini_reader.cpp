#include "platform/ini_reader.h"

#include "platform/byte_source.h"
#include "platform/cp936.h"
#include "platform/profile.h"
#include "platform/text.h"

namespace setup {
namespace {

// The blanks of the profile functions, 0x1A being the end-of-file mark of DOS-era files.
bool is_blank(char c) {
  return (c >= 0x09 && c <= 0x0D) || c == ' ' || c == 0x1A;
}

std::string_view trim_blanks(std::string_view text) {
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  return text;
}

// Names and values are C strings to the system: a NUL ends them.
std::string_view until_nul(std::string_view text) {
  return text.substr(0, text.find('\0'));
}

// A lookup name as the profile functions compare it.
std::string_view lookup_name(std::string_view name) {
  return trim_blanks(until_nul(name));
}

std::string_view strip_quotes(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

std::string utf16_bytes_to_utf8(std::string_view bytes, bool big_endian) {
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    units.push_back(static_cast<char16_t>(big_endian ? (first << 8) | second : (second << 8) | first));
  }
  std::string text = utf16_to_utf8(units);
  // A file cut in the middle of a code unit.
  if (bytes.size() % 2 != 0) append_utf8(text, 0xFFFD);
  return text;
}

}  // namespace

std::string decode_ini_text(std::string_view file_bytes) {
  const auto starts_with = [&](std::string_view mark) { return file_bytes.substr(0, mark.size()) == mark; };
  if (starts_with("\xFF\xFE")) return utf16_bytes_to_utf8(file_bytes.substr(2), false);
  if (starts_with("\xFE\xFF")) return utf16_bytes_to_utf8(file_bytes.substr(2), true);
  if (starts_with("\xEF\xBB\xBF")) {
    const std::string_view rest = file_bytes.substr(3);
    // The mark promises UTF-8; invalid sequences in it still become U+FFFD.
    return is_valid_utf8(rest) ? std::string(rest) : utf16_to_utf8(utf8_to_utf16(rest));
  }
  if (is_valid_utf8(file_bytes)) return std::string(file_bytes);
  return cp936_to_utf8(file_bytes);
}

std::optional<std::string> find_ini_value(std::string_view text, std::string_view section,
                                          std::string_view key) {
  const std::string_view wanted_section = lookup_name(section);
  const std::string_view wanted_key = lookup_name(key);
  // Lines before the first header belong to the section with the empty name.
  bool in_section = wanted_section.empty();
  std::size_t next = 0;
  while (next < text.size()) {
    const std::size_t end = text.find_first_of("\r\n", next);
    const std::string_view raw =
        text.substr(next, end == std::string_view::npos ? std::string_view::npos : end - next);
    next = end == std::string_view::npos ? text.size() : end + 1;

    const std::string_view line = trim_blanks(raw);
    if (line.empty()) continue;
    if (line.front() == '[') {
      const std::size_t close = line.rfind(']');
      if (close != std::string_view::npos) {
        // Only the first section of the name is searched: leaving it ends the search.
        if (in_section) return std::nullopt;
        in_section = equals_ignore_case_ascii(lookup_name(line.substr(1, close - 1)), wanted_section);
        continue;
      }
    }
    if (!in_section || line.front() == ';') continue;

    const std::size_t equals = line.find('=');
    const std::string_view name = equals == std::string_view::npos ? line : line.substr(0, equals);
    if (!equals_ignore_case_ascii(until_nul(trim_blanks(name)), wanted_key)) continue;
    if (equals == std::string_view::npos) return std::nullopt;
    return std::string(until_nul(trim_blanks(line.substr(equals + 1))));
  }
  return std::nullopt;
}

std::string ini_default_value(std::string_view default_value) {
  const std::string_view text = until_nul(default_value);
  const std::size_t last = text.find_last_not_of(' ');
  return std::string(strip_quotes(text.substr(0, last == std::string_view::npos ? 0 : last + 1)));
}

std::string read_profile_string(std::string_view file_bytes, std::string_view section, std::string_view key,
                                std::string_view default_value) {
  const std::optional<std::string> value = find_ini_value(decode_ini_text(file_bytes), section, key);
  if (!value) return ini_default_value(default_value);
  return std::string(strip_quotes(*value));
}

std::string ini_profile::ReadProfileString(std::string_view file, std::string_view section,
                                           std::string_view key, std::string_view default_value) {
  const std::unique_ptr<byte_source> source = fs_.OpenForReading(file);
  std::string bytes;
  if (source == nullptr || !read_all(*source, bytes, ini_file_size_limit))
    return ini_default_value(default_value);
  return read_profile_string(bytes, section, key, default_value);
}

}  // namespace setup
