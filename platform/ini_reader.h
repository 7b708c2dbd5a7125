// INI files read by the rules of Windows' profile functions (GetPrivateProfileStringW), from the bytes
// of the file, so that both targets read a setup.ini alike.
//
// Encodings: UTF-16LE or UTF-16BE after their byte-order mark, UTF-8 after its mark, UTF-8 without one
// when the bytes are valid UTF-8, and GBK (code page 936) otherwise, which is what a Chinese Windows
// saves. Lookup: lines end at CR, LF or CRLF; blanks (tab, LF, VT, FF, CR, space and the DOS end-of-file
// mark 0x1A) around lines, names and values are dropped; lines starting with ';' are comments. A line
// "[name]" starts a section, text after its last ']' is ignored, and a '[' line without ']' is an
// ordinary line. Section and key names are compared without regard to ASCII case; only the first
// section of a name is searched and the first key of a name wins; lines before the first section form
// a section with the empty name. A key line without '=' has no value: reading it gives the default.
// Names and values end at a NUL character. A value wrapped in one pair of matching quotes (' or ")
// loses them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace setup {

// Larger files read as absent; a setup.ini is a few hundred bytes.
inline constexpr std::uint64_t ini_file_size_limit = 1024 * 1024;

// The file's text in UTF-8, by the encodings above; never fails, undecodable bytes become U+FFFD.
std::string decode_ini_text(std::string_view file_bytes);

// The value of `key` in `section` of an INI text already in UTF-8, quotes not yet removed; nullopt
// when the section or the key is absent or the key's line has no '='.
std::optional<std::string> find_ini_value(std::string_view text, std::string_view section,
                                          std::string_view key);

// What the profile functions return for a default: trailing spaces dropped, then one pair of matching
// quotes removed, as for a value.
std::string ini_default_value(std::string_view default_value);

// ReadProfileString over the bytes of an existing file: the key's value, or the default when the
// section or the key is absent.
std::string read_profile_string(std::string_view file_bytes, std::string_view section, std::string_view key,
                                std::string_view default_value);

}  // namespace setup
