// version.dll and the portable reader give the same FileVersion text: on every fixture the build
// made (PE32 and PE32+, odd tables, damaged and foreign files) and on the system's own programs.
#include "platform/win32/win32_file_versions.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "platform/portable_file_versions.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_system.h"
#include "tests/win32/test_support.h"

namespace setup {
namespace {

std::string fixtures_directory() {
  return test::test_data("versions");
}

std::vector<std::string> files_in(const std::string& directory) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW(win32::wide(directory + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(win32::narrow(found.cFileName));
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

class Win32FileVersions : public ::testing::Test {
 protected:
  win32_file_versions system_{test::log()};
  win32_files fs_{test::log()};
  portable_file_versions portable_{fs_};
};

TEST_F(Win32FileVersions, TheSystemAndThePortableReaderAgreeOnEveryFixture) {
  const std::string directory = fixtures_directory();
  const std::vector<std::string> names = files_in(directory);
  ASSERT_GE(names.size(), 38u) << "fixtures missing in " << directory;
  int with_version = 0;
  for (const std::string& name : names) {
    const std::string path = directory + "\\" + name;
    const std::string by_system = system_.FileVersion(path);
    EXPECT_EQ(portable_.FileVersion(path), by_system) << name;
    if (!by_system.empty()) ++with_version;
  }
  // Eleven of the fixtures carry a version, in two machines each; the rest must give none on both.
  EXPECT_EQ(with_version, 22);
  EXPECT_EQ(system_.FileVersion(directory + "\\en_us_1252_64.dll"), "2005.090.1399.06");
  EXPECT_EQ(system_.FileVersion(directory + "\\code_page_0x1252_32.dll"), "2000.080.194.0");
  EXPECT_EQ(system_.FileVersion(directory + "\\non_ascii_text_32.dll"), "10.0 \u6D4B\u8BD5");
}

TEST_F(Win32FileVersions, TheSystemAndThePortableReaderAgreeOnTheSystemsPrograms) {
  // The system folder of this program's own bitness, the one of 32-bit programs (the same on 32-bit
  // Windows), and sysnative, where a 32-bit program sees the 64-bit files (absent for others: no
  // version from either reader).
  wchar_t own[MAX_PATH + 1] = {};
  ASSERT_GT(GetSystemDirectoryW(own, MAX_PATH + 1), 0u);
  const std::string system = win32::narrow(own);
  const std::string system_32bit = fs_.GetSystemDirectory();
  const std::string windows = system.substr(0, system.rfind('\\'));
  const std::vector<std::string> programs = {
      system + "\\kernel32.dll",
      system + "\\version.dll",
      system + "\\notepad.exe",
      system + "\\user32.dll",
      system_32bit + "\\kernel32.dll",
      system_32bit + "\\notepad.exe",
      windows + "\\sysnative\\notepad.exe",
      windows + "\\sysnative\\kernel32.dll",
      windows + "\\regedit.exe",
  };
  int with_version = 0;
  for (const std::string& program : programs) {
    const std::string by_system = system_.FileVersion(program);
    EXPECT_EQ(portable_.FileVersion(program), by_system) << program;
    if (!by_system.empty()) ++with_version;
  }
  EXPECT_GE(with_version, 4);
}

TEST_F(Win32FileVersions, AbsentFilesAndDirectoriesHaveNoVersion) {
  test::temp_directory scratch;
  for (const std::string& path : {scratch / "absent.exe", scratch.path(), std::string()}) {
    EXPECT_EQ(system_.FileVersion(path), "") << path;
    EXPECT_EQ(portable_.FileVersion(path), "") << path;
  }
}

}  // namespace
}  // namespace setup
