#include "wizard/w_server.h"

#include "wizard/product_profile.h"
#include "wizard/w_server_design.h"

namespace setup {
namespace {

// Product codes that change what the wizard offers; every other code takes the general path.
constexpr std::string_view product_urmsv7 = "urmsv7";
constexpr std::string_view product_qvxtekprov3 = "qvxtekprov3";
constexpr std::string_view product_qvxlov10 = "qvxlov10";

// The values of the version keys that offer a version.
constexpr std::string_view offers_2005_and_2008 = "1";
constexpr std::string_view offers_2012 = "41836";
constexpr std::string_view offers_2000 = "41833";

constexpr std::string_view caption_branch = "连锁分部";
constexpr std::string_view caption_chain_headquarters = "连锁总部";
constexpr std::string_view data_transfer_title_qvxlov10 = "安装门店通讯服务（MCS）";
constexpr std::string_view data_transfer_title = "安装门店数据传输服务程序";

}  // namespace

#define SETUP_CONTROL(name) name(w_server_design(#name))

w_server::w_server(platform& sys, transaction& sqlca)
    : ui::form(w_server_width, w_server_height),
      SETUP_CONTROL(p_2),
      SETUP_CONTROL(p_1),
      SETUP_CONTROL(cb_next),
      SETUP_CONTROL(cb_prev),
      SETUP_CONTROL(cb_1),
      SETUP_CONTROL(st_11),
      SETUP_CONTROL(st_4),
      SETUP_CONTROL(ln_1),
      SETUP_CONTROL(ln_2),
      SETUP_CONTROL(gb_1),
      SETUP_CONTROL(tab_1),
      SETUP_CONTROL(tabpage_1),
      SETUP_CONTROL(tabpage_5),
      SETUP_CONTROL(tabpage_2),
      SETUP_CONTROL(tabpage_4),
      SETUP_CONTROL(tabpage_3),
      SETUP_CONTROL(rb_dd),
      SETUP_CONTROL(rb_jmzb),
      SETUP_CONTROL(rb_zb),
      SETUP_CONTROL(rb_sql2012),
      SETUP_CONTROL(rb_sql2008),
      SETUP_CONTROL(rb_sql2005),
      SETUP_CONTROL(rb_sql2000),
      SETUP_CONTROL(st_5),
      SETUP_CONTROL(st_10),
      SETUP_CONTROL(gb_5),
      SETUP_CONTROL(gb_4),
      SETUP_CONTROL(st_28),
      SETUP_CONTROL(sle_old_port),
      SETUP_CONTROL(st_27),
      SETUP_CONTROL(sle_port),
      SETUP_CONTROL(st_26),
      SETUP_CONTROL(st_disc),
      SETUP_CONTROL(cb_6),
      SETUP_CONTROL(st_20),
      SETUP_CONTROL(st_21),
      SETUP_CONTROL(st_22),
      SETUP_CONTROL(st_23),
      SETUP_CONTROL(st_24),
      SETUP_CONTROL(st_25),
      SETUP_CONTROL(gb_6),
      SETUP_CONTROL(gb_7),
      SETUP_CONTROL(st_custtip),
      SETUP_CONTROL(sle_custname),
      SETUP_CONTROL(st_custname),
      SETUP_CONTROL(sle_dbname),
      SETUP_CONTROL(st_dbname),
      SETUP_CONTROL(st_memo),
      SETUP_CONTROL(st_sql_version),
      SETUP_CONTROL(sle_sqlsetup),
      SETUP_CONTROL(pb_3),
      SETUP_CONTROL(sle_sqldatasetup),
      SETUP_CONTROL(st_9),
      SETUP_CONTROL(pb_2),
      SETUP_CONTROL(st_7),
      SETUP_CONTROL(sle_pass1),
      SETUP_CONTROL(st_1),
      SETUP_CONTROL(sle_pass),
      SETUP_CONTROL(st_pass),
      SETUP_CONTROL(st_servername),
      SETUP_CONTROL(pb_backupdata),
      SETUP_CONTROL(sle_backupdata),
      SETUP_CONTROL(st_backupdata),
      SETUP_CONTROL(sle_servername),
      SETUP_CONTROL(gb_2),
      SETUP_CONTROL(pb_wcf),
      SETUP_CONTROL(st_wcf),
      SETUP_CONTROL(st_wcf_info),
      SETUP_CONTROL(cbx_1),
      SETUP_CONTROL(st_15),
      SETUP_CONTROL(st_14),
      SETUP_CONTROL(st_13),
      SETUP_CONTROL(st_8),
      SETUP_CONTROL(pb_7),
      SETUP_CONTROL(pb_6),
      SETUP_CONTROL(pb_4),
      SETUP_CONTROL(cb_4),
      SETUP_CONTROL(cb_5),
      SETUP_CONTROL(cb_2),
      SETUP_CONTROL(st_dis2),
      SETUP_CONTROL(st_dis),
      SETUP_CONTROL(sle_pas),
      SETUP_CONTROL(sle_server),
      SETUP_CONTROL(st_18),
      SETUP_CONTROL(st_17),
      SETUP_CONTROL(st_16),
      SETUP_CONTROL(gb_3),
      sys_(sys),
      sqlca_(sqlca) {
  for (ui::control* c : {&p_2,
                         &p_1,
                         &cb_next,
                         &cb_prev,
                         &cb_1,
                         &st_11,
                         &st_4,
                         &ln_1,
                         &ln_2,
                         &gb_1,
                         &tab_1,
                         &tabpage_1,
                         &tabpage_5,
                         &tabpage_2,
                         &tabpage_4,
                         &tabpage_3,
                         &rb_dd,
                         &rb_jmzb,
                         &rb_zb,
                         &rb_sql2012,
                         &rb_sql2008,
                         &rb_sql2005,
                         &rb_sql2000,
                         &st_5,
                         &st_10,
                         &gb_5,
                         &gb_4,
                         &st_28,
                         &sle_old_port,
                         &st_27,
                         &sle_port,
                         &st_26,
                         &st_disc,
                         &cb_6,
                         &st_20,
                         &st_21,
                         &st_22,
                         &st_23,
                         &st_24,
                         &st_25,
                         &gb_6,
                         &gb_7,
                         &st_custtip,
                         &sle_custname,
                         &st_custname,
                         &sle_dbname,
                         &st_dbname,
                         &st_memo,
                         &st_sql_version,
                         &sle_sqlsetup,
                         &pb_3,
                         &sle_sqldatasetup,
                         &st_9,
                         &pb_2,
                         &st_7,
                         &sle_pass1,
                         &st_1,
                         &sle_pass,
                         &st_pass,
                         &st_servername,
                         &pb_backupdata,
                         &sle_backupdata,
                         &st_backupdata,
                         &sle_servername,
                         &gb_2,
                         &pb_wcf,
                         &st_wcf,
                         &st_wcf_info,
                         &cbx_1,
                         &st_15,
                         &st_14,
                         &st_13,
                         &st_8,
                         &pb_7,
                         &pb_6,
                         &pb_4,
                         &cb_4,
                         &cb_5,
                         &cb_2,
                         &st_dis2,
                         &st_dis,
                         &sle_pas,
                         &sle_server,
                         &st_18,
                         &st_17,
                         &st_16,
                         &gb_3}) {
    add(*c);
  }
}

#undef SETUP_CONTROL

void w_server::open() {
  w_server_state& s = state;
  // The profile is read whole, in the order the values are taken below; reading has no effect on the
  // pages, so the values are applied step by step as the pages are set up.
  const product_profile profile = read_product_profile(sys_.ini, sys_.fs);

  // Product name, version, title (a reseller's name replaces name and title), database, product code.
  s.is_productname = profile.is_productname;
  s.is_version = profile.is_version;
  s.is_apptitle = profile.is_apptitle;
  s.gs_database = profile.gs_database;
  s.gs_product = profile.gs_product;

  rb_dd.set_visible(false);

  if (s.gs_product == product_urmsv7) {
    // This product takes the database name from the profile: page 3 loses its name fields.
    sle_dbname.set_visible(false);
    st_dbname.set_visible(false);
    sle_pass.set_x(sle_dbname.x());
    st_pass.set_x(st_dbname.x());
    sle_custname.set_visible(false);
    st_custname.set_visible(false);
    st_custtip.set_visible(false);
    for (ui::control* c : {&st_backupdata, &pb_backupdata, &sle_backupdata}) c->set_y(c->y() + 30);
    for (ui::control* c : {&sle_servername, &st_servername}) c->set_y(c->y() + 50);
    for (ui::control* c :
         {&st_dbname, &sle_dbname, &st_pass, &sle_pass, &st_1, &sle_pass1, &st_7, &st_sql_version, &pb_2,
          &sle_sqlsetup, &st_9, &pb_3, &sle_sqldatasetup, &st_memo}) {
      c->set_y(c->y() - 50);
    }
  }

  sle_dbname.set_text(s.gs_database);

  if (s.gs_database != product_qvxtekprov3 && s.gs_database != product_urmsv7) {
    // One edition only: headquarters, fixed; the version box moves up into the free space.
    rb_jmzb.set_checked(false);
    rb_zb.set_checked(true);
    rb_zb.set_enabled(false);
    for (ui::control* c : {&gb_4, &rb_jmzb, &rb_zb}) c->set_visible(false);
    for (ui::control* c : {&rb_zb, &rb_jmzb, &rb_dd}) c->set_y(848);
    gb_5.set_y(gb_5.y() - 220);
    gb_5.set_height(gb_5.height() + 200);
    rb_sql2000.set_y(rb_sql2000.y() - 210);
    rb_sql2005.set_y(rb_sql2005.y() - 180);
    rb_sql2008.set_y(rb_sql2008.y() - 150);
    rb_sql2012.set_y(rb_sql2012.y() - 112);
    if (s.gs_database != product_qvxlov10) {
      for (ui::control* c : {&pb_wcf, &st_wcf, &st_wcf_info}) c->set_visible(false);
      cbx_1.set_y(788);
    }
  } else if (s.gs_database == product_urmsv7) {
    rb_dd.set_visible(true);
    const int dd_x = rb_dd.x();
    rb_dd.set_x(rb_zb.x());
    rb_zb.set_x(rb_jmzb.x());
    rb_jmzb.set_x(dd_x);
    rb_jmzb.set_text(std::string(caption_branch));
    rb_zb.set_text(std::string(caption_chain_headquarters));
    // The information-system row goes whole, its button with it.
    for (ui::control* c : {&pb_wcf, &st_wcf, &st_wcf_info, &pb_6, &st_14, &st_dis2, &cb_5, &cbx_1}) {
      c->set_visible(false);
    }
    cbx_1.set_checked(false);
  }

  s.gs_database_2012 = profile.gs_database_2012;
  s.is_flag = profile.is_flag;
  s.gs_logicdbname = profile.gs_logicdbname;
  s.gs_sys_table = profile.gs_sys_table;
  s.gs_log = profile.gs_log;

  const bool offer_2005_2008 = profile.sql2005 == offers_2005_and_2008;
  rb_sql2005.set_visible(offer_2005_2008);
  rb_sql2008.set_visible(offer_2005_2008);
  rb_sql2012.set_visible(profile.qvxpredb == offers_2012);
  rb_sql2000.set_visible(profile.qvxpre == offers_2000);

  s.gs_logpass = profile.gs_logpass;

  if (profile.oem_picture) p_2.set_picture(*profile.oem_picture);

  st_wcf.set_text(
      std::string(s.gs_product == product_qvxlov10 ? data_transfer_title_qvxlov10 : data_transfer_title));
  propose_backup_file();
  set_title("[" + s.is_apptitle + "]服务器安装程序");
}

void w_server::propose_backup_file() {
  const std::string& name = rb_sql2012.checked() ? state.gs_database_2012 : state.gs_database;
  sle_backupdata.set_text(sys_.fs.GetCurrentDirectory() + "\\" + name);
}

void w_server::clicked(ui::control& c) {
  if (&c == &rb_sql2012) {
    state.is_sql_version = "2012";
  } else if (&c == &rb_sql2008) {
    state.is_sql_version = "2008";
  } else if (&c == &rb_sql2005) {
    state.is_sql_version = "2005";
  } else if (&c == &rb_sql2000) {
    state.is_sql_version = "2000";
  } else if (&c == &rb_jmzb) {
    rb_jmzb_clicked();
  } else if (&c == &cb_1) {
    close();
  }
}

void w_server::rb_jmzb_clicked() {
  if (!rb_jmzb.checked()) return;
  // A franchise headquarters does not open the micro-store, now or later in this run.
  cbx_1.set_checked(false);
  cbx_1.set_visible(false);
}

void w_server::closing() {
  if (tab_1.selectedtab() == page_install && cbx_1.checked()) sys_.ui.OpenUrl(web_shop_address);
}

}  // namespace setup
