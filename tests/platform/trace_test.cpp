#include "platform/trace.h"

#include <gtest/gtest.h>

#include "platform/memory/memory_files.h"
#include "platform/memory/memory_system.h"

namespace setup {
namespace {

TEST(Trace, SecretsAreMaskedWhereverTheyStand) {
  struct row {
    std::string line;
    std::vector<std::string> secrets;
    std::string masked;
  };
  const std::vector<row> rows = {
      {"connect SERVER=db;UID=sa;PWD={s3cr}}et};", {"s3cr}}et"}, "connect SERVER=db;UID=sa;PWD={***};"},
      {"sp_password NULL, N'p''w', N'qvxlov9'", {"p''w"}, "sp_password NULL, N'***', N'qvxlov9'"},
      {"pwpw and pw", {"pw"}, "****** and ***"},
      // Where two secrets start at one place the longer one is masked whole.
      {"abcdef abc", {"abc", "abcdef"}, "*** ***"},
      {"密码是口令123", {"口令123"}, "密码是***"},
      {"nothing to hide", {"absent"}, "nothing to hide"},
  };
  for (const row& r : rows) EXPECT_EQ(mask_secrets(r.line, r.secrets), r.masked) << r.line;
}

TEST(Trace, RegisteredSecretsNeverReachTheLines) {
  memory_trace log;
  log.line("before: hunter2");
  log.add_secret("hunter2");
  log.add_secret("");  // ignored: it would mask everything
  log.line("PWD={hunter2}; again hunter2");
  EXPECT_EQ(log.lines(), (std::vector<std::string>{"before: hunter2", "PWD={***}; again ***"}));
  EXPECT_EQ(failure_line("copy \"a\" to \"b\"", 5), "copy \"a\" to \"b\": error 5");
}

// A file that takes `room` writes and refuses the rest, as a full disk does.
class filling_file final : public byte_sink {
 public:
  explicit filling_file(int room) : room_(room) {}
  bool write(std::string_view) override { return room_-- > 0; }

 private:
  int room_;
};

TEST(Trace, TheLogFileHoldsEachLineTimeStampedUntilAWriteFails) {
  memory_files fs;
  fs.add_directory("C:\\Temp");
  memory_clock time;
  memory_trace log;
  log.keep_in("C:\\Temp\\run.log", fs.CreateForWriting("C:\\Temp\\run.log", false), time);
  EXPECT_EQ(log.log_path(), "C:\\Temp\\run.log");
  log.add_secret("pw");
  log.line("connect, pw given");
  log.line("message \"提示\": 第一行\r\n第二行");
  EXPECT_EQ(fs.content("C:\\Temp\\run.log"),
            "\xEF\xBB\xBF"
            "2026-12-09 10:30:05.000  connect, *** given\r\n"
            "2026-12-09 10:30:05.000  message \"提示\": 第一行 | 第二行\r\n");

  // Room for the byte order mark and one line: the second line ends the log, not the program.
  log.keep_in("E:\\full.log", std::make_unique<filling_file>(2), time);
  log.line("one");
  EXPECT_EQ(log.log_path(), "E:\\full.log");
  log.line("two");
  EXPECT_EQ(log.log_path(), "");
  log.line("three");
  EXPECT_EQ(log.lines().back(), "three");
  // No file at all: nothing kept.
  log.keep_in("X:\\none.log", fs.CreateForWriting("X:\\none.log", true), time);
  EXPECT_EQ(log.log_path(), "");
}

}  // namespace
}  // namespace setup
