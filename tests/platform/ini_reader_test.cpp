#include "platform/ini_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/cp936.h"
#include "platform/memory/memory_files.h"
#include "platform/profile.h"
#include "platform/text.h"

namespace setup {
namespace {

// "澜拓专卖店" as UTF-8 and as a Chinese Windows saves it (code page 936).
const std::string product_utf8 = "\xE6\xBE\x9C\xE6\x8B\x93\xE4\xB8\x93\xE5\x8D\x96\xE5\xBA\x97";
const std::string product_gbk = "\xC0\xBD\xCD\xD8\xD7\xA8\xC2\xF4\xB5\xEA";

std::string utf16le(std::string_view utf8, bool with_mark = true) {
  std::string bytes = with_mark ? "\xFF\xFE" : "";
  for (char16_t unit : utf8_to_utf16(utf8)) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

std::string utf16be(std::string_view utf8) {
  std::string bytes = "\xFE\xFF";
  for (char16_t unit : utf8_to_utf16(utf8)) {
    bytes.push_back(static_cast<char>(unit >> 8));
    bytes.push_back(static_cast<char>(unit & 0xFF));
  }
  return bytes;
}

struct lookup_case {
  const char* what;
  std::string text;
  const char* section;
  const char* key;
  const char* default_value;
  const char* expected;
};

TEST(IniReader, LookupFollowsTheRulesOfTheProfileFunctions) {
  const std::vector<lookup_case> cases = {
      {"plain", "[Options]\r\nDataBase=qvxlov9\r\n", "Options", "DataBase", "d", "qvxlov9"},
      {"names ignore case", "[OPTIONS]\nDATABASE=x\n", "options", "database", "d", "x"},
      {"blanks around names and value", "[ Options ]\n \t DataBase \t= \t x y \t\n", "Options", "DataBase",
       "d", "x y"},
      {"lookup names are trimmed too", "[Options]\nlog=x\n", " Options ", "\tlog ", "d", "x"},
      {"first key wins", "[a]\nk=1\nk=2\n", "a", "k", "d", "1"},
      {"only the first section of a name", "[a]\nk=1\n[b]\n[a]\nj=2\n", "a", "j", "d", "d"},
      {"first section still read", "[a]\nk=1\n[a]\nk=2\n", "a", "k", "d", "1"},
      {"key of another section", "[a]\nk=1\n[b]\nj=2\n", "a", "j", "d", "d"},
      {"text after ] ignored", "[a] ; note\nk=1\n", "a", "k", "d", "1"},
      {"last ] closes", "[a]]\nk=1\n", "a]", "k", "d", "1"},
      {"[ without ] is no header", "[a]\n[b\nk=1\n", "a", "k", "d", "1"},
      {"key on the header line is ignored", "[a]k=1\n", "a", "k", "d", "d"},
      {"key line without = gives the default", "[a]\nk\nk=1\n", "a", "k", "d", "d"},
      {"empty value is a value", "[a]\nk=\n", "a", "k", "d", ""},
      {"= inside the value", "[a]\nk=x=y\n", "a", "k", "d", "x=y"},
      {"comment line", "[a]\n;k=1\nk=2\n", "a", "k", "d", "2"},
      {"comment is never a key", "[a]\n;k=1\n", "a", ";k", "d", "d"},
      {"inline ; is part of the value", "[a]\nk=1 ; one\n", "a", "k", "d", "1 ; one"},
      {"CR line ends", "[a]\rk=1\rj=2\r", "a", "j", "d", "2"},
      {"mixed line ends", "[a]\nk=1\rj=2\r\ni=3", "a", "j", "d", "2"},
      {"last line without line end", "[a]\nk=1", "a", "k", "d", "1"},
      {"DOS end-of-file mark is a blank", "[a]\nk=1\x1A", "a", "k", "d", "1"},
      {"double quotes removed", "[a]\nk=\"x y\"\n", "a", "k", "d", "x y"},
      {"single quotes removed", "[a]\nk='x'\n", "a", "k", "d", "x"},
      {"one pair only", "[a]\nk=\"\"x\"\"\n", "a", "k", "d", "\"x\""},
      {"blanks inside quotes kept", "[a]\nk=\" x \"\n", "a", "k", "d", " x "},
      {"unmatched quotes kept", "[a]\nk=\"x'\n", "a", "k", "d", "\"x'"},
      {"a lone quote kept", "[a]\nk=\"\n", "a", "k", "d", "\""},
      {"empty quotes", "[a]\nk=\"\"\n", "a", "k", "d", ""},
      {"NUL ends a value", std::string("[a]\nk=1\0x\n", 10), "a", "k", "d", "1"},
      {"NUL ends a name", std::string("[a]\nk\0x=1\n", 10), "a", "k", "d", "1"},
      {"lines before any header", "k=1\n[a]\n", "", "k", "d", "1"},
      {"absent section", "[a]\nk=1\n", "b", "k", "d", "d"},
      {"default loses trailing spaces", "", "a", "k", "d  ", "d"},
      {"default keeps leading spaces and tabs", "", "a", "k", "  d\t", "  d\t"},
      {"default loses quotes", "", "a", "k", "'d'", "d"},
      {"default of blanks", "", "a", "k", "   ", ""},
  };
  for (const lookup_case& c : cases) {
    EXPECT_EQ(read_profile_string(c.text, c.section, c.key, c.default_value), c.expected) << c.what;
  }
}

TEST(IniReader, EveryEncodingGivesTheSameChineseName) {
  const std::string ini = "[Options]\r\nProductName=" + product_utf8 + "\r\n";
  const std::string gbk = "[Options]\r\nProductName=" + product_gbk + "\r\n";
  for (const std::string& bytes : {ini, "\xEF\xBB\xBF" + ini, utf16le(ini), utf16be(ini), gbk}) {
    EXPECT_EQ(read_profile_string(bytes, "Options", "ProductName", "d"), product_utf8);
  }
  // Without a mark, UTF-16 is not recognised: its NULs split every name.
  EXPECT_EQ(read_profile_string(utf16le(ini, false), "Options", "ProductName", "d"), "d");
}

TEST(IniReader, Gbk) {
  EXPECT_EQ(cp936_to_utf8("ab\r\n"), "ab\r\n");
  EXPECT_EQ(cp936_to_utf8(product_gbk), product_utf8);
  EXPECT_EQ(cp936_to_utf8("\x80"), "\xE2\x82\xAC");      // euro sign
  EXPECT_EQ(cp936_to_utf8("\xA1\xA1"), "\xE3\x80\x80");  // ideographic space
  EXPECT_EQ(cp936_to_utf8("\x81\x40"), "\xE4\xB8\x82");  // first pair, U+4E02
  EXPECT_EQ(cp936_to_utf8("\xFE\xFE"), "\xEE\x93\x85");  // user-defined area, U+E4C5
  EXPECT_EQ(cp936_to_utf8("\xAA\xA1"), "\xEE\x80\x80");  // user-defined area, U+E000
  // Broken input: every bad byte is one U+FFFD and what follows is read afresh.
  const std::string bad = "\xEF\xBF\xBD";
  EXPECT_EQ(cp936_to_utf8("\xFF"), bad);
  EXPECT_EQ(cp936_to_utf8("a\xC0"), "a" + bad);
  EXPECT_EQ(cp936_to_utf8("\xC0\nk=1"), bad + "\nk=1");
  EXPECT_EQ(cp936_to_utf8("\xC0\x7F"), bad + "\x7F");
  EXPECT_EQ(cp936_to_utf8("\xC0\xFF\xC0\xBD"), bad + bad + "\xE6\xBE\x9C");
}

TEST(IniReader, MalformedFilesGiveDefaultsAndNeverHideWhatIsReadable) {
  EXPECT_EQ(read_profile_string("", "a", "k", "d"), "d");
  EXPECT_EQ(read_profile_string("\xFF\xFE", "a", "k", "d"), "d");
  EXPECT_EQ(read_profile_string("\xFE\xFF", "a", "k", "d"), "d");
  EXPECT_EQ(read_profile_string("\xEF\xBB\xBF", "a", "k", "d"), "d");
  // UTF-16 cut in the middle of a code unit, and an unpaired surrogate.
  EXPECT_EQ(read_profile_string(utf16le("[a]\r\nk=xy").substr(0, 19), "a", "k", "d"), "x\xEF\xBF\xBD");
  EXPECT_EQ(read_profile_string(utf16le("[a]\nk=x") + std::string("\x00\xD8", 2), "a", "k", "d"),
            "x\xEF\xBF\xBD");
  // A broken sequence after a UTF-8 mark spoils only itself.
  EXPECT_EQ(read_profile_string("\xEF\xBB\xBF[a]\nk=x\xE6\n", "a", "k", "d"), "x\xEF\xBF\xBD");

  // Binary junk before the section: every byte value, in lines and without.
  std::string junk;
  for (int round = 0; round < 4; ++round) {
    for (int b = 0; b < 256; ++b) junk.push_back(static_cast<char>((b * 37 + round * 11) & 0xFF));
  }
  const std::string file = junk + "\n[Options]\nProductName=" + product_gbk + "\n" + junk;
  EXPECT_EQ(read_profile_string(file, "Options", "ProductName", "d"), product_utf8);
  EXPECT_EQ(read_profile_string(file, "Options", "Version", "d"), "d");
}

TEST(IniReader, VeryLongLinesAreReadWhole) {
  const std::string value(300000, 'v');
  const std::string file = "[a]\n" + std::string(200000, 'x') + "\nk=" + value + "\n";
  EXPECT_EQ(read_profile_string(file, "a", "k", "d"), value);
  EXPECT_EQ(read_profile_string(file, "a", std::string(200000, 'X'), "d"), "d");
}

TEST(IniProfile, ReadsFilesBesideTheProgramAndTreatsUnreadableOnesAsAbsent) {
  memory_files fs;
  ini_profile ini(fs);
  fs.add_file("C:\\setup\\setup.ini", "[Options]\nlog=urv7\n");
  fs.add_file("D:\\other\\setup.ini", "[Options]\nlog=ur\n");
  EXPECT_EQ(ini.ReadProfileString("setup.ini", "Options", "log", "x"), "urv7");
  ASSERT_TRUE(fs.SetCurrentDirectory("D:\\other"));
  EXPECT_EQ(ini.ReadProfileString("setup.ini", "Options", "log", "x"), "ur");
  EXPECT_EQ(ini.ReadProfileString("setup.des", "oem", "name", "x  "), "x");
  EXPECT_EQ(ini.ReadProfileString("", "Options", "log", "x"), "x");
  EXPECT_EQ(ini.ReadProfileString("D:\\other", "Options", "log", "x"), "x");  // a directory

  std::string huge = "[Options]\nlog=qvx\n";
  huge.resize(static_cast<std::size_t>(ini_file_size_limit) + 1, ' ');
  fs.add_file("huge.ini", huge);
  EXPECT_EQ(ini.ReadProfileString("huge.ini", "Options", "log", "x"), "x");
  huge.resize(static_cast<std::size_t>(ini_file_size_limit));
  fs.add_file("huge.ini", huge);
  EXPECT_EQ(ini.ReadProfileString("huge.ini", "Options", "log", "x"), "qvx");
}

}  // namespace
}  // namespace setup
