// The product profile: which product of the family this medium installs, under which database and
// login, and what the first page offers. Read from setup.ini (section "Options") and, when present,
// setup.des (section "oem"), both beside the program in the current directory.
#pragma once

#include <optional>
#include <string>

#include "platform/files.h"
#include "platform/profile.h"

namespace setup {

struct product_profile {
  std::string is_productname;
  std::string is_version;
  std::string is_apptitle;
  std::string gs_database;
  std::string gs_product;
  std::string gs_database_2012;
  std::string is_flag;
  std::string gs_logicdbname;
  std::string gs_sys_table;
  std::string gs_log;
  std::string gs_logpass;

  // The version keys as read; they decide which SQL Server versions the first page offers.
  std::string sql2005;
  std::string qvxpredb;
  std::string qvxpre;

  // "resource\" + the logo file named by setup.des, when setup.des supplies a product name.
  std::optional<std::string> oem_picture;
};

// Reads every profile value in the order the window's open step uses them, with their defaults and
// corrections; absent files, sections and keys give the defaults. Never fails.
product_profile read_product_profile(profile& ini, files& fs);

// The password of a product login, from the fixed login table.
std::string login_password(const std::string& login);

}  // namespace setup
