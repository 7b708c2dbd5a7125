// server.exe after its open step, for each kind of product and profile: the real window shows what
// the model says (title, captions, what is on the screen, checked and enabled states, pictures,
// positions), and what the operator must see is checked on its own as well.
#include <gtest/gtest.h>

#include "tests/automation/e2e/wizard_run.h"

namespace setup::automation {
namespace {

// Left edges on the screen, to check the order the operator reads.
long left_of(const window& w) {
  return w.screen_rect().left;
}

TEST(OpenStep, WithoutSetupIniTheTitleRepeatsTheNameAndNoChoiceIsOffered) {
  wizard_run run;
  ASSERT_TRUE(run.open());
  EXPECT_TRUE(run.shows_the_model());
  w_server& m = *run.model;

  EXPECT_EQ(run.app.main_window().text(), "[澜拓专卖店澜拓专卖店]服务器安装程序");
  for (const ui::control* c : {&m.gb_4, &m.rb_dd, &m.rb_jmzb, &m.rb_zb, &m.rb_sql2000, &m.rb_sql2005,
                               &m.rb_sql2008, &m.rb_sql2012}) {
    EXPECT_FALSE(run.real(*c).shown()) << c->name();
  }
  // Hidden, yet 2005 is the version chosen and headquarters the edition.
  EXPECT_TRUE(run.real(m.rb_sql2005).checked());
  EXPECT_TRUE(run.real(m.rb_zb).checked());
  EXPECT_TRUE(run.real(m.gb_5).shown());
  EXPECT_EQ(run.real(m.gb_5).text(), "数据库系统版本");
  EXPECT_EQ(run.real(m.st_10).text(), "重要提示：");
  EXPECT_EQ(run.real(m.cb_next).text(), "下一步");
  EXPECT_TRUE(run.real(m.cb_next).enabled());
  EXPECT_FALSE(run.real(m.cb_prev).enabled());
  EXPECT_EQ(run.real(m.cb_1).text(), "退出(&X)");
  // The backup file proposed from the medium the program runs in.
  EXPECT_EQ(run.real(m.sle_backupdata).text(), run.medium / "qvxlov9");
  EXPECT_EQ(run.real(m.sle_dbname).text(), "qvxlov9");
  // Page 3 and 4 wait behind page 1.
  EXPECT_FALSE(run.real(m.sle_backupdata).shown());
  EXPECT_FALSE(run.real(m.cb_2).shown());
}

TEST(OpenStep, TheWindowIsCentredWithTheSizeOfItsDesign) {
  wizard_run run;
  run.setup_ini("DataBase=qvxlov9\r\n");
  ASSERT_TRUE(run.open());
  const HWND hwnd = run.app.main_window().hwnd();
  RECT client{};
  GetClientRect(hwnd, &client);
  HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
  ReleaseDC(nullptr, screen);
  EXPECT_NEAR(client.right, 2386 / 4.57 * dpi / 96, 1.0);
  EXPECT_NEAR(client.bottom, 1444 / 4.0 * dpi / 96, 1.0);

  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &monitor));
  const RECT outer = run.app.main_window().screen_rect();
  EXPECT_NEAR(outer.left - monitor.rcWork.left, monitor.rcWork.right - outer.right, 1.0);
  EXPECT_NEAR(outer.top - monitor.rcWork.top, monitor.rcWork.bottom - outer.bottom, 1.0);
  // A title bar with the control menu's close box.
  const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
}

TEST(OpenStep, Urmsv7OffersThreeEditionsInTheirNewOrderAndCaptions) {
  wizard_run run;
  run.setup_ini("ProductName=澜拓专卖店\r\nVersion=V7\r\nDataBase=urmsv7\r\nsql2005=1\r\n");
  ASSERT_TRUE(run.open());
  EXPECT_TRUE(run.shows_the_model());
  w_server& m = *run.model;

  EXPECT_EQ(run.app.main_window().text(), "[澜拓专卖店V7]服务器安装程序");
  EXPECT_TRUE(run.real(m.gb_4).shown());
  EXPECT_EQ(run.real(m.gb_4).text(), "机构类型");
  EXPECT_EQ(run.real(m.rb_dd).text(), "单店版");
  EXPECT_EQ(run.real(m.rb_jmzb).text(), "连锁分部");
  EXPECT_EQ(run.real(m.rb_zb).text(), "连锁总部");
  for (const ui::control* c : {&m.rb_dd, &m.rb_jmzb, &m.rb_zb})
    EXPECT_TRUE(run.real(*c).shown()) << c->name();
  EXPECT_TRUE(run.real(m.rb_zb).checked());
  EXPECT_FALSE(run.real(m.rb_dd).checked());
  EXPECT_FALSE(run.real(m.rb_jmzb).checked());
  // Read left to right: 连锁总部, 单店版, 连锁分部.
  EXPECT_LT(left_of(run.real(m.rb_zb)), left_of(run.real(m.rb_dd)));
  EXPECT_LT(left_of(run.real(m.rb_dd)), left_of(run.real(m.rb_jmzb)));
  // 2005 and 2008 offered, 2005 chosen.
  EXPECT_TRUE(run.real(m.rb_sql2005).shown());
  EXPECT_TRUE(run.real(m.rb_sql2008).shown());
  EXPECT_TRUE(run.real(m.rb_sql2005).checked());
  EXPECT_EQ(run.real(m.sle_backupdata).text(), run.medium / "urmsv7");
}

TEST(OpenStep, Qvxtekprov3OffersFranchiseAndHeadquarters) {
  wizard_run run;
  run.setup_ini("DataBase=qvxtekprov3\r\nsql2005=1\r\n");
  ASSERT_TRUE(run.open());
  EXPECT_TRUE(run.shows_the_model());
  w_server& m = *run.model;

  EXPECT_FALSE(run.real(m.rb_dd).shown());
  EXPECT_EQ(run.real(m.rb_jmzb).text(), "加盟总部");
  EXPECT_EQ(run.real(m.rb_zb).text(), "总部");
  EXPECT_TRUE(run.real(m.rb_jmzb).shown());
  EXPECT_TRUE(run.real(m.rb_zb).shown());
  EXPECT_TRUE(run.real(m.rb_zb).checked());
  EXPECT_TRUE(run.real(m.rb_zb).enabled());
  EXPECT_EQ(run.real(m.st_wcf).text(), "安装门店数据传输服务程序");
}

TEST(OpenStep, Qvxlov10FixesTheEditionAndNamesTheStoreService) {
  wizard_run run;
  run.setup_ini("DataBase=qvxlov10\r\nlog=qvxlov10\r\nsql2005=1\r\n");
  ASSERT_TRUE(run.open());
  EXPECT_TRUE(run.shows_the_model());
  w_server& m = *run.model;

  EXPECT_FALSE(run.real(m.gb_4).shown());
  EXPECT_FALSE(run.real(m.rb_zb).shown());
  EXPECT_TRUE(run.real(m.rb_zb).checked());
  EXPECT_FALSE(run.real(m.rb_zb).enabled());
  EXPECT_EQ(run.real(m.st_wcf).text(), "安装门店通讯服务（MCS）");
  EXPECT_EQ(run.real(m.sle_backupdata).text(), run.medium / "qvxlov10");
}

TEST(OpenStep, AGeneralCodeWithEveryVersionKeyOffersEveryVersionInTheMovedFrame) {
  wizard_run run;
  run.setup_ini(
      "DataBase=qvxmixav9\r\nDataBase_2012=mix2012\r\nsql2005=1\r\nqvxpredb=41836\r\nqvxpre=41833\r\n");
  ASSERT_TRUE(run.open());
  EXPECT_TRUE(run.shows_the_model());
  w_server& m = *run.model;

  for (const ui::control* c : {&m.rb_sql2000, &m.rb_sql2005, &m.rb_sql2008, &m.rb_sql2012}) {
    EXPECT_TRUE(run.real(*c).shown()) << c->name();
  }
  EXPECT_EQ(run.real(m.rb_sql2012).text(), "MS SQL Server 2012");
  EXPECT_TRUE(run.real(m.rb_sql2005).checked());
  EXPECT_FALSE(run.real(m.rb_sql2012).checked());
  EXPECT_FALSE(run.real(m.gb_4).shown());
  // The version frame took the edition frame's place: it starts above where the edition buttons are.
  EXPECT_LT(run.real(m.gb_5).screen_rect().top, run.real(m.rb_zb).screen_rect().top);
  // 2012 is not checked at open, so the proposal is the ordinary database's backup.
  EXPECT_EQ(run.real(m.sle_backupdata).text(), run.medium / "qvxmixav9");
}

TEST(OpenStep, EachVersionKeyOffersItsVersionOnlyWithItsOwnValue) {
  struct row {
    const char* ini;
    bool v2000, v2005, v2008, v2012;
  };
  for (const row& r :
       {row{"sql2005=1\r\n", false, true, true, false}, row{"qvxpredb=41836\r\n", false, false, false, true},
        row{"qvxpre=41833\r\n", true, false, false, false},
        row{"sql2005=2\r\nqvxpredb=41833\r\nqvxpre=41836\r\n", false, false, false, false}}) {
    SCOPED_TRACE(r.ini);
    wizard_run run;
    run.setup_ini(r.ini);
    ASSERT_TRUE(run.open());
    EXPECT_TRUE(run.shows_the_model());
    w_server& m = *run.model;
    EXPECT_EQ(run.real(m.rb_sql2000).shown(), r.v2000);
    EXPECT_EQ(run.real(m.rb_sql2005).shown(), r.v2005);
    EXPECT_EQ(run.real(m.rb_sql2008).shown(), r.v2008);
    EXPECT_EQ(run.real(m.rb_sql2012).shown(), r.v2012);
    EXPECT_TRUE(run.real(m.rb_sql2005).checked());
  }
}

TEST(OpenStep, AResellersNameFromAChineseSetupDesReplacesTitleAndLogo) {
  wizard_run run;
  run.setup_ini("ProductName=澜拓专卖店\r\nVersion=V9\r\n");
  // Written as a Chinese Windows writes it, in GBK.
  run.setup_des("name=  禾岚连锁  \r\npic3= logo_hl.gif \r\n", 936);
  run.medium_file("resource\\logo_hl.gif", test::read_file(run.medium / "resource\\logo.gif"));
  ASSERT_TRUE(run.open());
  EXPECT_TRUE(run.shows_the_model());
  EXPECT_EQ(run.app.main_window().text(), "[禾岚连锁]服务器安装程序");
  EXPECT_TRUE(run.real(run.model->p_2).has_image());
}

TEST(OpenStep, AResellersLogoThatIsMissingLeavesThePlaceEmpty) {
  wizard_run run;
  run.setup_ini("ProductName=澜拓专卖店\r\nVersion=V9\r\n");
  run.setup_des("name=禾岚连锁\r\npic3=logo_missing.gif\r\n");
  ASSERT_TRUE(run.open());
  EXPECT_TRUE(run.shows_the_model());
  EXPECT_EQ(run.app.main_window().text(), "[禾岚连锁]服务器安装程序");
  // The medium's own logo.gif is not shown instead.
  EXPECT_FALSE(run.real(run.model->p_2).has_image());
  EXPECT_TRUE(run.real(run.model->p_1).has_image());
}

TEST(OpenStep, ASetupDesWithABlankNameChangesNothing) {
  wizard_run run;
  run.setup_ini("ProductName=澜拓专卖店\r\nVersion=V9\r\n");
  run.setup_des("name=   \r\npic3=logo_missing.gif\r\n");
  ASSERT_TRUE(run.open());
  EXPECT_TRUE(run.shows_the_model());
  EXPECT_EQ(run.app.main_window().text(), "[澜拓专卖店V9]服务器安装程序");
  EXPECT_TRUE(run.real(run.model->p_2).has_image());
}

TEST(OpenStep, ASetupDesWithoutANameTakesTheDefaultNameWithoutTheVersion) {
  wizard_run run;
  run.setup_ini("ProductName=澜拓专卖店\r\nVersion=V9\r\n");
  run.setup_des("pic3=logo.gif\r\n");
  ASSERT_TRUE(run.open());
  EXPECT_TRUE(run.shows_the_model());
  EXPECT_EQ(run.app.main_window().text(), "[澜拓禾岚9]服务器安装程序");
  EXPECT_TRUE(run.real(run.model->p_2).has_image());
}

}  // namespace
}  // namespace setup::automation
