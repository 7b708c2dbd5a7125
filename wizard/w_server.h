// The wizard's only window: a tab of five pages (edition and SQL Server version, TCP port, server and
// database, installation and accessories, and a page never shown), the navigation buttons, a logo and
// a side picture. Its controls are data (model/w_server_controls.h); its instance variables live in
// `state`; the subsystems get both through its context.
#pragma once

#include <string>

#include "install/install_page.h"
#include "model/w_server_controls.h"
#include "model/w_server_state.h"
#include "model/wizard_context.h"
#include "platform/database.h"
#include "platform/platform.h"
#include "platform/ui.h"

namespace setup {

// Page numbers of tab_1.
inline constexpr int page_edition = 1;   // tabpage_1
inline constexpr int page_port = 2;      // tabpage_5
inline constexpr int page_database = 3;  // tabpage_2
inline constexpr int page_install = 4;   // tabpage_4
inline constexpr int page_extra = 5;     // tabpage_3

// The vendor's web shop, opened at close when the micro-store box is checked.
inline constexpr std::string_view web_shop_address = "https://shop.lantuo-soft.example/weishop/open";

class w_server : public ui::form, public w_server_controls {
 public:
  // `sqlca` is the program's one database connection; the window uses it only while installing.
  w_server(platform& sys, transaction& sqlca);

  // The open step: reads the product profile and adapts the pages to the product.
  void open();

  void closing() override;

  w_server_state state;

 private:
  // The handlers of the controls' events, set in one place.
  void wire_events();
  void rb_jmzb_clicked();
  // The backup file proposed from the current directory and the database name.
  void propose_backup_file();

  wizard_context context_;
  install_page install_{context_};
};

}  // namespace setup
