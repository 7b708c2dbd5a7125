// Dialogs that answer from a script and remember what they were asked.
#pragma once

#include <deque>
#include <set>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace setup {

class memory_dialogs final : public dialogs {
 public:
  struct shown {
    std::string kind;  // "message", "question", "question_default_yes", "folder", "file"
    std::string title;
    std::string text;
    int answer = 0;  // what the box returned (questions and pickers)
  };
  struct folder_answer {
    int result = 1;
    std::string path;
  };
  struct file_answer {
    int result = 1;
    std::string full_path;
    std::string file_name;
  };

  // Scripted answers, taken in order. A question without a scripted answer gets its default button;
  // a picker without one is cancelled.
  std::deque<int> yes_no_answers;
  std::deque<folder_answer> folder_answers;
  std::deque<file_answer> file_answers;
  std::set<key> keys_down;

  const std::vector<shown>& history() const { return history_; }
  // Texts of the message boxes (ShowMessage) shown so far.
  std::vector<std::string> messages() const;
  const std::vector<std::string>& opened_urls() const { return urls_; }
  int wait_cursor_requests() const { return wait_cursor_requests_; }

  void ShowMessage(std::string_view title, std::string_view text) override;
  int AskYesNo(std::string_view title, std::string_view text) override;
  int AskYesNoDefaultYes(std::string_view title, std::string_view text) override;
  int ChooseFolder(std::string_view title, std::string& path) override;
  int ChooseFileToOpen(std::string_view title, std::string_view default_extension, std::string_view filter,
                       std::string& full_path, std::string& file_name) override;
  void ShowWaitCursor() override { ++wait_cursor_requests_; }
  bool KeyIsDown(key which) override { return keys_down.contains(which); }
  void OpenUrl(std::string_view address) override { urls_.emplace_back(address); }

 private:
  int ask(std::string kind, std::string_view title, std::string_view text, int default_answer);

  std::vector<shown> history_;
  std::vector<std::string> urls_;
  int wait_cursor_requests_ = 0;
};

}  // namespace setup
