// A prefix that behaves like 32-bit Windows: one registry view, no Wow6432Node, both view flags
// ignored; no WoW64 folder, so 32-bit programs' system directory is system32.
#include <gtest/gtest.h>

#include "platform/memory/memory_system.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_system.h"

namespace setup {
namespace {

const std::string hklm_test = "HKEY_LOCAL_MACHINE\\SOFTWARE\\SetupWizardTest";

class Win32Registry32 : public ::testing::Test {
 protected:
  void SetUp() override {
    BOOL wow64 = TRUE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    ASSERT_FALSE(wow64) << "these tests need a prefix that behaves like 32-bit Windows";
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\SetupWizardTest");
  }
  void TearDown() override { RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\SetupWizardTest"); }
  memory_trace log;
  win32_registry reg{log};
};

TEST_F(Win32Registry32, BothViewsAreTheSameKey) {
  EXPECT_EQ(reg.WriteRegistryString(hklm_test, "shop1", "Customer", registry_view::wow64_32), 1);
  EXPECT_EQ(reg.WriteRegistryString(hklm_test, "shop2", "Other"), 1);
  std::vector<std::string> names;
  EXPECT_EQ(reg.ListRegistryValueNames(hklm_test, names), 1);
  EXPECT_EQ(names, (std::vector<std::string>{"shop1", "shop2"}));
  std::string value;
  EXPECT_EQ(
      reg.ReadRegistryString("HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\SetupWizardTest", "shop1", value),
      -1);
}

TEST_F(Win32Registry32, ThereIsNoWow6432NodeWindowsNtKey) {
  std::vector<std::string> names;
  EXPECT_EQ(reg.ListRegistryValueNames(
                "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion", names),
            -1);
  EXPECT_EQ(reg.ListRegistryValueNames("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                                       names),
            1);
}

TEST(Win32Files32, TheSystemDirectoryIsSystem32) {
  memory_trace log;
  const std::string system = win32_files(log).GetSystemDirectory();
  EXPECT_TRUE(system.size() > 9 && _stricmp(system.c_str() + system.size() - 9, "\\system32") == 0) << system;
}

}  // namespace
}  // namespace setup
