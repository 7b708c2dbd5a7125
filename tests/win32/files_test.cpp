#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "platform/win32/win32_system.h"
#include "tests/win32/test_support.h"

namespace setup {
namespace {

using test::read_file;
using test::temp_directory;
using test::write_file;

TEST(Win32Files, ExistenceTellsFilesFromDirectories) {
  temp_directory dir;
  win32_files fs{test::log()};
  ASSERT_TRUE(write_file(dir / "备份.dat", "data"));
  EXPECT_TRUE(fs.FileExists(dir / "备份.dat"));
  EXPECT_FALSE(fs.DirectoryExists(dir / "备份.dat"));
  EXPECT_TRUE(fs.DirectoryExists(dir.path()));
  EXPECT_FALSE(fs.FileExists(dir.path()));
  EXPECT_FALSE(fs.FileExists(dir / "absent"));
  EXPECT_FALSE(fs.FileExists(""));
  EXPECT_FALSE(fs.DirectoryExists(""));
}

TEST(Win32Files, FilesAreFoundByPatternAndTheDriveTellsItsFreeSpace) {
  temp_directory dir;
  win32_files fs{test::log()};
  for (const char* name : {"店_before_setup_1.bak", "店_before_setup_2.BAK", "店_other.bak"})
    ASSERT_TRUE(write_file(dir / name, "data"));
  ASSERT_TRUE(CreateDirectoryW(win32::wide(dir / "店_before_setup_3.bak").c_str(), nullptr));
  std::vector<std::string> found = fs.FindFiles(dir.path(), "店_before_setup_*.bak");
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::string>{"店_before_setup_1.bak", "店_before_setup_2.BAK"}));
  EXPECT_TRUE(fs.FindFiles(dir / "absent", "*").empty());
  EXPECT_GT(fs.FreeSpace(dir.path()).value_or(0), 0u);
  EXPECT_EQ(fs.FreeSpace(dir / "absent"), std::nullopt);
}

TEST(Win32Files, AReadOnlyFileIsRemovedOnlyAfterItsAttributesAreCleared) {
  temp_directory dir;
  win32_files fs{test::log()};
  const std::string file = dir / "ur_dbsetup_temp.dat";
  ASSERT_TRUE(write_file(file, "old"));
  ASSERT_TRUE(fs.SetFileAttributes(file, FILE_ATTRIBUTE_READONLY));
  EXPECT_FALSE(fs.RemoveFile(file));
  EXPECT_TRUE(fs.FileExists(file));
  EXPECT_TRUE(fs.SetFileAttributes(file, 0));
  EXPECT_TRUE(fs.RemoveFile(file));
  EXPECT_FALSE(fs.FileExists(file));
  EXPECT_FALSE(fs.RemoveFile(file));
  EXPECT_FALSE(fs.SetFileAttributes(file, 0));
}

TEST(Win32Files, CopyReplacesTheTargetAndFailsWhereItCannot) {
  temp_directory dir;
  win32_files fs{test::log()};
  ASSERT_TRUE(write_file(dir / "source", "new backup"));
  ASSERT_TRUE(write_file(dir / "target", "old"));
  EXPECT_EQ(fs.CopyFileReplacing(dir / "source", dir / "target"), 1);
  EXPECT_EQ(read_file(dir / "target"), "new backup");
  EXPECT_NE(fs.CopyFileReplacing(dir / "absent", dir / "target2"), 1);
  EXPECT_TRUE(
      test::log().contains("copy \"" + dir / "absent" + "\" to \"" + dir / "target2" + "\": error 2"));
  EXPECT_NE(fs.CopyFileReplacing(dir / "source", dir / "no such dir\\target"), 1);
  EXPECT_FALSE(fs.FileExists(dir / "target2"));

  // Progress comes in order and ends with the whole file.
  const std::string big(3 << 20, 'b');
  ASSERT_TRUE(write_file(dir / "big", big));
  std::vector<std::uint64_t> copied;
  EXPECT_EQ(fs.CopyFileReplacing(dir / "big", dir / "target",
                                 [&](std::uint64_t done, std::uint64_t total) {
                                   EXPECT_EQ(total, big.size());
                                   copied.push_back(done);
                                 }),
            1);
  ASSERT_FALSE(copied.empty());
  EXPECT_TRUE(std::is_sorted(copied.begin(), copied.end()));
  EXPECT_EQ(copied.back(), big.size());
  EXPECT_EQ(read_file(dir / "target"), big);
}

// The log file: a new one, or the one given replaced; readable while it is written; none where the
// folder is missing.
TEST(Win32Files, ALogFileIsWrittenStraightThroughAndReadableMeanwhile) {
  temp_directory dir;
  win32_files fs{test::log()};
  const std::string log = dir / "安装日志.log";
  // As Notepad opens it: sharing the write the program keeps open.
  const auto read_now = [&] {
    std::string bytes;
    const std::unique_ptr<byte_source> reader = fs.OpenForReading(log);
    return reader && read_all(*reader, bytes, 1 << 20) ? bytes : std::string("(unreadable)");
  };
  std::unique_ptr<byte_sink> file = fs.CreateForWriting(log, false);
  ASSERT_NE(file, nullptr);
  EXPECT_TRUE(file->write("第一行\r\n"));
  EXPECT_EQ(read_now(), "第一行\r\n") << "read while open";
  EXPECT_EQ(fs.CreateForWriting(log, false), nullptr) << "a log already there is kept";
  file.reset();
  file = fs.CreateForWriting(log, true);
  ASSERT_NE(file, nullptr);
  EXPECT_TRUE(file->write("again"));
  EXPECT_EQ(read_now(), "again");
  EXPECT_EQ(fs.CreateForWriting(dir / "no such dir\\x.log", true), nullptr);
  EXPECT_TRUE(test::log().contains("create \"" + dir / "no such dir\\x.log" + "\": error 3"));
}

TEST(Win32Environment, TellsTheMachineTheTemporaryFolderAndTheVariables) {
  win32_environment env{test::log()};
  const machine_facts facts = env.machine();
  EXPECT_TRUE(facts.windows_version.find(" build ") != std::string::npos) << facts.windows_version;
  EXPECT_FALSE(facts.user.empty());
  EXPECT_TRUE(facts.elevated.has_value());
  // wine's prefixes here are 64-bit: the 32-bit program runs under WOW64.
  EXPECT_TRUE(facts.windows_64bit);
  const std::string temp = env.temporary_folder();
  EXPECT_TRUE(win32_files{test::log()}.DirectoryExists(temp)) << temp;
  EXPECT_NE(temp.back(), '\\');
  SetEnvironmentVariableW(L"SETUP_TEST_口令", L"值 1");
  EXPECT_EQ(env.variable("setup_test_口令"), "值 1");
  SetEnvironmentVariableW(L"SETUP_TEST_口令", nullptr);
  EXPECT_EQ(env.variable("SETUP_TEST_口令"), std::nullopt);
  EXPECT_EQ(env.variable(""), std::nullopt);
}

TEST(Win32Files, CurrentDirectoryRoundTripsWithChinesePaths) {
  temp_directory dir;
  win32_files fs{test::log()};
  const std::string chinese = dir / "安装盘";
  ASSERT_TRUE(CreateDirectoryW(win32::wide(chinese).c_str(), nullptr));
  const std::string saved = fs.GetCurrentDirectory();
  ASSERT_FALSE(saved.empty());
  EXPECT_TRUE(fs.SetCurrentDirectory(chinese));
  EXPECT_EQ(fs.GetCurrentDirectory(), chinese);
  ASSERT_TRUE(write_file("setup.ini", "[Options]"));
  EXPECT_TRUE(fs.FileExists(chinese + "\\setup.ini"));
  EXPECT_TRUE(fs.FileExists("setup.ini"));
  EXPECT_FALSE(fs.SetCurrentDirectory(dir / "absent"));
  EXPECT_TRUE(fs.SetCurrentDirectory(saved));
}

TEST(Win32Files, TheSystemDirectoryIsTheFolderOf32BitPrograms) {
  // These tests run on 64-bit Windows (the 32-bit one: tests/win32_32bit), where that folder is
  // SysWOW64 whatever this program's bitness.
  win32_files fs{test::log()};
  const std::string system = fs.GetSystemDirectory();
  EXPECT_TRUE(fs.DirectoryExists(system));
  std::string folder = system.substr(system.rfind('\\') + 1);
  for (char& c : folder) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_EQ(folder, "syswow64") << system;
}

TEST(Win32Files, ReadingTakesRangesAndRefusesToReadPastTheEnd) {
  temp_directory dir;
  win32_files fs{test::log()};
  ASSERT_TRUE(write_file(dir / "f", "0123456789"));
  auto source = fs.OpenForReading(dir / "f");
  ASSERT_NE(source, nullptr);
  EXPECT_EQ(source->size(), 10u);
  char buffer[4] = {};
  EXPECT_TRUE(source->read_at(6, buffer, 4));
  EXPECT_EQ(std::string(buffer, 4), "6789");
  EXPECT_FALSE(source->read_at(7, buffer, 4));
  EXPECT_FALSE(source->read_at(~0ull, buffer, 1));
  EXPECT_EQ(fs.OpenForReading(dir / "absent"), nullptr);
  EXPECT_EQ(fs.OpenForReading(dir.path()), nullptr);
}

}  // namespace
}  // namespace setup
