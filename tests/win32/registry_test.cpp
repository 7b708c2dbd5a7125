// The registry through advapi32 in a prefix that behaves like 64-bit Windows, for the 32-bit and the
// 64-bit build alike: a path reaches the key it spells (Wow6432Node the 32-bit view, any other path
// the 64-bit view), and the install mark lands where 32-bit programs' writes land.
#include "platform/win32/win32_registry.h"

#include <gtest/gtest.h>

#include "platform/win32/win32_api.h"
#include "tests/platform/registry_views.h"
#include "tests/win32/test_support.h"

namespace setup {
namespace {

constexpr wchar_t test_key[] = L"SOFTWARE\\SetupWizardTest";
const std::string hklm_test = "HKEY_LOCAL_MACHINE\\SOFTWARE\\SetupWizardTest";
const std::string hklm_test_32 = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\SetupWizardTest";

void delete_test_keys() {
  for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
    HKEY software = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE", 0, KEY_ALL_ACCESS | view, &software) ==
        ERROR_SUCCESS) {
      RegDeleteTreeW(software, L"SetupWizardTest");
      RegCloseKey(software);
    }
  }
}

// A 64-bit program, or a 32-bit one that WoW64 runs: either way the system has both views.
bool on_64bit_windows() {
  if (sizeof(void*) == 8) return true;
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// Stores raw data in the 64-bit view.
void set_raw(const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, test_key, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_64KEY,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS);
  RegCloseKey(key);
}

bool exists_in_view(REGSAM view, const wchar_t* value_name) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, test_key, 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
    return false;
  const bool found = RegQueryValueExW(key, value_name, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
  RegCloseKey(key);
  return found;
}

class Win32Registry : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(on_64bit_windows()) << "these tests need a prefix that behaves like 64-bit Windows";
    delete_test_keys();
  }
  void TearDown() override { delete_test_keys(); }
  win32_registry reg{test::log()};
};

TEST_F(Win32Registry, AKeyNeitherViewHoldsIsCreatedInThe64BitView) {
  EXPECT_EQ(reg.WriteRegistryString(hklm_test, "TcpPort", "1433"), 1);
  EXPECT_TRUE(exists_in_view(KEY_WOW64_64KEY, L"TcpPort"));
  EXPECT_FALSE(exists_in_view(KEY_WOW64_32KEY, L"TcpPort"));
  std::string value;
  EXPECT_EQ(reg.ReadRegistryString(hklm_test, "TcpPort", value), 1);
  EXPECT_EQ(value, "1433");
  EXPECT_EQ(reg.ReadRegistryString(hklm_test_32, "TcpPort", value = "untouched"), -1);
  EXPECT_EQ(value, "untouched");
}

TEST_F(Win32Registry, APathWithoutWow6432NodeMeansTheKeyInTheViewThatHoldsIt) {
  using k = test::registry_views_case::key;
  for (const test::registry_views_case& c : test::registry_views_cases()) {
    SCOPED_TRACE(c.name);
    delete_test_keys();
    const auto lay_out = [](REGSAM view, k state, const wchar_t* text) {
      if (state == k::absent) return;
      HKEY key = nullptr;
      ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, test_key, 0, nullptr, 0, KEY_SET_VALUE | view, nullptr,
                                &key, nullptr),
                ERROR_SUCCESS);
      const std::wstring data = state == k::with_value ? text : L"x";
      RegSetValueExW(key, state == k::with_value ? L"TcpPort" : L"Other", 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(data.c_str()), static_cast<DWORD>((data.size() + 1) * 2));
      RegCloseKey(key);
    };
    lay_out(KEY_WOW64_64KEY, c.in_64, L"64");
    lay_out(KEY_WOW64_32KEY, c.in_32, L"32");

    std::string value = "unchanged";
    EXPECT_EQ(reg.ReadRegistryString(hklm_test, "TcpPort", value), c.read ? 1 : -1);
    EXPECT_EQ(value, c.read.value_or("unchanged"));
    EXPECT_EQ(reg.WriteRegistryString(hklm_test, "TcpPort", "1500"), 1);
    std::string written;
    EXPECT_EQ(reg.ReadRegistryString(c.write_lands_in_32 ? hklm_test_32 : hklm_test, "TcpPort", written), 1);
    EXPECT_EQ(written, "1500");
    EXPECT_EQ(exists_in_view(c.write_lands_in_32 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY, L"TcpPort"),
              (c.write_lands_in_32 ? c.in_64 : c.in_32) == k::with_value);
  }
}

TEST_F(Win32Registry, The32BitViewWriteIsSeenThroughWow6432Node) {
  EXPECT_EQ(reg.WriteRegistryString(hklm_test, "shop1", "客户一", registry_view::wow64_32), 1);
  EXPECT_TRUE(exists_in_view(KEY_WOW64_32KEY, L"shop1"));
  EXPECT_FALSE(exists_in_view(KEY_WOW64_64KEY, L"shop1"));
  std::string value;
  EXPECT_EQ(reg.ReadRegistryString(hklm_test_32, "shop1", value), 1);
  EXPECT_EQ(value, "客户一");
  std::string names;
  EXPECT_TRUE(reg.GetRegEnumKey("HKEY_LOCAL_MACHINE", "SOFTWARE\\Wow6432Node\\SetupWizardTest", names, 512));
  EXPECT_EQ(names, "shop1");
}

// SQL Server's switches: a DWORD of the 32-bit view found there and written back there; a string is no
// DWORD, nor a DWORD a string.
TEST_F(Win32Registry, DwordsAreReadAndWrittenInTheViewThatHoldsThem) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, test_key, 0, nullptr, 0, KEY_SET_VALUE | KEY_WOW64_32KEY,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const DWORD disabled = 0;
  ASSERT_EQ(RegSetValueExW(key, L"Enabled", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&disabled),
                           sizeof disabled),
            ERROR_SUCCESS);
  RegCloseKey(key);
  std::uint32_t value = 7;
  EXPECT_EQ(reg.ReadRegistryDword(hklm_test, "Enabled", value), 1);
  EXPECT_EQ(value, 0u);
  EXPECT_EQ(reg.WriteRegistryDword(hklm_test, "Enabled", 1), 1);
  EXPECT_FALSE(exists_in_view(KEY_WOW64_64KEY, L"Enabled"));
  EXPECT_EQ(reg.ReadRegistryDword(hklm_test_32, "Enabled", value), 1);
  EXPECT_EQ(value, 1u);
  std::string text = "untouched";
  EXPECT_EQ(reg.ReadRegistryString(hklm_test, "Enabled", text), -1);
  EXPECT_EQ(reg.WriteRegistryString(hklm_test, "TcpPort", "1433"), 1);
  EXPECT_EQ(reg.ReadRegistryDword(hklm_test, "TcpPort", value = 9), -1);
  EXPECT_EQ(value, 9u);
}

TEST_F(Win32Registry, OddValuesReadWithoutOverrun) {
  const wchar_t unterminated[] = {L'1', L'4', L'3', L'3'};
  set_raw(L"unterminated", REG_SZ, unterminated, sizeof unterminated);
  const char odd[] = {'1', 0, '4', 0, '3'};
  set_raw(L"odd", REG_SZ, odd, sizeof odd);
  const wchar_t embedded[] = L"C:\\SQL\0junk";
  set_raw(L"embedded", REG_SZ, embedded, sizeof embedded);
  const DWORD number = 1433;
  set_raw(L"dword", REG_DWORD, &number, sizeof number);
  const wchar_t expand[] = L"%SystemRoot%\\x";
  set_raw(L"expand", REG_EXPAND_SZ, expand, sizeof expand);
  const std::wstring long_text(3000, L'p');  // more than the first read's buffer
  set_raw(L"long", REG_SZ, long_text.c_str(), static_cast<DWORD>((long_text.size() + 1) * 2));
  set_raw(L"empty", REG_SZ, nullptr, 0);

  std::string value;
  EXPECT_EQ(reg.ReadRegistryString(hklm_test, "unterminated", value), 1);
  EXPECT_EQ(value, "1433");
  EXPECT_EQ(reg.ReadRegistryString(hklm_test, "odd", value), 1);
  EXPECT_EQ(value, "14");
  EXPECT_EQ(reg.ReadRegistryString(hklm_test, "embedded", value), 1);
  EXPECT_EQ(value, "C:\\SQL");
  EXPECT_EQ(reg.ReadRegistryString(hklm_test, "expand", value), 1);
  EXPECT_EQ(value, "%SystemRoot%\\x");
  EXPECT_EQ(reg.ReadRegistryString(hklm_test, "long", value), 1);
  EXPECT_EQ(value, std::string(3000, 'p'));
  EXPECT_EQ(reg.ReadRegistryString(hklm_test, "empty", value), 1);
  EXPECT_EQ(value, "");
  value = "untouched";
  EXPECT_EQ(reg.ReadRegistryString(hklm_test, "dword", value), -1);
  EXPECT_EQ(reg.ReadRegistryString(hklm_test, "absent", value), -1);
  EXPECT_EQ(value, "untouched");
  // The failure is traced with the key, the value and the system's code (2: not found).
  EXPECT_TRUE(test::log().contains(
      "registry read HKEY_LOCAL_MACHINE\\SOFTWARE\\SetupWizardTest (64-bit view) value \"absent\": error 2"));

  EXPECT_FALSE(reg.GetRegStringValue("HKEY_LOCAL_MACHINE", "SOFTWARE\\SetupWizardTest", "long", value, 512));
  EXPECT_TRUE(
      reg.GetRegStringValue("HKEY_LOCAL_MACHINE", "SOFTWARE\\SetupWizardTest", "unterminated", value, 512));
  EXPECT_EQ(value, "1433");
}

TEST_F(Win32Registry, ValueNamesAreListedInRegistryOrder) {
  for (const char* name : {"MSSQLSERVER", "SQLEXPRESS", "实例"}) {
    ASSERT_EQ(reg.WriteRegistryString(hklm_test, name, "id"), 1);
  }
  std::vector<std::string> names;
  EXPECT_EQ(reg.ListRegistryValueNames(hklm_test, names), 1);
  EXPECT_EQ(names, (std::vector<std::string>{"MSSQLSERVER", "SQLEXPRESS", "实例"}));
  std::string joined;
  EXPECT_TRUE(reg.GetRegEnumKey("HKEY_LOCAL_MACHINE", "SOFTWARE\\SetupWizardTest", joined, 512));
  EXPECT_EQ(joined, "MSSQLSERVER\nSQLEXPRESS\n实例");
  EXPECT_EQ(reg.ListRegistryValueNames(hklm_test + "\\Absent", names), -1);
}

TEST_F(Win32Registry, TheWindowsNtKeyOfThe32BitViewExistsOnly64Bit) {
  // The 64-bit test of the discovery reads a value there; the key itself is what tells the systems apart.
  std::vector<std::string> names;
  EXPECT_EQ(reg.ListRegistryValueNames(
                "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion", names),
            1);
}

}  // namespace
}  // namespace setup
