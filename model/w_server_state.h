// The instance variables of the window w_server: the product profile and the wizard's working state.
// There is one set per run; every part of the wizard reads and writes these.
#pragma once

#include <string>
#include <vector>

namespace setup {

struct w_server_state {
  // The product profile, read by the open step.
  std::string is_productname;
  std::string is_version;
  std::string is_apptitle;
  std::string is_flag;
  std::string gs_product;
  std::string gs_database;
  std::string gs_database_2012;
  std::string gs_logicdbname;
  std::string gs_sys_table;
  std::string gs_log;
  std::string gs_logpass;

  // The SQL Server version chosen on page 1: "2000", "2005", "2008" or "2012".
  std::string is_sql_version = "2005";
  std::string is_dbname;
  std::string is_sqlpath;
  std::string is_datapath;
  std::string is_sqlbinpath;
  std::string is_addr;

  // One entry per discovered instance, parallel to the items of sle_sqlsetup (element 0 is item 1):
  // program path, instance name, data path, executables folder, TCP registry key.
  std::vector<std::string> is_sqlsetup_array;
  std::vector<std::string> is_ins_name_array;
  std::vector<std::string> is_sqlsetup_data_array;
  std::vector<std::string> is_sqlbinroot_array;
  std::vector<std::string> is_tcp_port_array;

  std::string is_ins_name = "MSSQLSERVER";
  std::string is_tcp_port;
  std::string is_port = "1433";
  bool ib_is_64bit_os = false;
};

}  // namespace setup
