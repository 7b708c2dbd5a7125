// The database page's browse buttons: pb_2 picks the SQL Server setup folder, pb_3 the data folder,
// pb_backupdata the backup file. Each writes its field and puts the process's current directory back
// as it was before the dialog (the accessory programs and the client libraries are found through it).
#pragma once

#include <functional>
#include <string_view>

#include "model/wizard_context.h"

namespace setup {

inline constexpr std::string_view folder_dialog_title = "请选择目录";
inline constexpr std::string_view backup_dialog_title = "选择数据库文件";
inline constexpr std::string_view backup_dialog_filter = "Data Files (*.*),*.*";

class sql_pickers {
 public:
  // `selection_changed` runs the drop-down's selection handling, as if the operator chose item 1.
  sql_pickers(wizard_context& w, std::function<void()> selection_changed)
      : w_(w), selection_changed_(std::move(selection_changed)) {}

  void pb_2_clicked();
  void pb_3_clicked();
  void pb_backupdata_clicked();

 private:
  wizard_context& w_;
  std::function<void()> selection_changed_;
};

}  // namespace setup
