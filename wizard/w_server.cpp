#include "wizard/w_server.h"

#include "model/product_codes.h"
#include "wizard/product_profile.h"

namespace setup {
namespace {

// The values of the version keys that offer a version.
constexpr std::string_view offers_2005_and_2008 = "1";
constexpr std::string_view offers_2012 = "41836";
constexpr std::string_view offers_2000 = "41833";

constexpr std::string_view caption_branch = "连锁分部";
constexpr std::string_view caption_chain_headquarters = "连锁总部";
constexpr std::string_view data_transfer_title_qvxlov10 = "安装门店通讯服务（MCS）";
constexpr std::string_view data_transfer_title = "安装门店数据传输服务程序";
constexpr std::string_view wait_for_the_step = "正在处理，请等待当前操作完成。";

}  // namespace

w_server::w_server(platform& sys, transaction& sqlca)
    : ui::form(w_server_width, w_server_height), context_{state, *this, sys, sqlca} {
  for (ui::control* c : all()) add(*c);
  wire_events();
}

void w_server::wire_events() {
  rb_sql2012.on_click = [this] { state.is_sql_version = "2012"; };
  rb_sql2008.on_click = [this] { state.is_sql_version = "2008"; };
  rb_sql2005.on_click = [this] { state.is_sql_version = "2005"; };
  rb_sql2000.on_click = [this] { state.is_sql_version = "2000"; };
  rb_jmzb.on_click = [this] { rb_jmzb_clicked(); };
  cb_next.on_click = [this] { navigation_.cb_next_clicked(); };
  cb_prev.on_click = [this] { navigation_.cb_prev_clicked(); };
  cb_1.on_click = [this] { close(); };

  // Page 2.
  cb_6.on_click = [this] { service.cb_6_clicked(); };

  // Page 3. An instance the operator chooses brings its own port.
  sle_sqlsetup.on_selection_changed = [this] {
    paths_.sle_sqlsetup_selectionchanged();
    service.instance_selected();
  };
  sle_dbname.on_modified = [this] { paths_.sle_dbname_modified(); };
  sle_pass.on_modified = [this] { paths_.sle_pass_modified(); };
  pb_2.on_click = [this] { pickers_.pb_2_clicked(); };
  pb_3.on_click = [this] { pickers_.pb_3_clicked(); };
  pb_backupdata.on_click = [this] { pickers_.pb_backupdata_clicked(); };

  // Page 4: the install and the accessories; each picture button stands for the button of its row.
  cb_2.on_click = [this] { install_.cb_2_clicked(); };
  pb_4.on_click = [this] { click(cb_2); };
  pb_wcf.on_click = [this] { install_.pb_wcf_clicked(); };
  cb_5.on_click = [this] { install_.cb_5_clicked(); };
  pb_6.on_click = [this] { click(cb_5); };
  cb_4.on_click = [this] { install_.cb_4_clicked(); };
  pb_7.on_click = [this] { click(cb_4); };
}

void w_server::choose_setup_folder_again() {
  if (sle_sqlsetup.on_selection_changed) sle_sqlsetup.on_selection_changed();
}

void w_server::open() {
  w_server_state& s = state;
  // The profile is read whole, in the order the values are taken below; reading has no effect on the
  // pages, so the values are applied step by step as the pages are set up.
  const product_profile profile = read_product_profile(context_.sys.ini, context_.sys.fs);
  context_.sys.log.line("profile: product " + profile.gs_product + ", name " + profile.is_productname +
                        ", version " + profile.is_version + ", title " + profile.is_apptitle + ", database " +
                        profile.gs_database + ", database of 2012 " + profile.gs_database_2012 + ", flag " +
                        profile.is_flag + ", logical name " + profile.gs_logicdbname + ", system table " +
                        profile.gs_sys_table + ", login " + profile.gs_log + ", sql2005 " + profile.sql2005 +
                        ", qvxpredb " + profile.qvxpredb + ", qvxpre " + profile.qvxpre + ", logo " +
                        profile.oem_picture.value_or("(none)"));

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
  navigation_.propose_backup_file();
  set_title("[" + s.is_apptitle + "]服务器安装程序");
}

void w_server::rb_jmzb_clicked() {
  if (!rb_jmzb.checked()) return;
  // A franchise headquarters does not open the micro-store, now or later in this run.
  cbx_1.set_checked(false);
  cbx_1.set_visible(false);
}

void w_server::closing() {
  if (tab_1.selectedtab() == page_install && cbx_1.checked()) context_.sys.ui.OpenUrl(web_shop_address);
}

void w_server::close_refused() {
  if (tab_1.selectedtab() == page_install) st_dis.set_text(std::string(wait_for_the_step));
  if (tab_1.selectedtab() == page_port) st_disc.set_text(std::string(wait_for_the_step));
}

}  // namespace setup
