// The wizard's only window: a tab of five pages (edition and SQL Server version, TCP port, server and
// database, installation and accessories, and a page never shown), the navigation buttons, a logo and
// a side picture. Its controls are data (model/w_server_controls.h); its instance variables live in
// `state`; the subsystems get both through its context.
#pragma once

#include <string>

#include "discovery/sql_discovery.h"
#include "discovery/sql_paths.h"
#include "discovery/sql_pickers.h"
#include "install/install_page.h"
#include "model/w_server_controls.h"
#include "model/w_server_state.h"
#include "model/wizard_context.h"
#include "platform/database.h"
#include "platform/platform.h"
#include "platform/ui.h"
#include "service/port_service.h"
#include "wizard/page_navigation.h"

namespace setup {

// The vendor's web shop, opened at close when the micro-store box is checked.
inline constexpr std::string_view web_shop_address = "https://shop.lantuo-soft.example/weishop/open";

class w_server : public ui::form, public w_server_controls {
 public:
  // `sqlca` is the program's one database connection; the window uses it only while installing.
  w_server(platform& sys, transaction& sqlca);

  // The open step: reads the product profile and adapts the pages to the product.
  void open();

  void closing() override;
  // The status line of the page shown (the port page's, the install page's) asks the operator to wait.
  void close_refused() override;

  w_server_state state;

 private:
  // The handlers of the controls' events, set in one place.
  void wire_events();
  void rb_jmzb_clicked();
  // The drop-down's selection handling, as when the operator chooses its item.
  void choose_setup_folder_again();

  wizard_context context_;
  sql_paths paths_{context_};
  sql_discovery discovery_{context_, paths_};
  sql_pickers pickers_{context_, [this] { choose_setup_folder_again(); }};
  install_page install_{context_};

 public:
  // The port page and the service restart; the navigation reads the port with of_check_sqlport, and
  // page 3's selection, when the operator changes it, calls instance_selected.
  port_service service{context_};

 private:
  page_navigation navigation_{context_, discovery_, paths_, [this] { service.of_check_sqlport(); }};
};

}  // namespace setup
