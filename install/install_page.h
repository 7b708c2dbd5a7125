// The last page's buttons: install the database, and start the installers of the product's
// accessory programs, which ship beside the wizard. An accessory is only checked for and started;
// the wizard neither waits for it nor reads its result.
#pragma once

#include <string_view>

#include "install/db_installer.h"
#include "model/wizard_context.h"

namespace setup {

// The data transfer service's installer of a product; empty for a product that has none.
std::string_view data_transfer_program(std::string_view product);

class install_page {
 public:
  explicit install_page(wizard_context& w) : w_(w), installer_(w) {}

  // cb_2: installs the database; after a success offers the store communication service (qvxlov10)
  // and disables Next and Back for good. A failure leaves both as they were.
  void cb_2_clicked();
  // pb_wcf: the data transfer service installer of the product.
  void pb_wcf_clicked();
  // cb_5: the information auto-send system.
  void cb_5_clicked();
  // cb_4: the auto-upgrade system.
  void cb_4_clicked();

  db_installer& installer() { return installer_; }

 private:
  // Starts the program by its full path in the current directory, or says that it is missing.
  void start_accessory(std::string_view program, std::string_view missing_text);

  wizard_context& w_;
  db_installer installer_;
};

}  // namespace setup
