// The automation against a window of our own (automation_target.exe): what it reads, how it drives
// the window and its message boxes, that its waits give up with a message, and that what it starts
// always ends.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <chrono>

#include "tests/automation/automation.h"
#include "tests/automation/automation_target.h"
#include "tests/automation/browser_stand_in.h"
#include "tests/automation/install_medium.h"

namespace setup::automation {
namespace {

namespace t = target;
using namespace std::chrono_literals;

program::options target_options(std::string arguments = {},
                                std::vector<std::pair<std::string, std::string>> environment = {}) {
  program::options how;
  how.executable = built_program("automation_target.exe");
  how.environment = std::move(environment);
  how.arguments = std::move(arguments);
  return how;
}

class TargetWindow : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(app.start(target_options()));
    ASSERT_TRUE(app.wait_for_window());
  }
  program app;
};

TEST_F(TargetWindow, ReadsCaptionsAndStatesOfControlsAtAnyDepth) {
  EXPECT_EQ(app.main_window().text(), win32::narrow(t::window_title));
  EXPECT_EQ(app.control(t::inform).text(), "通知");
  EXPECT_TRUE(app.control(t::inform).visible());
  EXPECT_TRUE(app.control(t::inform).enabled());

  EXPECT_FALSE(app.control(t::hidden_label).visible());
  EXPECT_EQ(app.control(t::hidden_label).text(), "隐藏");
  EXPECT_FALSE(app.control(t::disabled_button).enabled());
  EXPECT_TRUE(app.control(t::disabled_button).visible());

  // Inside a hidden panel: visible itself, not shown on the screen.
  const window nested = app.control(t::label_in_panel);
  EXPECT_EQ(nested.text(), "面板内");
  EXPECT_TRUE(nested.visible());
  EXPECT_FALSE(nested.shown());

  EXPECT_TRUE(app.control(t::radio_a).checked());
  EXPECT_FALSE(app.control(t::radio_b).checked());
  EXPECT_FALSE(app.control(t::check).checked());
}

TEST_F(TargetWindow, AMissingControlIsAFailureThatNamesItsId) {
  window missing;
  EXPECT_NONFATAL_FAILURE(missing = app.control(4711), "no control with ID 4711");
  EXPECT_FALSE(missing.found());
  EXPECT_EQ(missing.text(), "");
  EXPECT_FALSE(missing.visible());
}

TEST_F(TargetWindow, ClicksCheckAsTheMouseDoes) {
  app.control(t::check).click();
  EXPECT_TRUE(wait_until([&] { return app.control(t::check).checked(); }, "the check box checked"));
  app.control(t::radio_b).click();
  EXPECT_TRUE(wait_until([&] { return app.control(t::radio_b).checked(); }, "radio b checked"));
  EXPECT_FALSE(app.control(t::radio_a).checked());
  app.control(t::check).click();
  EXPECT_TRUE(wait_until([&] { return !app.control(t::check).checked(); }, "the check box unchecked"));
}

TEST_F(TargetWindow, TypedTextReplacesTheFieldAndReachesTheProgram) {
  const window field = app.control(t::edit);
  field.type("澜拓 qvxlov9");
  // The program copies its field into the echo label on each change: it saw the typing.
  EXPECT_TRUE(
      wait_until([&] { return app.control(t::echo).text() == "澜拓 qvxlov9"; }, "the echo of the typing"));
  EXPECT_EQ(field.text(), "澜拓 qvxlov9");
  field.type("sa");
  EXPECT_TRUE(
      wait_until([&] { return app.control(t::echo).text() == "sa"; }, "the echo of the second typing"));
  field.type("");
  EXPECT_TRUE(wait_until([&] { return field.text().empty(); }, "the field emptied"));
}

TEST_F(TargetWindow, MessageBoxesAreReadAndAnsweredWithTheButtonPressed) {
  struct row {
    int button;
    std::vector<int> buttons;
    int default_button;
    int press;
    const char* answer;
    const wchar_t* text;
  };
  for (const row& r : {row{t::ask_default_no, {IDYES, IDNO}, IDNO, IDYES, "是", t::question_text},
                       row{t::ask_default_yes, {IDYES, IDNO}, IDYES, IDNO, "否", t::question_text},
                       row{t::inform, {IDOK}, IDOK, IDOK, "好", t::information_text}}) {
    SCOPED_TRACE(r.button);
    // The click returns although the program now waits in a modal box.
    app.control(r.button).click();
    message_box box;
    ASSERT_TRUE(app.wait_for_message_box(box));
    EXPECT_EQ(box.caption(), win32::narrow(t::box_caption));
    EXPECT_EQ(box.message(), win32::narrow(r.text));
    EXPECT_EQ(box.buttons(), r.buttons);
    EXPECT_EQ(box.default_button(), r.default_button);
    EXPECT_FALSE(box.press(IDCANCEL));
    ASSERT_TRUE(box.press(r.press));
    EXPECT_TRUE(wait_until([&] { return app.control(t::answer).text() == r.answer; }, "the answer shown"));
    EXPECT_TRUE(wait_until([&] { return !IsWindow(box.hwnd()); }, "the box gone"));
  }
}

TEST_F(TargetWindow, WaitsGiveUpInTimeAndSayWhatTheyWaitedFor) {
  message_box box;
  const auto start = std::chrono::steady_clock::now();
  const testing::AssertionResult none = app.wait_for_message_box(box, 300ms);
  EXPECT_FALSE(none);
  EXPECT_NE(std::string(none.message()).find("a message box"), std::string::npos) << none.message();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);

  const testing::AssertionResult still_running = app.wait_for_exit(300ms);
  EXPECT_FALSE(still_running);
  EXPECT_NE(std::string(still_running.message()).find("the program to end"), std::string::npos);
}

TEST_F(TargetWindow, WaitingForTheEndReportsAQuestionAsked) {
  app.control(t::ask_default_no).click();
  const testing::AssertionResult ended = app.wait_for_exit(10s);
  EXPECT_FALSE(ended);
  EXPECT_NE(std::string(ended.message()).find("删除数据库"), std::string::npos) << ended.message();
  EXPECT_TRUE(app.running());
}

TEST(Program, EndingClosesTheWindowOrElseTerminates) {
  program polite;
  ASSERT_TRUE(polite.start(target_options()));
  ASSERT_TRUE(polite.wait_for_window());
  EXPECT_TRUE(polite.end());
  EXPECT_FALSE(polite.running());
  EXPECT_EQ(polite.exit_code(), 0u);

  program stubborn;
  ASSERT_TRUE(stubborn.start(target_options("--ignore-close")));
  ASSERT_TRUE(stubborn.wait_for_window());
  EXPECT_FALSE(stubborn.end(500ms));
  EXPECT_FALSE(stubborn.running());
}

TEST(Program, AProgramThatEndsWithoutAWindowIsReportedAtOnce) {
  program windowless;
  // The recorder without an address to record ends at once.
  program::options how;
  how.executable = built_program("browser_recorder.exe");
  ASSERT_TRUE(windowless.start(how));
  const auto start = std::chrono::steady_clock::now();
  const testing::AssertionResult shown = windowless.wait_for_window(20s);
  EXPECT_FALSE(shown);
  EXPECT_NE(std::string(shown.message()).find("the program ended"), std::string::npos) << shown.message();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
}

TEST(Program, AMissingProgramIsReportedByName) {
  program nothing;
  program::options how;
  how.executable = "C:\\no\\such.exe";
  const testing::AssertionResult started = nothing.start(how);
  EXPECT_FALSE(started);
  EXPECT_NE(std::string(started.message()).find("C:\\no\\such.exe"), std::string::npos);
}

// The stand-in browser records what a program asks the shell to open, and puts the association back.
TEST(BrowserStandIn, RecordsTheAddressesAProgramOpensAndRestoresTheAssociation) {
  const auto association = [] {
    wchar_t value[1024] = {};
    LONG size = sizeof value;
    RegQueryValueW(HKEY_CLASSES_ROOT, L"https\\shell\\open\\command", value, &size);
    return std::wstring(value);
  };
  const std::wstring before = association();
  test::temp_directory logs;
  const std::string address = "https://shop.example/open?a=1&b=微店";
  const std::string with_address = "--url \"" + address + "\"";
  {
    browser_stand_in browser(built_program("browser_recorder.exe"), logs / "urls.txt");
    ASSERT_TRUE(browser.installed());
    EXPECT_NE(association(), before);
    program asks;
    ASSERT_TRUE(asks.start(target_options(with_address, {browser.environment()})));
    ASSERT_TRUE(asks.wait_for_window());
    asks.control(t::open_url).click();
    EXPECT_TRUE(wait_until([&] { return asks.processes_started() >= 2; }, "the browser started"));
    asks.end();
    ASSERT_TRUE(asks.wait_for_all_to_end());
    EXPECT_EQ(browser.addresses(), std::vector<std::string>{address});
  }
  EXPECT_EQ(association(), before);
  {
    // Without the click nothing is opened.
    browser_stand_in browser(built_program("browser_recorder.exe"), logs / "none.txt");
    program silent;
    ASSERT_TRUE(silent.start(target_options(with_address, {browser.environment()})));
    ASSERT_TRUE(silent.wait_for_window());
    silent.end();
    ASSERT_TRUE(silent.wait_for_all_to_end());
    EXPECT_TRUE(browser.addresses().empty());
    EXPECT_EQ(silent.processes_started(), 1);
  }
  EXPECT_EQ(association(), before);
}

}  // namespace
}  // namespace setup::automation
