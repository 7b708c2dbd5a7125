// Page 1's radio buttons clicked in the real window, and the close step: the exit button and the close
// box end the program without a question, and open no web page from page 1.
#include <gtest/gtest.h>

#include "tests/automation/e2e/wizard_run.h"

namespace setup::automation {
namespace {

TEST(Page1, VersionButtonsExcludeEachOtherAndLeaveTheEditionAlone) {
  wizard_run run;
  run.setup_ini("DataBase=qvxtekprov3\r\nsql2005=1\r\nqvxpredb=41836\r\nqvxpre=41833\r\n");
  ASSERT_TRUE(run.open());
  w_server& m = *run.model;
  for (ui::control* c : {&m.rb_sql2012, &m.rb_sql2000, &m.rb_sql2008, &m.rb_sql2005, &m.rb_sql2005}) {
    SCOPED_TRACE(c->name());
    ASSERT_TRUE(run.click(*c));
    EXPECT_TRUE(run.real(*c).checked());
    int checked_versions = 0;
    for (const ui::control* v : {&m.rb_sql2000, &m.rb_sql2005, &m.rb_sql2008, &m.rb_sql2012}) {
      checked_versions += run.real(*v).checked() ? 1 : 0;
    }
    EXPECT_EQ(checked_versions, 1);
    EXPECT_TRUE(run.real(m.rb_zb).checked());
  }
}

TEST(Page1, EditionButtonsExcludeEachOtherAndLeaveTheVersionAlone) {
  wizard_run run;
  run.setup_ini("DataBase=urmsv7\r\nsql2005=1\r\n");
  ASSERT_TRUE(run.open());
  w_server& m = *run.model;
  ASSERT_TRUE(run.click(m.rb_dd));
  EXPECT_TRUE(run.real(m.rb_dd).checked());
  EXPECT_FALSE(run.real(m.rb_zb).checked());
  EXPECT_FALSE(run.real(m.rb_jmzb).checked());
  ASSERT_TRUE(run.click(m.rb_jmzb));
  EXPECT_TRUE(run.real(m.rb_jmzb).checked());
  EXPECT_FALSE(run.real(m.rb_dd).checked());
  ASSERT_TRUE(run.click(m.rb_sql2008));
  EXPECT_TRUE(run.real(m.rb_jmzb).checked());
  EXPECT_TRUE(run.real(m.rb_sql2008).checked());
}

TEST(CloseStep, TheExitButtonEndsTheProgramWithoutAQuestion) {
  wizard_run run;
  run.setup_ini("DataBase=qvxtekprov3\r\n");
  ASSERT_TRUE(run.open());
  run.real(run.model->cb_1).click();
  ASSERT_TRUE(run.app.wait_for_exit());
  EXPECT_EQ(run.app.exit_code(), 0u);
  ASSERT_TRUE(run.app.wait_for_all_to_end());
  // Page 1 was shown: no web page.
  EXPECT_EQ(run.app.processes_started(), 1);
  EXPECT_TRUE(run.browser.addresses().empty());
}

TEST(CloseStep, TheCloseBoxEndsTheProgramWithoutAQuestion) {
  wizard_run run;
  run.setup_ini("DataBase=qvxlov10\r\nsql2005=1\r\n");
  ASSERT_TRUE(run.open());
  ASSERT_TRUE(run.click(run.model->rb_sql2008));
  run.app.press_close_box();
  ASSERT_TRUE(run.app.wait_for_exit());
  EXPECT_EQ(run.app.exit_code(), 0u);
  ASSERT_TRUE(run.app.wait_for_all_to_end());
  EXPECT_EQ(run.app.processes_started(), 1);
  EXPECT_TRUE(run.browser.addresses().empty());
}

}  // namespace
}  // namespace setup::automation
