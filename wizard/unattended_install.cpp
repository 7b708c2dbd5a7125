#include "wizard/unattended_install.h"

#include "install/install_names.h"
#include "install/password_gate.h"
#include "model/database_name.h"
#include "model/product_codes.h"
#include "platform/text.h"
#include "service/port_service.h"
#include "service/service_names.h"
#include "wizard/page_navigation.h"

namespace setup {
namespace {

constexpr std::string_view yes_text = "Yes";
constexpr std::string_view no_text = "No";

bool is_drop_question(std::string_view text) {
  return text.starts_with(confirm_drop_before) && text.ends_with(confirm_drop_after);
}

std::string or_else(const std::optional<std::string>& value, std::string_view otherwise) {
  return value ? *value : std::string(otherwise);
}

}  // namespace

void unattended_dialogs::ShowMessage(std::string_view title, std::string_view text) {
  messages_.emplace_back(text);
  out_.write_line("[" + std::string(title) + "] " + std::string(text));
}

int unattended_dialogs::answer(std::string_view title, std::string_view text) {
  std::string source = "not answered by the answer file";
  bool yes = false;
  if (is_drop_question(text)) {
    yes = answers_.replace_existing;
    source = std::string("replace_existing=") + (yes ? "yes" : "no");
  } else if (!answers_.new_port.empty() && text == firewall_question(answers_.new_port)) {
    yes = answers_.open_firewall;
    source = std::string("open_firewall=") + (yes ? "yes" : "no");
  } else if (text == install_mcs_question) {
    yes = answers_.starts(accessory_wcf);
    source = yes ? "start_accessories names wcf" : "start_accessories does not name wcf";
  }
  const int given = yes ? answer_yes : answer_no;
  questions_.push_back({std::string(text), given});
  out_.write_line("[" + std::string(title) + "] " + std::string(text) + " -> " +
                  std::string(yes ? yes_text : no_text) + " (" + source + ")");
  return given;
}

int unattended_dialogs::AskYesNo(std::string_view title, std::string_view text) {
  return answer(title, text);
}

int unattended_dialogs::AskYesNoDefaultYes(std::string_view title, std::string_view text) {
  return answer(title, text);
}

int unattended_dialogs::ChooseFolder(std::string_view title, std::string&) {
  out_.write_line("[" + std::string(title) + "] folder dialog: cancelled (unattended)");
  return 0;
}

int unattended_dialogs::ChooseFileToOpen(std::string_view title, std::string_view, std::string_view,
                                         std::string&, std::string&) {
  out_.write_line("[" + std::string(title) + "] file dialog: cancelled (unattended)");
  return 0;
}

void unattended_dialogs::OpenUrl(std::string_view address) {
  out_.write_line("not opened in an unattended install: " + std::string(address));
}

unattended_outcome unattended_install::run() {
  const install_answers& a = answers_;
  std::string accessories;
  for (const std::string& name : a.start_accessories) accessories += (accessories.empty() ? "" : " ") + name;
  log_.line(
      "unattended install: edition " + (a.edition.empty() ? "(as proposed)" : a.edition) + ", SQL Server " +
      a.sql_version + ", instance " + (a.instance.empty() ? "(as discovered)" : a.instance) + ", server " +
      or_else(a.server, "(as proposed)") + ", sa password from " + a.sa_password_source + ", database " +
      or_else(a.database, "(as proposed)") + ", customer " + or_else(a.customer, "(none)") +
      ", special password " + (a.special_password.empty() ? "none" : "given") + ", replace_existing " +
      (a.replace_existing ? "yes" : "no") + ", new port " + (a.new_port.empty() ? "(none)" : a.new_port) +
      ", accessories " + (accessories.empty() ? "(none)" : accessories));

  unattended_outcome outcome;
  if (entries_offered(outcome) && walk_edition_page(outcome) && select_instance(outcome) &&
      walk_port_page(outcome) && walk_database_page(outcome) && install(outcome)) {
    start_accessories(outcome);
  }
  // The window closes as its exit button closes it.
  w_.click(w_.cb_1);
  log_.line("unattended install ended: exit code " + std::to_string(exit_status(outcome.code)) +
            (outcome.reason.empty() ? std::string() : ", " + outcome.reason));
  return outcome;
}

bool unattended_install::entries_offered(unattended_outcome& outcome) {
  const auto refuse = [&](std::string reason) {
    outcome = {exit_code::entry_refused, std::move(reason)};
    return false;
  };
  const std::string& product = w_.state.is_apptitle;
  if (!answers_.edition.empty()) {
    const ui::control& button = edition_button();
    // A product of one edition shows none and keeps its own checked.
    if (!button.checked() && !(button.visible() && button.enabled())) {
      return refuse("the edition " + answers_.edition + " (" + button.text() + ") is not offered by " +
                    product);
    }
  }
  if (!version_button().visible()) {
    return refuse("SQL Server " + answers_.sql_version + " is not offered by " + product +
                  " (its setup.ini hides it)");
  }
  if (answers_.database) {
    if (!w_.sle_dbname.visible())
      return refuse(product + " takes its database name from setup.ini: leave database out");
    if (const std::string_view refusal = database_name_refusal(*answers_.database); !refusal.empty())
      return refuse("database \"" + *answers_.database + "\": " + std::string(refusal));
  }
  if (answers_.customer && !w_.sle_custname.visible())
    return refuse(product + " has no customer name: leave customer out");
  if (!answers_.new_port.empty() && w_.state.gs_product == product_urmsv7)
    return refuse(product + " has no port page: leave new_port out");
  for (const std::string& accessory : answers_.start_accessories) {
    if (!accessory_button(accessory).visible())
      return refuse("the accessory " + accessory + " is not on the last page of " + product);
  }
  return true;
}

ui::control& unattended_install::edition_button() {
  const std::string& e = answers_.edition;
  return e == "dd" ? w_.rb_dd : e == "zb" ? w_.rb_zb : w_.rb_jmzb;
}

ui::control& unattended_install::version_button() {
  const std::string& v = answers_.sql_version;
  return v == "2000"   ? w_.rb_sql2000
         : v == "2005" ? w_.rb_sql2005
         : v == "2008" ? w_.rb_sql2008
                       : w_.rb_sql2012;
}

ui::control& unattended_install::accessory_button(std::string_view accessory) {
  return accessory == accessory_wcf ? w_.pb_wcf : accessory == accessory_automess ? w_.cb_5 : w_.cb_4;
}

bool unattended_install::walk_edition_page(unattended_outcome& outcome) {
  if (!answers_.edition.empty()) {
    ui::control& button = edition_button();
    if (!button.checked()) w_.click(button);
  }
  if (!version_button().checked()) w_.click(version_button());
  const std::size_t messages = ui_.messages().size();
  const std::size_t questions = ui_.questions().size();
  w_.click(w_.cb_next);
  for (std::size_t i = questions; i < ui_.questions().size(); ++i) {
    const std::string& question = ui_.questions()[i].text;
    if (question.rfind(question_path_not_found, 0) == 0) {
      // The question's last line says what the machine has instead.
      outcome = {exit_code::no_sql_server,
                 "no SQL Server " + answers_.sql_version +
                     " was found on this machine: " + question.substr(question.rfind('\n') + 1)};
      return false;
    }
  }
  const int page = w_.tab_1.selectedtab();
  if (page != page_port && page != page_database) {
    outcome = {exit_code::entry_refused, message_since(messages, "page 1 was not left")};
    return false;
  }
  return true;
}

bool unattended_install::select_instance(unattended_outcome& outcome) {
  if (answers_.instance.empty()) return true;
  const std::vector<std::string>& names = w_.state.is_ins_name_array;
  std::string found;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (equals_ignore_case_ascii(names[i], answers_.instance)) {
      w_.choose(w_.sle_sqlsetup, static_cast<int>(i) + 1);
      return true;
    }
    found += (found.empty() ? "" : ", ") + names[i];
  }
  outcome = {exit_code::no_sql_server, "no SQL Server " + answers_.sql_version + " instance is named " +
                                           answers_.instance +
                                           " (found: " + (found.empty() ? "none" : found) + ")"};
  return false;
}

bool unattended_install::walk_port_page(unattended_outcome& outcome) {
  if (w_.tab_1.selectedtab() != page_port) return true;  // the product without a port page
  if (!answers_.new_port.empty()) {
    type(w_.sle_port, answers_.new_port);
    const std::size_t messages = ui_.messages().size();
    w_.click(w_.cb_6);
    if (ui_.messages().size() > messages) {
      const std::string& shown = ui_.messages()[messages];
      outcome =
          shown == service_names::port_must_be_four_digits
              ? unattended_outcome{exit_code::entry_refused, "new_port " + answers_.new_port + ": " + shown}
              : unattended_outcome{exit_code::port_change_failed,
                                   "the port could not be changed to " + answers_.new_port + ": " + shown};
      return false;
    }
  }
  const std::size_t messages = ui_.messages().size();
  w_.click(w_.cb_next);
  if (w_.tab_1.selectedtab() == page_database) return true;
  const std::string shown = message_since(messages, "the port page was not left");
  // The folder proposed holds a server program of another version.
  if (shown.rfind(version_mismatch_start, 0) == 0) {
    outcome = {exit_code::no_sql_server, "no SQL Server " + answers_.sql_version + " was found: " + shown};
    return false;
  }
  outcome = {exit_code::entry_refused, shown};
  return false;
}

bool unattended_install::walk_database_page(unattended_outcome& outcome) {
  if (answers_.server) type(w_.sle_servername, *answers_.server);
  type(w_.sle_pass, answers_.sa_password);
  if (answers_.database) type(w_.sle_dbname, *answers_.database);
  if (answers_.customer) type(w_.sle_custname, *answers_.customer);
  if (!answers_.special_password.empty()) type(w_.sle_pass1, answers_.special_password);
  const std::size_t messages = ui_.messages().size();
  w_.click(w_.cb_next);
  if (w_.tab_1.selectedtab() != page_install) {
    outcome = {exit_code::entry_refused, message_since(messages, "the database page was not left")};
    return false;
  }
  return true;
}

bool unattended_install::install(unattended_outcome& outcome) {
  const std::size_t messages = ui_.messages().size();
  const std::size_t questions = ui_.questions().size();
  w_.click(w_.cb_2);
  // Only a finished install disables Back.
  if (!w_.cb_prev.enabled()) return true;

  const std::string& db = w_.state.is_dbname;
  for (std::size_t i = questions; i < ui_.questions().size(); ++i) {
    if (is_drop_question(ui_.questions()[i].text) && ui_.questions()[i].answer != answer_yes) {
      outcome = {exit_code::database_kept, "the database " + db + " exists and replace_existing is not yes"};
      return false;
    }
  }
  std::string shown;
  for (std::size_t i = messages; i < ui_.messages().size() && shown.empty(); ++i) {
    // A client library not copied is a warning: the install goes on.
    if (ui_.messages()[i] != copy_failed_text) shown = ui_.messages()[i];
  }
  const std::string_view text = shown;
  if (text.starts_with(cannot_connect_text)) {
    outcome = {exit_code::cannot_connect, "cannot connect to the server: " + shown};
  } else if (text.starts_with(special_password_refusal(db))) {
    outcome = {exit_code::database_kept,
               "the database " + db + " exists and the special operation password was refused"};
  } else if (text.starts_with(temporary_copy_failed_before) ||
             text.starts_with(temporary_delete_failed_before)) {
    outcome = {exit_code::backup_copy_failed, "the backup's temporary copy failed: " + shown};
  } else if (text.starts_with(backup_unusable_before) || text.starts_with(logical_names_before)) {
    outcome = {exit_code::backup_unusable, "the medium's backup cannot be restored here: " + shown};
  } else if (text.starts_with(file_in_the_way_before) || text.starts_with(no_room_before)) {
    outcome = {exit_code::data_folder_refused, "the data folder cannot take the database: " + shown};
  } else if (text.starts_with(install_failed_before)) {
    // The status line still names the step that failed.
    outcome = w_.st_dis.text().starts_with(label_safety_backup_before)
                  ? unattended_outcome{exit_code::backup_copy_failed,
                                       "the backup of the existing database failed: " + shown}
                  : unattended_outcome{exit_code::statement_failed, "a SQL statement failed: " + shown};
  } else {
    outcome = {exit_code::entry_refused,
               "the install refused an entry: " + (shown.empty() ? "(no message)" : shown)};
  }
  // A failure after the drop: whether the old database is back.
  if (text.find(put_back_note) != std::string_view::npos) {
    outcome.reason += " (the old database " + db + " was put back)";
  } else if (text.find(put_back_failed_before) != std::string_view::npos) {
    outcome.reason +=
        " (the old database " + db + " could NOT be put back: restore it from its safety backup)";
  }
  return false;
}

void unattended_install::start_accessories(unattended_outcome& outcome) {
  bool wcf_started = false;
  for (const unattended_dialogs::asked& q : ui_.questions()) {
    wcf_started = wcf_started || (q.text == install_mcs_question && q.answer == answer_yes);
  }
  for (const std::string& accessory : answers_.start_accessories) {
    // The install's own question has started it already.
    if (accessory == accessory_wcf && wcf_started) continue;
    const std::size_t messages = ui_.messages().size();
    w_.click(accessory_button(accessory));
    // The database is installed whatever an accessory does: its message is told, the code stays 0.
    if (ui_.messages().size() > messages) {
      outcome.reason += (outcome.reason.empty() ? "installed; " : "; ") + accessory +
                        " not started: " + ui_.messages()[messages];
    }
  }
}

void unattended_install::type(ui::control& edit, const std::string& text) {
  edit.input_text(text);
  w_.modify(edit);
}

std::string unattended_install::message_since(std::size_t from, std::string_view otherwise) const {
  if (ui_.messages().size() > from) return ui_.messages()[from];
  return std::string(otherwise);
}

}  // namespace setup
