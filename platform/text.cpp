#include "platform/text.h"

namespace setup {
namespace {

constexpr char32_t replacement = 0xFFFD;

// Decodes one UTF-8 sequence at `i`; advances `i` past it (by one byte when it is invalid).
char32_t decode_utf8(std::string_view s, std::size_t& i, bool& valid) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = byte(i);
  valid = true;
  if (lead < 0x80) {
    ++i;
    return lead;
  }
  std::size_t length = 0;
  char32_t cp = 0;
  char32_t min = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, cp = lead & 0x1F, min = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, cp = lead & 0x0F, min = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, cp = lead & 0x07, min = 0x10000;
  } else {
    valid = false;
    ++i;
    return replacement;
  }
  if (i + length > s.size()) {
    valid = false;
    ++i;
    return replacement;
  }
  for (std::size_t k = 1; k < length; ++k) {
    const unsigned char c = byte(i + k);
    if ((c & 0xC0) != 0x80) {
      valid = false;
      ++i;
      return replacement;
    }
    cp = (cp << 6) | (c & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    valid = false;
    ++i;
    return replacement;
  }
  i += length;
  return cp;
}

bool is_ascii_space(char c) {
  return c == ' ';
}

char upper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

void append_utf8(std::string& out, char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = replacement;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

std::u16string utf8_to_utf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  std::size_t i = 0;
  bool valid = true;
  while (i < text.size()) {
    const char32_t cp = decode_utf8(text, i, valid);
    if (cp >= 0x10000) {
      const char32_t v = cp - 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (v >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string utf16_to_utf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t u = text[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      append_utf8(out, 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else {
      append_utf8(out, u);  // a lone surrogate becomes U+FFFD
    }
  }
  return out;
}

bool is_valid_utf8(std::string_view text) {
  std::size_t i = 0;
  bool valid = true;
  while (i < text.size()) {
    decode_utf8(text, i, valid);
    if (!valid) return false;
  }
  return true;
}

std::size_t utf16_length(std::string_view utf8) {
  std::size_t count = 0;
  std::size_t i = 0;
  bool valid = true;
  while (i < utf8.size()) count += decode_utf8(utf8, i, valid) >= 0x10000 ? 2 : 1;
  return count;
}

std::string trim_spaces(std::string_view text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && is_ascii_space(text[begin])) ++begin;
  while (end > begin && is_ascii_space(text[end - 1])) --end;
  return std::string(text.substr(begin, end - begin));
}

std::string upper_ascii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = upper(c);
  return out;
}

bool equals_ignore_case_ascii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (upper(a[i]) != upper(b[i])) return false;
  }
  return true;
}

std::size_t find_ignore_case_ascii(std::string_view haystack, std::string_view needle, std::size_t from) {
  if (needle.size() > haystack.size()) return std::string_view::npos;
  for (std::size_t i = from; i + needle.size() <= haystack.size(); ++i) {
    if (equals_ignore_case_ascii(haystack.substr(i, needle.size()), needle)) return i;
  }
  return std::string_view::npos;
}

bool starts_with_ignore_case_ascii(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && equals_ignore_case_ascii(text.substr(0, prefix.size()), prefix);
}

bool ends_with_ignore_case_ascii(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         equals_ignore_case_ascii(text.substr(text.size() - suffix.size()), suffix);
}

}  // namespace setup
