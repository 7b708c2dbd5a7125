// The unattended install: the window w_server driven without being shown, from an answer file. The
// controls are set as a technician sets them and the same handlers run in the same order (Next on
// each page, the port button, the install button, the accessory buttons), so every check of the
// window runs as it would. Messages go to the log and the console; questions are answered from the
// answer file, and a question it does not answer gets No. The first failure gives the exit code.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/console.h"
#include "platform/dialogs.h"
#include "platform/trace.h"
#include "wizard/answer_file.h"
#include "wizard/w_server.h"

namespace setup {

// server.exe's exit codes. The numbers never change meaning.
enum class exit_code : int {
  installed = 0,
  bad_command_line = 1,  // or a bad answer file
  no_sql_server = 2,     // of the chosen version (or the named instance)
  entry_refused = 3,     // by a page check
  cannot_connect = 4,
  database_kept = 5,       // it exists and may not be replaced (gate refused, or replace_existing=no)
  backup_copy_failed = 6,  // the backup's temporary copy, or the safety backup of the old database
  statement_failed = 7,    // its number in the log
  port_change_failed = 8,
  backup_unusable = 9,       // the medium's backup: other logical files, or this server cannot restore it
  data_folder_refused = 10,  // a file there that no database has, or too little room
};

// What an unattended run ends with: the code and, unless installed, the reason.
struct unattended_outcome {
  exit_code code = exit_code::installed;
  std::string reason;
};

// The dialogs of an unattended run: nothing is shown, every box is written to the console, and the
// answers come from the answer file. Pickers are cancelled; the browser is not opened.
class unattended_dialogs final : public dialogs {
 public:
  struct asked {
    std::string text;
    int answer;
  };

  unattended_dialogs(const install_answers& answers, console& out) : answers_(answers), out_(out) {}

  void ShowMessage(std::string_view title, std::string_view text) override;
  int AskYesNo(std::string_view title, std::string_view text) override;
  int AskYesNoDefaultYes(std::string_view title, std::string_view text) override;
  int ChooseFolder(std::string_view title, std::string& path) override;
  int ChooseFileToOpen(std::string_view title, std::string_view default_extension, std::string_view filter,
                       std::string& full_path, std::string& file_name) override;
  void ShowWaitCursor() override {}
  bool KeyIsDown(key) override { return false; }
  void OpenUrl(std::string_view address) override;

  // The texts of the message boxes, and the questions with their answers, in the order they came.
  const std::vector<std::string>& messages() const { return messages_; }
  const std::vector<asked>& questions() const { return questions_; }

 private:
  int answer(std::string_view title, std::string_view text);

  const install_answers& answers_;
  console& out_;
  std::vector<std::string> messages_;
  std::vector<asked> questions_;
};

class unattended_install {
 public:
  // `window` has run its open step on a platform whose dialogs are `ui`.
  unattended_install(w_server& window, const install_answers& answers, unattended_dialogs& ui, trace& log)
      : w_(window), answers_(answers), ui_(ui), log_(log) {}

  // Walks the pages, installs, starts the accessories and closes the window; the first failure ends
  // the walk. The outcome is written to the log.
  unattended_outcome run();

 private:
  // What the product's pages offer, checked before anything changes: the edition, the version and
  // the fields the answers fill; the database name and the port as their pages check them.
  bool entries_offered(unattended_outcome& outcome);
  bool walk_edition_page(unattended_outcome& outcome);
  bool select_instance(unattended_outcome& outcome);
  bool walk_port_page(unattended_outcome& outcome);
  bool walk_database_page(unattended_outcome& outcome);
  bool install(unattended_outcome& outcome);
  // The accessories named, in their order; one that is missing is noted in the outcome's reason.
  void start_accessories(unattended_outcome& outcome);
  // The radio buttons and the accessory button the answers name.
  ui::control& edition_button();
  ui::control& version_button();
  ui::control& accessory_button(std::string_view accessory);
  // An edit typed into and confirmed, as the view hands it to the window.
  void type(ui::control& edit, const std::string& text);
  // The first message shown since `from` (messages() index), or `otherwise`.
  std::string message_since(std::size_t from, std::string_view otherwise) const;

  w_server& w_;
  const install_answers& answers_;
  unattended_dialogs& ui_;
  trace& log_;
};

// The outcome's code as the process's exit code.
inline int exit_status(exit_code code) {
  return static_cast<int>(code);
}

}  // namespace setup
