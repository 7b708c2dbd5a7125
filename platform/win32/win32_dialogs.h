// The dialogs on Windows: message boxes, the folder browser, the file-open dialog, the wait cursor, the
// key state and the browser.
#pragma once

#include "platform/dialogs.h"
#include "platform/trace.h"
#include "platform/win32/win32_api.h"

namespace setup {

// A box or picker the system could not show, and an address not opened, are traced.
class win32_dialogs final : public dialogs {
 public:
  explicit win32_dialogs(trace& log) : log_(log) {}

  // Boxes and pickers are owned by this window (modal to it); null: owned by no window. The view sets
  // it while its window exists.
  void set_owner(HWND owner) { owner_ = owner; }
  HWND owner() const { return owner_; }

  void ShowMessage(std::string_view title, std::string_view text) override;
  int AskYesNo(std::string_view title, std::string_view text) override;
  int AskYesNoDefaultYes(std::string_view title, std::string_view text) override;
  int ChooseFolder(std::string_view title, std::string& path) override;
  int ChooseFileToOpen(std::string_view title, std::string_view default_extension, std::string_view filter,
                       std::string& full_path, std::string& file_name) override;
  void ShowWaitCursor() override;
  bool KeyIsDown(key which) override;
  void OpenUrl(std::string_view address) override;

  // Whether the wait cursor is to be shown now (the view answers WM_SETCURSOR with it).
  bool wait_cursor_shown() const { return wait_cursor_; }
  // The view calls this when an event handler has returned: the wait cursor goes.
  void handler_finished();

 private:
  int ask(std::string_view title, std::string_view text, UINT default_button);

  trace& log_;
  HWND owner_ = nullptr;
  bool wait_cursor_ = false;
};

// The filter of the file-open dialog from "description,pattern[,description,pattern...]": the pairs
// separated by NUL characters and the list ended by two. Empty when the text holds no complete pair.
std::wstring open_dialog_filter(std::string_view filter);

}  // namespace setup
