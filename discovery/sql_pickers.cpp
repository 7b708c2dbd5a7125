#include "discovery/sql_pickers.h"

#include <string>

namespace setup {
namespace {

constexpr int chosen = 1;

// A drive root comes back as "D:\": the folder is used without its last backslash.
std::string without_trailing_backslash(std::string path) {
  if (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

}  // namespace

void sql_pickers::pb_3_clicked() {
  files& fs = w_.sys.fs;
  const std::string saved = fs.GetCurrentDirectory();
  std::string path;
  // The current directory is not put back when nothing was chosen: the dialog leaves it as it was.
  if (w_.sys.ui.ChooseFolder(folder_dialog_title, path) != chosen) return;
  if (!path.empty()) w_.controls.sle_sqldatasetup.set_text(without_trailing_backslash(path));
  fs.SetCurrentDirectory(saved);
}

void sql_pickers::pb_2_clicked() {
  files& fs = w_.sys.fs;
  const std::string saved = fs.GetCurrentDirectory();
  std::string path;
  if (w_.sys.ui.ChooseFolder(folder_dialog_title, path) != chosen) return;
  if (!path.empty()) {
    const std::string folder = without_trailing_backslash(path);
    ui::control& list = w_.controls.sle_sqlsetup;
    list.reset_items();
    list.add_item(folder);
    w_.state.is_sqlbinpath = folder + "\\Binn";
    w_.state.is_sqlpath = folder;
    list.select(1);
    selection_changed_();
  }
  fs.SetCurrentDirectory(saved);
}

void sql_pickers::pb_backupdata_clicked() {
  files& fs = w_.sys.fs;
  const std::string saved = fs.GetCurrentDirectory();
  std::string full_path;
  std::string file_name;
  if (w_.sys.ui.ChooseFileToOpen(backup_dialog_title, "", backup_dialog_filter, full_path, file_name) ==
      chosen) {
    w_.controls.sle_backupdata.set_text(full_path);
  }
  fs.SetCurrentDirectory(saved);
}

}  // namespace setup
