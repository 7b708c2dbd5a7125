// Walking the pages of tab_1 with "下一步" (cb_next) and "上一步" (cb_prev): each page's checks, the
// discovery and the port reader in their fixed order, the proposals for the next page, the enabled
// states of the two buttons, and the refresh of the SQL Server folders on entering page 4.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "discovery/sql_discovery.h"
#include "discovery/sql_paths.h"
#include "model/database_name.h"
#include "model/wizard_context.h"

namespace setup {

// Page numbers of tab_1.
inline constexpr int page_edition = 1;   // tabpage_1
inline constexpr int page_port = 2;      // tabpage_5
inline constexpr int page_database = 3;  // tabpage_2
inline constexpr int page_install = 4;   // tabpage_4
inline constexpr int page_extra = 5;     // tabpage_3, never selected

inline constexpr std::string_view message_choose_version = "请选择SQL Server的版本!";
inline constexpr std::string_view question_path_not_found =
    "未发现SQL安装路径，请确认SQL版本是否正确？\n如正确请在下一步手工选择SQL服务程序和数据路径!";
inline constexpr std::string_view message_choose_program_folder =
    "请选择SQL Server服务程序安装路径！\n一般是 C:\\Program Files\\Microsoft SQL Server\\MSSQL";
inline constexpr std::string_view information_system_description = "提供短信、微信个性化定制，自动发送功能；";

inline constexpr std::string_view version_mismatch_start = "您选择的数据库服务器为【Microsoft SQL Server ";
// "您选择的数据库服务器为【Microsoft SQL Server <chosen>】,但选择的服务器安装目录是【Microsoft SQL Server
// <found>】。" and the line that says where to choose another.
std::string message_version_mismatch(std::string_view chosen, std::string_view found);

class page_navigation {
 public:
  // `read_port` reads the chosen instance's port into the port page.
  page_navigation(wizard_context& w, sql_discovery& discovery, sql_paths& paths,
                  std::function<void()> read_port)
      : w_(w), discovery_(discovery), paths_(paths), read_port_(std::move(read_port)) {}

  void cb_next_clicked();
  void cb_prev_clicked();

  // Selects a page of tab_1; page 4 refreshes the SQL Server folders as it becomes the selected one.
  void select_page(int page);
  // sle_backupdata: the backup file in the current directory, named after the product's own database
  // (for SQL Server 2012 its 2012 name).
  void propose_backup_file();

 private:
  void next_on_edition_page(int current);
  void next_on_port_page(int current);
  void next_on_database_page(int current);
  // The line added to the question of a SQL Server not found: what the machine has and which choice
  // of page 1 installs it, or that this medium offers none.
  std::string what_this_server_has() const;
  // True when the setup folder's server program is of the version chosen on page 1, else page 2's
  // message is shown.
  bool program_of_chosen_version();

  wizard_context& w_;
  sql_discovery& discovery_;
  sql_paths& paths_;
  std::function<void()> read_port_;
};

}  // namespace setup
