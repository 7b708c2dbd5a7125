// The registry contracts the discovery, the port page and the install mark rely on, on a machine
// built in memory.
#include "platform/memory/memory_registry.h"

#include <gtest/gtest.h>

#include "tests/platform/registry_views.h"

namespace setup {
namespace {

constexpr std::string_view instances =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Microsoft SQL Server\\Instance Names\\SQL";
constexpr std::string_view mark = "HKEY_LOCAL_MACHINE\\SOFTWARE\\qrvxSetup\\qrvxlo\\9.0";
constexpr std::string_view mark_32 = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\qrvxSetup\\qrvxlo\\9.0";

std::string utf16le(std::u16string_view units) {
  std::string bytes;
  for (char16_t u : units) {
    bytes.push_back(static_cast<char>(u & 0xFF));
    bytes.push_back(static_cast<char>(u >> 8));
  }
  return bytes;
}

TEST(Registry, APathWithoutWow6432NodeMeansTheKeyInTheViewThatHoldsIt) {
  const std::string key =
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\MSSQLServer\\MSSQLServer\\SuperSocketNetLib\\Tcp";
  const std::string key_32 =
      "HKEY_LOCAL_"
      "MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\MSSQLServer\\MSSQLServer\\SuperSocketNetLib\\Tcp";
  using k = test::registry_views_case::key;
  for (const test::registry_views_case& c : test::registry_views_cases()) {
    SCOPED_TRACE(c.name);
    memory_registry reg(/*is_64bit_machine=*/true);
    const auto lay_out = [&](const std::string& path, k state, const char* text) {
      if (state == k::without_value) reg.set_string(path, "Other", "x");
      if (state == k::with_value) reg.set_string(path, "TcpPort", text);
    };
    lay_out(key, c.in_64, "64");
    lay_out(key_32, c.in_32, "32");

    std::string value = "unchanged";
    EXPECT_EQ(reg.ReadRegistryString(key, "TcpPort", value), c.read ? 1 : -1);
    EXPECT_EQ(value, c.read.value_or("unchanged"));
    EXPECT_EQ(reg.WriteRegistryString(key, "TcpPort", "1500"), 1);
    const bool to_32 = c.write_lands_in_32;
    EXPECT_EQ(reg.string_value(to_32 ? key_32 : key, "TcpPort"), "1500");
    // The other view keeps what it had.
    const bool other_had_it = (to_32 ? c.in_64 : c.in_32) == k::with_value;
    EXPECT_EQ(reg.string_value(to_32 ? key : key_32, "TcpPort"),
              other_had_it ? std::optional<std::string>(to_32 ? "64" : "32") : std::nullopt);
  }
}

TEST(Registry, ListingsFallBackToThe32BitViewAndPathsWithWow6432NodeNameIt) {
  memory_registry reg(/*is_64bit_machine=*/true);
  reg.set_string(
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Microsoft SQL Server\\Instance Names\\SQL",
      "SQLEXPRESS", "MSSQL.1");
  std::vector<std::string> names;
  EXPECT_EQ(reg.ListRegistryValueNames(instances, names), 1);
  EXPECT_EQ(names, std::vector<std::string>{"SQLEXPRESS"});
  reg.set_string(std::string(instances), "MSSQLSERVER", "MSSQL10.MSSQLSERVER");
  EXPECT_EQ(reg.ListRegistryValueNames(instances, names), 1);
  EXPECT_EQ(names, std::vector<std::string>{"MSSQLSERVER"});

  // A path that spells Wow6432Node is the 32-bit key and nothing else.
  std::string value = "unchanged";
  EXPECT_EQ(reg.ReadRegistryString(mark_32, "shop1", value), -1);
  EXPECT_EQ(reg.WriteRegistryString(mark_32, "shop1", "Customer"), 1);
  EXPECT_EQ(reg.string_value(mark_32, "shop1"), "Customer");
  EXPECT_FALSE(reg.key_exists(mark));
}

TEST(Registry, TheMarkGoesToThe32BitViewWhereverTheKeyIs) {
  memory_registry reg(/*is_64bit_machine=*/true);
  reg.create_key(std::string(mark));
  EXPECT_EQ(reg.WriteRegistryString(mark, "shop1", "Customer", registry_view::wow64_32), 1);
  EXPECT_EQ(reg.string_value(mark_32, "shop1"), "Customer");
  EXPECT_FALSE(reg.string_value(mark, "shop1"));
}

TEST(Registry, On32BitWindowsBothViewsAreOne) {
  memory_registry reg(/*is_64bit_machine=*/false);
  EXPECT_EQ(reg.WriteRegistryString(mark, "shop1", "Customer", registry_view::wow64_32), 1);
  EXPECT_EQ(reg.string_value(mark, "shop1"), "Customer");
  EXPECT_FALSE(reg.key_exists(mark_32));
}

TEST(Registry, OnlyStringValuesReadAndTheirDataNeedNotBeTerminated) {
  memory_registry reg;
  const std::string key = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Test";
  reg.set_raw(key, "dword", reg_dword, std::string("\x99\x05\0\0", 4));
  reg.set_raw(key, "multi", reg_multi_sz, utf16le(u"a\0b\0\0"));
  reg.set_raw(key, "unterminated", reg_sz, utf16le(u"1433"));
  reg.set_raw(key, "odd", reg_sz, utf16le(u"14") + "3");
  reg.set_raw(key, "embedded", reg_sz, utf16le(std::u16string(u"C:\\SQL\0junk", 11)));
  reg.set_raw(key, "empty", reg_sz, "");
  reg.set_string(key, "expand", "%ProgramFiles%\\SQL", reg_expand_sz);

  std::string value = "unchanged";
  EXPECT_EQ(reg.ReadRegistryString(key, "dword", value), -1);
  EXPECT_EQ(reg.ReadRegistryString(key, "multi", value), -1);
  EXPECT_EQ(value, "unchanged");
  EXPECT_EQ(reg.ReadRegistryString(key, "unterminated", value), 1);
  EXPECT_EQ(value, "1433");
  EXPECT_EQ(reg.ReadRegistryString(key, "odd", value), 1);
  EXPECT_EQ(value, "14");
  EXPECT_EQ(reg.ReadRegistryString(key, "embedded", value), 1);
  EXPECT_EQ(value, "C:\\SQL");
  EXPECT_EQ(reg.ReadRegistryString(key, "empty", value), 1);
  EXPECT_EQ(value, "");
  EXPECT_EQ(reg.ReadRegistryString(key, "expand", value), 1);
  EXPECT_EQ(value, "%ProgramFiles%\\SQL");
}

TEST(Registry, KeyPathsAreCaseInsensitiveAndATrailingBackslashIsIgnored) {
  memory_registry reg;
  reg.set_string("HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Microsoft SQL Server", "SsrpActiveServer",
                 "MSSQLServer");
  std::string value;
  EXPECT_EQ(reg.ReadRegistryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Microsoft SQL Server\\",
                                   "ssrpactiveserver", value),
            1);
  EXPECT_EQ(value, "MSSQLServer");
  EXPECT_EQ(reg.ReadRegistryString("HKEY_NOWHERE\\Software", "x", value), -1);
  EXPECT_EQ(reg.WriteRegistryString("HKEY_NOWHERE\\Software", "x", "y"), -1);
  EXPECT_EQ(reg.WriteRegistryString("HKEY_LOCAL_MACHINE", "x", "y"), -1);
}

TEST(Registry, ValueNamesComeInRegistryOrder) {
  memory_registry reg;
  reg.set_string(std::string(instances), "SQLEXPRESS", "MSSQL.1");
  reg.set_string(std::string(instances), "MSSQLSERVER", "MSSQL.2");
  std::vector<std::string> names{"stale"};
  EXPECT_EQ(reg.ListRegistryValueNames(instances, names), 1);
  EXPECT_EQ(names, (std::vector<std::string>{"SQLEXPRESS", "MSSQLSERVER"}));

  std::vector<std::string> untouched{"stale"};
  EXPECT_EQ(reg.ListRegistryValueNames("HKEY_LOCAL_MACHINE\\SOFTWARE\\Absent", untouched), -1);
  EXPECT_EQ(untouched, std::vector<std::string>{"stale"});
}

TEST(Registry, FailedWriteReportsMinusOneAndStoresNothing) {
  memory_registry reg;
  reg.deny_writes("HKEY_LOCAL_MACHINE\\SOFTWARE\\qrvxSetup");
  EXPECT_EQ(reg.WriteRegistryString(mark, "shop1", "Customer"), -1);
  EXPECT_FALSE(reg.string_value(mark, "shop1"));
}

TEST(RegistryLibrary, StringValueFitsTheBufferOrIsNotReturned) {
  memory_registry reg;
  const std::string setup_key = "SOFTWARE\\Microsoft\\Microsoft SQL Server\\MSSQL10.MSSQLSERVER\\Setup";
  reg.set_string("HKEY_LOCAL_MACHINE\\" + setup_key, "fits", std::string(511, 'a'));
  reg.set_string("HKEY_LOCAL_MACHINE\\" + setup_key, "too_long", std::string(512, 'b'));
  reg.set_string("HKEY_LOCAL_MACHINE\\" + setup_key, "chinese", std::string(511 / 3 * 3, 'x') + "中");
  reg.set_raw("HKEY_LOCAL_MACHINE\\" + setup_key, "dword", reg_dword, std::string(4, '\0'));

  std::string value = "unchanged";
  EXPECT_TRUE(reg.GetRegStringValue("HKEY_LOCAL_MACHINE", setup_key, "fits", value, 512));
  EXPECT_EQ(value.size(), 511u);
  value = "unchanged";
  EXPECT_FALSE(reg.GetRegStringValue("HKEY_LOCAL_MACHINE", setup_key, "too_long", value, 512));
  EXPECT_FALSE(reg.GetRegStringValue("HKEY_LOCAL_MACHINE", setup_key, "dword", value, 512));
  EXPECT_FALSE(reg.GetRegStringValue("HKEY_LOCAL_MACHINE", setup_key, "absent", value, 512));
  EXPECT_FALSE(reg.GetRegStringValue("HKLM", setup_key, "fits", value, 512));
  EXPECT_EQ(value, "unchanged");
  // Characters, not bytes, count against the buffer.
  EXPECT_TRUE(reg.GetRegStringValue("HKEY_LOCAL_MACHINE", setup_key, "chinese", value, 512));
}

TEST(RegistryLibrary, EnumKeyListsInstanceNamesSeparatedByLineFeeds) {
  memory_registry reg;
  const std::string sub = "SOFTWARE\\Microsoft\\Microsoft SQL Server\\Instance Names\\SQL";
  std::string names = "unchanged";
  EXPECT_FALSE(reg.GetRegEnumKey("HKEY_LOCAL_MACHINE", sub, names, 512));
  EXPECT_EQ(names, "unchanged");

  reg.create_key("HKEY_LOCAL_MACHINE\\" + sub);
  EXPECT_TRUE(reg.GetRegEnumKey("HKEY_LOCAL_MACHINE", sub, names, 512));
  EXPECT_EQ(names, "");

  reg.set_string("HKEY_LOCAL_MACHINE\\" + sub, "MSSQLSERVER", "MSSQL10.MSSQLSERVER");
  reg.set_string("HKEY_LOCAL_MACHINE\\" + sub, "SQLEXPRESS", "MSSQL10.SQLEXPRESS");
  EXPECT_TRUE(reg.GetRegEnumKey("HKEY_LOCAL_MACHINE", sub, names, 512));
  EXPECT_EQ(names, "MSSQLSERVER\nSQLEXPRESS");

  // 11 + 1 + 10 characters and a terminator need 23; with 22 only whole names that fit are listed.
  EXPECT_TRUE(reg.GetRegEnumKey("HKEY_LOCAL_MACHINE", sub, names, 22));
  EXPECT_EQ(names, "MSSQLSERVER");
  EXPECT_TRUE(reg.GetRegEnumKey("HKEY_LOCAL_MACHINE", sub, names, 23));
  EXPECT_EQ(names, "MSSQLSERVER\nSQLEXPRESS");
}

TEST(RegistryLibrary, EnumKeySeesBothViewsThroughTheirSpelling) {
  memory_registry reg(true);
  reg.set_string(
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Microsoft SQL Server\\Instance Names\\SQL",
      "SQLEXPRESS", "MSSQL.1");
  std::string names;
  EXPECT_FALSE(reg.GetRegEnumKey(
      "HKEY_LOCAL_MACHINE", "SOFTWARE\\Microsoft\\Microsoft SQL Server\\Instance Names\\SQL", names, 512));
  EXPECT_TRUE(reg.GetRegEnumKey("HKEY_LOCAL_MACHINE",
                                "SOFTWARE\\Wow6432Node\\Microsoft\\Microsoft SQL Server\\Instance Names\\SQL",
                                names, 512));
  EXPECT_EQ(names, "SQLEXPRESS");
}

}  // namespace
}  // namespace setup
