#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/cp936.h"
#include "platform/ini_reader.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "platform/win32/win32_system.h"
#include "tests/win32/test_support.h"

namespace setup {
namespace {

using test::temp_directory;
using test::write_file;

std::string utf16le_with_mark(std::string_view utf8) {
  std::string bytes = "\xFF\xFE";
  for (char16_t unit : utf8_to_utf16(utf8)) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

std::string system_read(const std::string& file, const std::string& section, const std::string& key,
                        const std::string& default_value) {
  std::wstring buffer(65536, L'\0');
  const DWORD length = GetPrivateProfileStringW(win32::wide(section).c_str(), win32::wide(key).c_str(),
                                                win32::wide(default_value).c_str(), buffer.data(),
                                                buffer.size(), win32::wide(file).c_str());
  return win32::narrow(std::wstring_view(buffer.data(), length));
}

std::string hex(std::string_view bytes) {
  std::string out;
  for (unsigned char byte : bytes) {
    char digits[4];
    std::snprintf(digits, sizeof digits, "%02X", byte);
    out += digits;
  }
  return out;
}

struct lookup_case {
  std::string text;
  const char* section;
  const char* key;
  const char* default_value;
};

// Files the system and our reader must read alike. The rules where ours knowingly differs (a ';' line
// is never a key, a default of blanks only gives "", a file cut in the middle of a UTF-16 unit) are
// not here.
const std::vector<lookup_case> cases = {
    {"[Options]\r\nProductName=Store\r\nVersion=V9.0\r\n", "Options", "Version", "d"},
    {"[OPTIONS]\r\nDATABASE=x\r\n", "options", "database", "d"},
    {"[ Options ]\r\n \t DataBase \t= \t x y \t\r\n", "Options", "DataBase", "d"},
    {"[Options]\r\nlog=x\r\n", " Options ", "\tlog ", "d"},
    {"[a]\r\nk=1\r\nk=2\r\n", "a", "k", "d"},
    {"[a]\r\nk=1\r\n[b]\r\n[a]\r\nj=2\r\n", "a", "j", "d"},
    {"[a]\r\nk=1\r\n[A]\r\nk=2\r\n", "a", "k", "d"},
    {"[a]\r\nk=1\r\n[b]\r\nj=2\r\n", "a", "j", "d"},
    {"[a] ; note\r\nk=1\r\n", "a", "k", "d"},
    {"[a]]\r\nk=1\r\n", "a]", "k", "d"},
    {"[a]\r\n[b\r\nk=1\r\n", "a", "k", "d"},
    {"[a]\r\n[b\r\n", "a", "[b", "d"},
    {"[a]k=1\r\n", "a", "k", "d"},
    {"[a]\r\nk\r\nk=1\r\n", "a", "k", "d"},
    {"[a]\r\nk=\r\n", "a", "k", "d"},
    {"[a]\r\nk=x=y\r\n", "a", "k", "d"},
    {"[a]\r\n;k=1\r\nk=2\r\n", "a", "k", "d"},
    {"[a]\r\nk=1 ; one\r\n", "a", "k", "d"},
    {"[a]\rk=1\rj=2\r", "a", "j", "d"},
    {"[a]\nk=1\rj=2\r\ni=3", "a", "j", "d"},
    {"[a]\nk=1", "a", "k", "d"},
    {"[a]\nk=1\x1A", "a", "k", "d"},
    {"[a]\nk=1\v\f", "a", "k", "d"},
    {"[a]\nk=\"x y\"\n", "a", "k", "d"},
    {"[a]\nk='x'\n", "a", "k", "d"},
    {"[a]\nk=\"\"x\"\"\n", "a", "k", "d"},
    {"[a]\nk=\" x \"\n", "a", "k", "d"},
    {"[a]\nk=\"x'\n", "a", "k", "d"},
    {"[a]\nk=\"\n", "a", "k", "d"},
    {"[a]\nk=\"\"\n", "a", "k", "d"},
    {"[a]\nk=\"x\" \n", "a", "k", "d"},
    {std::string("[a]\nk=1\0x\n", 10), "a", "k", "d"},
    {std::string("[a]\nk\0x=1\n", 10), "a", "k", "d"},
    {"k=1\n[a]\n", "", "k", "d"},
    {"[]\nk=1\n", "", "k", "d"},
    {"[a]\n=1\n", "a", "", "d"},
    {"[a]\nk=1\n", "b", "k", "d"},
    {"[a]\n", "a", "k", "d  "},
    {"[a]\n", "a", "k", "  d\t"},
    {"[a]\n", "a", "k", "'d'"},
    {"[a]\n", "a", "k", "\"d\"  "},
    {"[a]\n", "a", "k", ""},
};

TEST(Win32IniReader, ReadsAsciiFilesLikeGetPrivateProfileString) {
  temp_directory dir;
  win32_files fs{test::log()};
  ini_profile ini(fs);
  const std::string file = dir / "ascii.ini";
  for (const lookup_case& c : cases) {
    ASSERT_TRUE(write_file(file, c.text));
    EXPECT_EQ(ini.ReadProfileString(file, c.section, c.key, c.default_value),
              system_read(file, c.section, c.key, c.default_value))
        << c.text << " [" << c.section << "] " << c.key;
  }
  EXPECT_EQ(ini.ReadProfileString(dir / "absent.ini", "a", "k", "d "),
            system_read(dir / "absent.ini", "a", "k", "d "));
}

TEST(Win32IniReader, ReadsUtf16FilesLikeGetPrivateProfileString) {
  temp_directory dir;
  win32_files fs{test::log()};
  ini_profile ini(fs);
  const std::string file = dir / "unicode.ini";
  std::vector<lookup_case> unicode_cases = cases;
  unicode_cases.push_back({"[选项]\r\n名称 = 澜拓专卖店\r\n", "选项", "名称", "默认"});
  unicode_cases.push_back({"[Options]\r\nProductName=\"澜拓专卖店\"\r\n", "OPTIONS", "productname", "d"});
  unicode_cases.push_back(
      {"[Options]\r\nProductName=澜拓\xF0\x9F\x98\x80\r\n", "Options", "ProductName", "d"});
  unicode_cases.push_back({"[a]\r\nk=x\xE3\x80\x80\r\n", "a", "k", "d"});  // an ideographic space is kept
  unicode_cases.push_back({"", "a", "k", "d"});
  for (const lookup_case& c : unicode_cases) {
    ASSERT_TRUE(write_file(file, utf16le_with_mark(c.text)));
    EXPECT_EQ(ini.ReadProfileString(file, c.section, c.key, c.default_value),
              system_read(file, c.section, c.key, c.default_value))
        << c.text << " [" << c.section << "] " << c.key;
  }
}

// The GBK table against the system's code page 936, for every byte and every lead and trail pair: a
// sequence the system rejects must give U+FFFD, any other the system's character.
TEST(Win32IniReader, Cp936TableMatchesMultiByteToWideChar) {
  const std::string replacement = "\xEF\xBF\xBD";
  std::vector<std::string> sequences;
  for (int byte = 0; byte <= 0xFF; ++byte) sequences.push_back(std::string(1, static_cast<char>(byte)));
  for (int lead = 0x81; lead <= 0xFE; ++lead) {
    for (int trail = 0x40; trail <= 0xFE; ++trail) {
      if (trail != 0x7F) sequences.push_back({static_cast<char>(lead), static_cast<char>(trail)});
    }
  }
  ASSERT_EQ(sequences.size(), 256u + 126u * 190u);

  int differences = 0;
  std::string first_differences;
  for (const std::string& bytes : sequences) {
    wchar_t units[4] = {};
    const int count = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, bytes.data(),
                                          static_cast<int>(bytes.size()), units, 4);
    const std::string expected = count > 0 ? win32::narrow(std::wstring_view(units, count)) : replacement;
    if (cp936_to_utf8(bytes) == expected) continue;
    if (++differences <= 10) first_differences += hex(bytes) + " ";
  }
  EXPECT_EQ(differences, 0) << "first: " << first_differences;
}

TEST(Win32IniReader, GbkAndUtf8SetupIniGiveTheSameChineseName) {
  temp_directory dir;
  win32_files fs{test::log()};
  ini_profile ini(fs);
  const std::wstring name = L"\u6F9C\u62D3\u4E13\u5356\u5E97";  // 澜拓专卖店
  char gbk[64] = {};
  BOOL lossy = FALSE;
  const int gbk_size = WideCharToMultiByte(936, 0, name.c_str(), static_cast<int>(name.size()), gbk,
                                           sizeof gbk, nullptr, &lossy);
  ASSERT_GT(gbk_size, 0);
  ASSERT_FALSE(lossy);
  ASSERT_TRUE(write_file(dir / "gbk.ini", "[Options]\r\nProductName=" + std::string(gbk, gbk_size) + "\r\n"));
  ASSERT_TRUE(write_file(dir / "utf8.ini", "[Options]\r\nProductName=" + win32::narrow(name) + "\r\n"));
  const std::string from_gbk = ini.ReadProfileString(dir / "gbk.ini", "Options", "ProductName", "d");
  EXPECT_EQ(from_gbk, win32::narrow(name));
  EXPECT_EQ(ini.ReadProfileString(dir / "utf8.ini", "Options", "ProductName", "d"), from_gbk);

  // The product reads the bare name, beside the program.
  const std::string saved = fs.GetCurrentDirectory();
  ASSERT_TRUE(
      write_file(dir / "setup.ini", "[Options]\r\nProductName=" + std::string(gbk, gbk_size) + "\r\n"));
  ASSERT_TRUE(fs.SetCurrentDirectory(dir.path()));
  const std::string from_current = ini.ReadProfileString("setup.ini", "Options", "ProductName", "d");
  fs.SetCurrentDirectory(saved);
  EXPECT_EQ(from_current, win32::narrow(name));
}

}  // namespace
}  // namespace setup
