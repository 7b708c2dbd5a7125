#include "platform/trace.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace setup
