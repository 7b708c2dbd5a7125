#include "platform/memory/memory_dialogs.h"

namespace setup {

std::vector<std::string> memory_dialogs::messages() const {
  std::vector<std::string> texts;
  for (const shown& box : history_) {
    if (box.kind == "message") texts.push_back(box.text);
  }
  return texts;
}

void memory_dialogs::ShowMessage(std::string_view title, std::string_view text) {
  history_.push_back(shown{"message", std::string(title), std::string(text), 1});
}

int memory_dialogs::ask(std::string kind, std::string_view title, std::string_view text, int default_answer) {
  int answer = default_answer;
  if (!yes_no_answers.empty()) {
    answer = yes_no_answers.front();
    yes_no_answers.pop_front();
  }
  history_.push_back(shown{std::move(kind), std::string(title), std::string(text), answer});
  return answer;
}

int memory_dialogs::AskYesNo(std::string_view title, std::string_view text) {
  return ask("question", title, text, 2);
}

int memory_dialogs::AskYesNoDefaultYes(std::string_view title, std::string_view text) {
  return ask("question_default_yes", title, text, 1);
}

int memory_dialogs::ChooseFolder(std::string_view title, std::string& path) {
  folder_answer answer{0, {}};
  if (!folder_answers.empty()) {
    answer = folder_answers.front();
    folder_answers.pop_front();
  }
  if (answer.result == 1) path = answer.path;
  history_.push_back(shown{"folder", std::string(title), answer.path, answer.result});
  return answer.result;
}

int memory_dialogs::ChooseFileToOpen(std::string_view title, std::string_view default_extension,
                                     std::string_view filter, std::string& full_path,
                                     std::string& file_name) {
  file_answer answer{0, {}, {}};
  if (!file_answers.empty()) {
    answer = file_answers.front();
    file_answers.pop_front();
  }
  if (answer.result == 1) {
    full_path = answer.full_path;
    file_name = answer.file_name;
  }
  history_.push_back(shown{"file", std::string(title), std::string(filter), answer.result});
  return answer.result;
}

}  // namespace setup
