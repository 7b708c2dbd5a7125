// Starting programs: StartProgram must start exactly the program its path names, and RunWait must take
// a bare program name from the system directory only.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/win32/win32_system.h"
#include "tests/win32/test_support.h"

namespace setup {
namespace {

using test::read_file;
using test::temp_directory;

const std::string child = test::windows_path_of_unix(SETUP_TEST_CHILD);

bool copy_child(const std::string& target) {
  return CopyFileW(win32::wide(child).c_str(), win32::wide(target).c_str(), FALSE) != 0;
}

// Waits for a report file a started child writes.
std::string wait_for_report(const std::string& path) {
  for (int i = 0; i < 200; ++i) {
    const std::string text = read_file(path);
    if (text.find('\n') != std::string::npos) return text;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return {};
}

TEST(Win32Processes, RunWaitReturnsTheExitCodeOfAHiddenProcess) {
  temp_directory dir;
  win32_processes proc{test::log()};
  const std::string report = dir / "report.txt";
  EXPECT_EQ(proc.RunWait("\"" + child + "\" \"" + report + "\" 7 300", window_hidden), 7u);
  const std::string text = read_file(report);
  EXPECT_NE(text.find(child), std::string::npos) << text;
  EXPECT_NE(text.find("\n0\n"), std::string::npos) << "window style 0 (hidden) expected: " << text;
}

TEST(Win32Processes, RunWaitTakesBareNamesFromTheSystemDirectory) {
  temp_directory dir;
  win32_processes proc{test::log()};
  win32_files fs{test::log()};
  // A program called cmd in the current directory must not be the one that runs.
  ASSERT_TRUE(copy_child(dir / "cmd.exe"));
  const std::string saved = fs.GetCurrentDirectory();
  ASSERT_TRUE(fs.SetCurrentDirectory(dir.path()));
  const std::uint32_t code = proc.RunWait("cmd /c exit 3", window_hidden);
  fs.SetCurrentDirectory(saved);
  EXPECT_EQ(code, 3u);
  EXPECT_EQ(proc.RunWait("no-such-program-here /y", window_hidden), run_failed);
  EXPECT_EQ(proc.RunWait("   ", window_hidden), run_failed);
  EXPECT_EQ(proc.RunWait("\"unclosed quote", window_hidden), run_failed);
}

TEST(Win32Processes, StartProgramStartsExactlyThePathGivenAndDoesNotWait) {
  temp_directory dir;
  win32_processes proc{test::log()};
  // "...\a b\child.exe" unquoted would start "...\a.exe" with the argument "b\child.exe".
  ASSERT_TRUE(CreateDirectoryW(win32::wide(dir / "a b").c_str(), nullptr));
  ASSERT_TRUE(copy_child(dir / "a b\\child.exe"));
  ASSERT_TRUE(copy_child(dir / "a.exe"));
  const auto before = std::chrono::steady_clock::now();
  EXPECT_TRUE(proc.StartProgram(dir / "a b\\child.exe"));
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(2));
  const std::string report = wait_for_report(dir / "a b\\child.exe.ran");
  EXPECT_NE(report.find("\n1\n"), std::string::npos) << "a normal window expected: " << report;
  EXPECT_TRUE(read_file(dir / "a.exe.ran").empty()) << "the path was split at its space";
  EXPECT_FALSE(proc.StartProgram(dir / "absent.exe"));
  EXPECT_FALSE(proc.StartProgram(""));
}

TEST(Win32Processes, StartProgramResolvesARelativePathAgainstTheCurrentDirectory) {
  temp_directory dir;
  win32_processes proc{test::log()};
  win32_files fs{test::log()};
  ASSERT_TRUE(copy_child(dir / "automess.exe"));
  const std::string saved = fs.GetCurrentDirectory();
  ASSERT_TRUE(fs.SetCurrentDirectory(dir.path()));
  const bool started = proc.StartProgram("automess.exe");
  fs.SetCurrentDirectory(saved);
  EXPECT_TRUE(started);
  EXPECT_FALSE(wait_for_report(dir / "automess.exe.ran").empty());
}

}  // namespace
}  // namespace setup
