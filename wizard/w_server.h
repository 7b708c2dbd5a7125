// The wizard's only window: a tab of five pages (edition and SQL Server version, TCP port, server and
// database, installation and accessories, and a page never shown), the navigation buttons, a logo and
// a side picture. Its controls are data (platform/ui.h); its instance variables live in `state`.
#pragma once

#include <string>

#include "platform/database.h"
#include "platform/platform.h"
#include "platform/ui.h"
#include "wizard/w_server_state.h"

namespace setup {

// Page numbers of tab_1.
inline constexpr int page_edition = 1;   // tabpage_1
inline constexpr int page_port = 2;      // tabpage_5
inline constexpr int page_database = 3;  // tabpage_2
inline constexpr int page_install = 4;   // tabpage_4
inline constexpr int page_extra = 5;     // tabpage_3

// The vendor's web shop, opened at close when the micro-store box is checked.
inline constexpr std::string_view web_shop_address = "https://shop.lantuo-soft.example/weishop/open";

class w_server : public ui::form {
 public:
  // `sqlca` is the program's one database connection; the window uses it only while installing.
  w_server(platform& sys, transaction& sqlca);

  // The open step: reads the product profile and adapts the pages to the product.
  void open();

  // Events.
  void clicked(ui::control& c) override;
  void closing() override;

  w_server_state state;

  // The window.
  ui::control p_2, p_1, cb_next, cb_prev, cb_1, st_11, st_4, ln_1, ln_2, gb_1, tab_1;
  ui::control tabpage_1, tabpage_5, tabpage_2, tabpage_4, tabpage_3;
  // Page 1: edition and SQL Server version.
  ui::control rb_dd, rb_jmzb, rb_zb, rb_sql2012, rb_sql2008, rb_sql2005, rb_sql2000, st_5, st_10, gb_5, gb_4;
  // Page 2: the TCP port.
  ui::control st_28, sle_old_port, st_27, sle_port, st_26, st_disc, cb_6, st_20, st_21, st_22, st_23, st_24,
      st_25, gb_6, gb_7;
  // Page 3: server, passwords, database, SQL Server paths, backup file.
  ui::control st_custtip, sle_custname, st_custname, sle_dbname, st_dbname, st_memo, st_sql_version,
      sle_sqlsetup, pb_3, sle_sqldatasetup, st_9, pb_2, st_7, sle_pass1, st_1, sle_pass, st_pass,
      st_servername, pb_backupdata, sle_backupdata, st_backupdata, sle_servername, gb_2;
  // Page 4: installation of the database and the accessories.
  ui::control pb_wcf, st_wcf, st_wcf_info, cbx_1, st_15, st_14, st_13, st_8, pb_7, pb_6, pb_4, cb_4, cb_5,
      cb_2, st_dis2, st_dis;
  // Page 5: never selected.
  ui::control sle_pas, sle_server, st_18, st_17, st_16, gb_3;

 private:
  void rb_jmzb_clicked();
  // The backup file proposed from the current directory and the database name.
  void propose_backup_file();

  platform& sys_;
  transaction& sqlca_;
};

}  // namespace setup
