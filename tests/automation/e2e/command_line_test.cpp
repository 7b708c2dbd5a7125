// server.exe's command line on the real program: /? shows the usage in a box (and on the output the
// program inherits), then ends with 0.
#include <gtest/gtest.h>

#include "tests/automation/e2e/wizard_run.h"

namespace setup::automation {
namespace {

TEST(CommandLine, TheUsageShowsTheExitCodesInABox) {
  install_medium medium;
  ASSERT_TRUE(medium.ready());
  program app;
  program::options how = medium.start_options();
  how.arguments = "/?";
  ASSERT_TRUE(app.start(how));
  message_box box;
  ASSERT_TRUE(app.wait_for_message_box(box));
  EXPECT_EQ(box.caption(), "server.exe");
  for (const char* text : {"/answers=FILE", "8 the port change failed", "start /wait"})
    EXPECT_NE(box.message().find(text), std::string::npos) << text << "\n" << box.message();
  ASSERT_TRUE(box.press(IDOK));
  ASSERT_TRUE(wait_until([&] { return !IsWindow(box.hwnd()); }, "the box gone"));
  ASSERT_TRUE(app.wait_for_exit());
  EXPECT_EQ(app.exit_code(), 0u);
}

}  // namespace
}  // namespace setup::automation
