#include "install/install_page.h"

#include <string>

#include "install/install_names.h"

namespace setup {

std::string_view data_transfer_program(std::string_view product) {
  if (product == product_qvxtekprov3) return data_transfer_program_qvxtekprov3;
  if (product == product_qvxlov10) return data_transfer_program_qvxlov10;
  return {};
}

void install_page::cb_2_clicked() {
  if (!installer_.of_install_db()) return;
  if (w_.state.gs_product == product_qvxlov10 &&
      w_.sys.ui.AskYesNoDefaultYes(hint_caption, install_mcs_question) == answer_yes) {
    pb_wcf_clicked();
  }
  w_.controls.cb_next.set_enabled(false);
  w_.controls.cb_prev.set_enabled(false);
}

void install_page::pb_wcf_clicked() {
  start_accessory(data_transfer_program(w_.state.gs_product), data_transfer_missing_text);
}

void install_page::cb_5_clicked() {
  start_accessory(information_system_program, information_system_missing_text);
}

void install_page::cb_4_clicked() {
  start_accessory(auto_upgrade_program, auto_upgrade_missing_text);
}

void install_page::start_accessory(std::string_view program, std::string_view missing_text) {
  // The full path, never a bare name that a search along the path could resolve to another program.
  const std::string path = w_.sys.fs.GetCurrentDirectory() + "\\" + std::string(program);
  if (!program.empty() && w_.sys.fs.FileExists(path)) {
    w_.sys.proc.StartProgram(path);
  } else {
    w_.sys.ui.ShowMessage(w_.state.is_apptitle, missing_text);
  }
}

}  // namespace setup
