// The window after its open step, for each kind of product, and the page-1 buttons and close step.
#include <gtest/gtest.h>

#include "tests/wizard/machine.h"

namespace setup {
namespace {

using test::machine;

// The controls as designed, before any open step moved them.
const ui::control& designed(const ui::control& c) {
  static w_server_controls design;
  for (const ui::control* d : design.all()) {
    if (d->name() == c.name()) return *d;
  }
  ADD_FAILURE() << c.name() << " has no design";
  return c;
}
int design_y(const ui::control& c) {
  return designed(c).y();
}
int design_x(const ui::control& c) {
  return designed(c).x();
}

TEST(OpenStep, WithoutSetupIniTheGeneralProductOffersNoChoiceAndTheTitleRepeatsTheName) {
  machine m;
  auto w = m.open_window();
  EXPECT_EQ(w->title(), "[澜拓专卖店澜拓专卖店]服务器安装程序");
  EXPECT_EQ(w->state.is_apptitle, "澜拓专卖店澜拓专卖店");
  EXPECT_EQ(w->state.gs_logpass, "HTkmwqrabx7!plem202406");

  // Edition fixed to headquarters and hidden with its frame.
  for (const ui::control* c : {&w->gb_4, &w->rb_dd, &w->rb_jmzb, &w->rb_zb})
    EXPECT_FALSE(c->visible()) << c->name();
  EXPECT_TRUE(w->rb_zb.checked());
  EXPECT_FALSE(w->rb_zb.enabled());
  EXPECT_FALSE(w->rb_jmzb.checked());
  for (const ui::control* c : {&w->rb_zb, &w->rb_jmzb, &w->rb_dd}) EXPECT_EQ(c->y(), 848) << c->name();

  // No version offered, yet 2005 stays checked and chosen.
  for (const ui::control* c : {&w->rb_sql2000, &w->rb_sql2005, &w->rb_sql2008, &w->rb_sql2012}) {
    EXPECT_FALSE(c->visible()) << c->name();
  }
  EXPECT_TRUE(w->rb_sql2005.checked());
  EXPECT_EQ(w->state.is_sql_version, "2005");

  // The version frame moves up into the edition frame's place.
  EXPECT_EQ(w->gb_5.y(), design_y(w->gb_5) - 220);
  EXPECT_EQ(w->gb_5.height(), designed(w->gb_5).height() + 200);
  EXPECT_EQ(w->rb_sql2000.y(), design_y(w->rb_sql2000) - 210);
  EXPECT_EQ(w->rb_sql2005.y(), design_y(w->rb_sql2005) - 180);
  EXPECT_EQ(w->rb_sql2008.y(), design_y(w->rb_sql2008) - 150);
  EXPECT_EQ(w->rb_sql2012.y(), design_y(w->rb_sql2012) - 112);

  // Page 3 keeps its fields; page 4 has no data-transfer row and the check box moves up.
  EXPECT_TRUE(w->sle_dbname.visible());
  EXPECT_EQ(w->sle_dbname.text(), "qvxlov9");
  for (const ui::control* c : {&w->pb_wcf, &w->st_wcf, &w->st_wcf_info})
    EXPECT_FALSE(c->visible()) << c->name();
  EXPECT_EQ(w->st_wcf.text(), "安装门店数据传输服务程序");
  EXPECT_TRUE(w->cbx_1.visible());
  EXPECT_EQ(w->cbx_1.y(), 788);

  EXPECT_EQ(w->sle_backupdata.text(), "C:\\setup\\qvxlov9");
  EXPECT_EQ(w->tab_1.selectedtab(), 1);
  EXPECT_TRUE(w->cb_next.enabled());
  EXPECT_FALSE(w->cb_prev.enabled());
}

TEST(OpenStep, Urmsv7OffersThreeEditionsAndCompactsItsPages) {
  machine m;
  m.setup_ini("DataBase=urmsv7\r\nsql2005=1\r\n");
  auto w = m.open_window();

  EXPECT_TRUE(w->gb_4.visible());
  for (const ui::control* c : {&w->rb_dd, &w->rb_jmzb, &w->rb_zb}) EXPECT_TRUE(c->visible()) << c->name();
  EXPECT_EQ(w->rb_dd.text(), "单店版");
  EXPECT_EQ(w->rb_jmzb.text(), "连锁分部");
  EXPECT_EQ(w->rb_zb.text(), "连锁总部");
  EXPECT_TRUE(w->rb_zb.checked());
  EXPECT_TRUE(w->rb_zb.enabled());
  EXPECT_EQ(w->rb_dd.x(), design_x(w->rb_zb));
  EXPECT_EQ(w->rb_zb.x(), design_x(w->rb_jmzb));
  EXPECT_EQ(w->rb_jmzb.x(), design_x(w->rb_dd));
  EXPECT_EQ(w->gb_5.y(), design_y(w->gb_5));

  // Page 3 without name fields; the password takes their place.
  for (const ui::control* c :
       {&w->sle_dbname, &w->st_dbname, &w->sle_custname, &w->st_custname, &w->st_custtip}) {
    EXPECT_FALSE(c->visible()) << c->name();
  }
  EXPECT_EQ(w->sle_dbname.text(), "urmsv7");
  EXPECT_EQ(w->sle_pass.x(), design_x(w->sle_dbname));
  EXPECT_EQ(w->st_pass.x(), design_x(w->st_dbname));
  EXPECT_EQ(w->sle_backupdata.y(), design_y(w->sle_backupdata) + 30);
  EXPECT_EQ(w->sle_servername.y(), design_y(w->sle_servername) + 50);
  EXPECT_EQ(w->sle_pass1.y(), design_y(w->sle_pass1) - 50);
  EXPECT_EQ(w->st_memo.y(), design_y(w->st_memo) - 50);

  // Page 4 without the data-transfer and information rows and without the check box.
  for (const ui::control* c :
       {&w->pb_wcf, &w->st_wcf, &w->st_wcf_info, &w->pb_6, &w->st_14, &w->st_dis2, &w->cb_5, &w->cbx_1}) {
    EXPECT_FALSE(c->visible()) << c->name();
  }
  EXPECT_FALSE(w->cbx_1.checked());
  EXPECT_TRUE(w->cb_2.visible());
  EXPECT_TRUE(w->cb_4.visible());
}

TEST(OpenStep, Qvxtekprov3OffersFranchiseAndHeadquarters) {
  machine m;
  m.setup_ini("DataBase=qvxtekprov3\r\n");
  auto w = m.open_window();
  EXPECT_TRUE(w->gb_4.visible());
  EXPECT_FALSE(w->rb_dd.visible());
  EXPECT_TRUE(w->rb_jmzb.visible());
  EXPECT_EQ(w->rb_jmzb.text(), "加盟总部");
  EXPECT_TRUE(w->rb_zb.visible());
  EXPECT_EQ(w->rb_zb.text(), "总部");
  EXPECT_TRUE(w->rb_zb.checked());
  for (const ui::control* c : {&w->pb_wcf, &w->st_wcf, &w->st_wcf_info, &w->cbx_1}) {
    EXPECT_TRUE(c->visible()) << c->name();
  }
  EXPECT_EQ(w->st_wcf.text(), "安装门店数据传输服务程序");
  EXPECT_EQ(w->cbx_1.y(), design_y(w->cbx_1));
}

TEST(OpenStep, Qvxlov10KeepsTheDataTransferRowAsTheStoreService) {
  machine m;
  m.setup_ini("DataBase=qvxlov10\r\nlog=qvxlov10\r\n");
  auto w = m.open_window();
  EXPECT_FALSE(w->gb_4.visible());
  EXPECT_TRUE(w->rb_zb.checked());
  for (const ui::control* c : {&w->pb_wcf, &w->st_wcf, &w->st_wcf_info})
    EXPECT_TRUE(c->visible()) << c->name();
  EXPECT_EQ(w->st_wcf.text(), "安装门店通讯服务（MCS）");
  EXPECT_EQ(w->cbx_1.y(), design_y(w->cbx_1));
  EXPECT_EQ(w->state.gs_logpass, "LoamVRsextant_GOLD");
}

TEST(OpenStep, VersionKeysOfferTheirVersionsOnlyWithTheirOwnValues) {
  struct row {
    const char* ini;
    bool v2000, v2005, v2008, v2012;
  };
  for (const row& r :
       {row{"sql2005=1\r\n", false, true, true, false}, row{"sql2005=2\r\n", false, false, false, false},
        row{"qvxpredb=41836\r\n", false, false, false, true},
        row{"qvxpredb=41833\r\n", false, false, false, false},
        row{"qvxpre=41833\r\n", true, false, false, false},
        row{"qvxpre=41836\r\n", false, false, false, false},
        row{"sql2005=1\r\nqvxpredb=41836\r\nqvxpre=41833\r\n", true, true, true, true}}) {
    machine m;
    m.setup_ini(r.ini);
    auto w = m.open_window();
    EXPECT_EQ(w->rb_sql2000.visible(), r.v2000) << r.ini;
    EXPECT_EQ(w->rb_sql2005.visible(), r.v2005) << r.ini;
    EXPECT_EQ(w->rb_sql2008.visible(), r.v2008) << r.ini;
    EXPECT_EQ(w->rb_sql2012.visible(), r.v2012) << r.ini;
    EXPECT_TRUE(w->rb_sql2005.checked()) << r.ini;
  }
}

TEST(OpenStep, AResellersNameReplacesTitleAndLogo) {
  machine m;
  m.setup_ini("ProductName=澜拓专卖店\r\nVersion=V9\r\n");
  m.setup_des("name=  禾岚连锁  \r\npic3= logo_hl.gif \r\n");
  auto w = m.open_window();
  EXPECT_EQ(w->title(), "[禾岚连锁]服务器安装程序");
  EXPECT_EQ(w->state.is_productname, "禾岚连锁");
  EXPECT_EQ(w->p_2.picture(), "resource\\logo_hl.gif");
}

TEST(OpenStep, ASetupDesWithABlankNameChangesNothing) {
  machine m;
  m.setup_ini("ProductName=澜拓专卖店\r\nVersion=V9\r\n");
  m.setup_des("name=   \r\npic3=logo_hl.gif\r\n");
  auto w = m.open_window();
  EXPECT_EQ(w->title(), "[澜拓专卖店V9]服务器安装程序");
  EXPECT_EQ(w->p_2.picture(), "resource\\logo.gif");
}

TEST(OpenStep, TheBackupFileIsProposedFromTheMediumAndTheDatabaseName) {
  machine m;
  m.fs.add_directory("D:\\安装盘");
  ASSERT_TRUE(m.fs.SetCurrentDirectory("D:\\安装盘"));
  m.fs.add_file("D:\\安装盘\\setup.ini",
                "[Options]\r\nDataBase=qvxmixav9\r\nDataBase_2012=mix2012\r\nqvxpredb=41836\r\n");
  auto w = m.open_window();
  EXPECT_EQ(w->sle_backupdata.text(), "D:\\安装盘\\qvxmixav9");
}

TEST(Page1, VersionButtonsChooseTheVersionAndExcludeEachOther) {
  machine m;
  m.setup_ini("sql2005=1\r\nqvxpredb=41836\r\nqvxpre=41833\r\n");
  auto w = m.open_window();
  w->click(w->rb_sql2012);
  EXPECT_EQ(w->state.is_sql_version, "2012");
  EXPECT_TRUE(w->rb_sql2012.checked());
  EXPECT_FALSE(w->rb_sql2005.checked());
  w->click(w->rb_sql2000);
  EXPECT_EQ(w->state.is_sql_version, "2000");
  EXPECT_FALSE(w->rb_sql2012.checked());
  w->click(w->rb_sql2008);
  EXPECT_EQ(w->state.is_sql_version, "2008");
  w->click(w->rb_sql2005);
  EXPECT_EQ(w->state.is_sql_version, "2005");
  // The edition group is independent of the version group.
  EXPECT_TRUE(w->rb_zb.checked());
}

TEST(Page1, FranchiseHeadquartersHidesTheMicroStoreForTheRestOfTheRun) {
  machine m;
  m.setup_ini("DataBase=qvxtekprov3\r\n");
  auto w = m.open_window();
  w->click(w->cbx_1);
  ASSERT_TRUE(w->cbx_1.checked());
  w->click(w->rb_jmzb);
  EXPECT_TRUE(w->rb_jmzb.checked());
  EXPECT_FALSE(w->rb_zb.checked());
  EXPECT_FALSE(w->cbx_1.visible());
  EXPECT_FALSE(w->cbx_1.checked());
  w->click(w->rb_zb);
  EXPECT_FALSE(w->cbx_1.visible());
}

TEST(CloseStep, OpensTheWebShopOnlyFromPage4WithTheBoxChecked) {
  {
    machine m;
    auto w = m.open_window();
    w->click(w->cbx_1);
    w->tab_1.SelectTab(4);
    w->click(w->cb_1);  // the exit button closes the window; no question
    EXPECT_EQ(m.ui.opened_urls(), std::vector<std::string>{std::string(web_shop_address)});
    EXPECT_TRUE(m.ui.history().empty());
  }
  {
    machine m;
    auto w = m.open_window();
    w->click(w->cbx_1);
    w->tab_1.SelectTab(3);
    w->closing();
    EXPECT_TRUE(m.ui.opened_urls().empty());
  }
  {
    machine m;
    auto w = m.open_window();
    w->tab_1.SelectTab(4);
    w->closing();
    EXPECT_TRUE(m.ui.opened_urls().empty());
  }
}

}  // namespace
}  // namespace setup
