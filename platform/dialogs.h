// What the wizard asks of the user interface outside its own window: message boxes, the folder and
// file dialogs, the wait cursor, the key state and the web browser.
#pragma once

#include <string>
#include <string_view>

namespace setup {

enum class key { enter };

// The answers of AskYesNo and AskYesNoDefaultYes.
inline constexpr int answer_yes = 1;
inline constexpr int answer_no = 2;

class dialogs {
 public:
  virtual ~dialogs() = default;

  // Modal box with one OK button; a line feed in the text starts a new line.
  virtual void ShowMessage(std::string_view title, std::string_view text) = 0;
  // Modal question with a question icon: 1 for Yes, 2 for No. No is the default button.
  virtual int AskYesNo(std::string_view title, std::string_view text) = 0;
  // As AskYesNo with Yes as the default button.
  virtual int AskYesNoDefaultYes(std::string_view title, std::string_view text) = 0;
  // 1 and the chosen folder (a drive root keeps its backslash) when the user confirms one; any
  // other value, with `path` untouched, when cancelled or failed.
  virtual int ChooseFolder(std::string_view title, std::string& path) = 0;
  // `filter` pairs a description and a pattern separated by a comma ("Data Files (*.*),*.*").
  // 1 with the full path and the bare file name when a file was chosen; any other value, with both
  // outputs untouched, when cancelled or failed.
  virtual int ChooseFileToOpen(std::string_view title, std::string_view default_extension,
                               std::string_view filter, std::string& full_path, std::string& file_name) = 0;
  // Shows the wait cursor until the running event handler returns.
  virtual void ShowWaitCursor() = 0;
  // True when the key is held down at the moment of the call.
  virtual bool KeyIsDown(key which) = 0;
  // Opens the address in the system's browser and returns at once.
  virtual void OpenUrl(std::string_view address) = 0;
};

}  // namespace setup
