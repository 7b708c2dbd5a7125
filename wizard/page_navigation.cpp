#include "wizard/page_navigation.h"

#include "model/product_codes.h"
#include "model/sql_server_registry.h"
#include "platform/text.h"

namespace setup {
namespace {

constexpr std::string_view join_suffix = "_join";

}  // namespace

std::string message_version_mismatch(std::string_view chosen, std::string_view found) {
  return std::string(version_mismatch_start) + std::string(chosen) +
         "】,但选择的服务器安装目录是【Microsoft SQL Server " + std::string(found) +
         "】。\n请在【SQL Server系统安装路径：】处选择正确的数据库安装地址！";
}

std::string page_navigation::what_this_server_has() const {
  const w_server_controls& c = w_.controls;
  const std::vector<passed_instance>& found = discovery_.passed_over();
  if (found.empty()) return "本机未发现可识别的SQL Server实例。";
  std::string line = "本机的SQL Server实例：";
  for (std::size_t i = 0; i < found.size(); ++i) {
    const sql_release& r = found[i].release;
    line += (i == 0 ? "" : "；") + found[i].name + "（";
    const ui::control* choice = r.choice == "2000"   ? &c.rb_sql2000
                                : r.choice == "2005" ? &c.rb_sql2005
                                : r.choice == "2008" ? &c.rb_sql2008
                                : r.choice == "2012" ? &c.rb_sql2012
                                                     : nullptr;
    if (choice == nullptr) {
      line += "版本未能识别）";
    } else {
      line += "Microsoft SQL Server " + r.name +
              (choice->visible() ? "，请选择“" + choice->text() + "”安装）" : "，本安装介质不提供此版本）");
    }
  }
  return line + "。";
}

bool page_navigation::program_of_chosen_version() {
  w_server_state& s = w_.state;
  const std::string folder = w_.controls.sle_sqlsetup.text();
  const sql_release found =
      sql_release_of(paths_.of_get_sqlversion(folder + std::string(sql_registry::program_in_setup_folder)));
  if (!found.choice.empty() && found.choice == s.is_sql_version) {
    if (found.name != found.choice) {
      w_.sys.log.line("version check: " + folder + " holds SQL Server " + found.name +
                      ", installed as SQL Server " + found.choice);
    }
    return true;
  }
  w_.sys.ui.ShowMessage(s.is_apptitle, message_version_mismatch(s.is_sql_version, found.name));
  return false;
}

void page_navigation::select_page(int page) {
  w_server_controls& c = w_.controls;
  c.tab_1.SelectTab(page);
  if (page == page_install) {
    // Only the effects count: the folder checks settle is_sqlpath, is_sqlbinpath and is_datapath.
    paths_.of_issqlpath(c.sle_sqlsetup.text());
    paths_.of_issqldatapath(c.sle_sqldatasetup.text());
  }
}

void page_navigation::propose_backup_file() {
  const w_server_state& s = w_.state;
  // The product's own name, not the one typed on page 3: the medium's backup file carries it.
  const std::string& name = w_.controls.rb_sql2012.checked() ? s.gs_database_2012 : s.gs_product;
  w_.controls.sle_backupdata.set_text(w_.sys.fs.GetCurrentDirectory() + "\\" + name);
}

void page_navigation::cb_next_clicked() {
  w_server_controls& c = w_.controls;
  const int current = c.tab_1.selectedtab();
  c.cb_prev.set_enabled(true);
  w_.state.is_dbname = w_.state.gs_database;
  switch (current) {
    case page_edition:
      next_on_edition_page(current);
      break;
    case page_port:
      next_on_port_page(current);
      break;
    case page_database:
      next_on_database_page(current);
      break;
    default:
      break;  // page 4 (where cb_next is disabled) and page 5: the common steps only
  }
}

void page_navigation::next_on_edition_page(int current) {
  w_server_controls& c = w_.controls;
  w_server_state& s = w_.state;
  if (!c.rb_sql2000.checked() && !c.rb_sql2005.checked() && !c.rb_sql2008.checked() &&
      !c.rb_sql2012.checked()) {
    w_.sys.ui.ShowMessage(s.is_apptitle, message_choose_version);
    return;
  }
  // The port page is selected before discovery runs: its question is asked there.
  select_page(current + 1);
  if (!discovery_.of_check_sql()) {
    const std::string question = std::string(question_path_not_found) + "\n" + what_this_server_has();
    if (w_.sys.ui.AskYesNo(s.is_apptitle, question) != answer_yes) return;
    // The operator picks the folders by hand on page 3; the backup file is proposed for it too.
    propose_backup_file();
    select_page(current + 2);
  } else {
    select_page(current + 1);
  }
  if (s.gs_product != product_urmsv7) {
    if (read_port_) read_port_();
    return;
  }
  // This product has no port page.
  propose_backup_file();
  select_page(current + 2);
}

void page_navigation::next_on_port_page(int current) {
  w_server_controls& c = w_.controls;
  w_server_state& s = w_.state;
  propose_backup_file();
  if (!program_of_chosen_version()) return;
  if (!paths_.of_issqlpath(c.sle_sqlsetup.text())) {
    w_.sys.ui.ShowMessage(s.is_apptitle, message_choose_program_folder);
    return;
  }
  if (!paths_.of_issqldatapath(c.sle_sqldatasetup.text())) {
    w_.sys.ui.ShowMessage(s.is_apptitle, message_choose_data_folder);
    return;
  }
  // Proposed once: after going back and forth the name already carries the suffix.
  if (s.gs_product == product_qvxtekprov3 && c.rb_jmzb.checked() &&
      s.gs_database.find(join_suffix) == std::string::npos) {
    c.sle_dbname.set_text(s.gs_database + std::string(join_suffix));
  }
  select_page(current + 1);
}

void page_navigation::next_on_database_page(int current) {
  w_server_controls& c = w_.controls;
  w_server_state& s = w_.state;
  // The folders may have been picked by hand here, or page 2 never checked them (the product without
  // a port page): the install needs a server program of the chosen version.
  if (!program_of_chosen_version()) return;
  if (c.sle_dbname.visible()) {
    const std::string name = trim_spaces(c.sle_dbname.text());
    const std::string_view refusal = database_name_refusal(name);
    if (!refusal.empty()) {
      w_.sys.ui.ShowMessage(s.is_apptitle, refusal);
      c.sle_dbname.set_focus();
      return;
    }
    s.is_dbname = name;
    s.gs_database = name;
  }
  select_page(current + 1);
  c.cb_next.set_enabled(false);
  c.st_dis2.set_text(std::string(information_system_description));
}

void page_navigation::cb_prev_clicked() {
  w_server_controls& c = w_.controls;
  const int current = c.tab_1.selectedtab();
  const bool urmsv7 = w_.state.gs_product == product_urmsv7;
  c.cb_next.set_enabled(true);
  switch (current) {
    case page_edition:
      c.cb_prev.set_enabled(false);
      break;
    case page_port:
      c.cb_prev.set_enabled(false);
      select_page(page_edition);
      break;
    case page_database:
      // The product without a port page goes back to page 1.
      select_page(urmsv7 ? page_edition : page_port);
      break;
    default:
      // Page 4 goes back to page 3, the page the forward walk came from, for every product.
      select_page(current - 1);
      break;
  }
}

}  // namespace setup
