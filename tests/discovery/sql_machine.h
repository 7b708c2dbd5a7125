// A Windows machine in memory with SQL Server instances laid out as setup leaves them (registry keys in
// the view of their bitness, folders, a sqlservr.exe with its file version), and the database page's
// discovery on it.
#pragma once

#include <string>
#include <vector>

#include "discovery/sql_discovery.h"
#include "discovery/sql_paths.h"
#include "model/sql_server_registry.h"
#include "platform/memory/memory_database.h"
#include "platform/memory/memory_platform.h"

namespace setup::test {

struct sql_instance {
  std::string name;          // as listed under Instance Names\SQL: MSSQLSERVER, SQLEXPRESS...
  std::string id;            // its key: MSSQL10.MSSQLSERVER...
  std::string file_version;  // of its sqlservr.exe; empty: no program file
  bool in_32bit_view = false;
  bool bin_root = true;       // "SQLBinRoot" present
  bool data_root = true;      // "SQLDataRoot" present
  std::string port = "1433";  // "TcpPort" under IPAll

  std::string folder() const {
    return std::string(in_32bit_view ? "C:\\Program Files (x86)" : "C:\\Program Files") +
           "\\Microsoft SQL Server\\" + id + "\\MSSQL";
  }
  std::string tcp_key() const { return sql_registry::tcp_key(id, in_32bit_view); }
};

// The machine: SERVER1 at 10.0.0.5 (and 10.0.0.6), 32- or 64-bit Windows, and its SQL Servers.
struct sql_server_machine : memory_platform {
  explicit sql_server_machine(bool windows_64bit) : memory_platform(windows_64bit) {
    reg.set_string(sql_registry::computer_name_key, "ComputerName", "SERVER1");
    net.hosts["SERVER1"] = {0x0500000A, 0x0600000A};
    if (windows_64bit) reg.set_string(sql_registry::windows_nt_32bit_key, "PathName", "C:\\Windows");
  }

  void add(const sql_instance& i) {
    const std::string list =
        i.in_32bit_view ? "HKEY_LOCAL_MACHINE\\" + std::string(sql_registry::instance_names_subkey_32)
                        : std::string(sql_registry::instance_names_key);
    reg.set_string(list, i.name, i.id);
    const std::string setup = sql_registry::setup_key(i.id, i.in_32bit_view);
    reg.set_string(setup, "SQLPath", i.folder());
    if (i.data_root) reg.set_string(setup, "SQLDataRoot", i.folder());
    if (i.bin_root) reg.set_string(setup, "SQLBinRoot", i.folder() + "\\Binn");
    // Where a setup keeps the port it was given.
    reg.set_string(i.tcp_key() + "\\IPAll", "TcpPort", i.port);
    fs.add_directory(i.folder() + "\\Data");
    if (!i.file_version.empty()) {
      fs.add_file(i.folder() + "\\Binn\\sqlservr.exe", "MZ");
      versions.set(i.folder() + "\\Binn\\sqlservr.exe", i.file_version);
    }
  }

  // A SQL Server 2000 whose active instance is `active` ("MSSQLServer": the default one), in
  // sql2000_folder(active), keeping `port` directly under its TCP key.
  static std::string sql2000_folder(const std::string& active) { return "C:\\MSSQL2000\\" + active; }
  void add_sql2000(const std::string& active, bool in_32bit_view, bool bin_root = true,
                   const std::string& port = "1433") {
    const std::string wow = in_32bit_view ? "Wow6432Node\\" : "";
    reg.set_string("HKEY_LOCAL_MACHINE\\Software\\" + wow + "Microsoft\\Microsoft SQL Server",
                   "SsrpActiveServer", active);
    const std::string setup = active == "MSSQLServer"
                                  ? "HKEY_LOCAL_MACHINE\\Software\\" + wow + "Microsoft\\MSSQLServer\\Setup"
                                  : "HKEY_LOCAL_MACHINE\\SOFTWARE\\" + wow +
                                        "Microsoft\\Microsoft SQL Server\\" + active + "\\Setup";
    const std::string folder = sql2000_folder(active);
    const std::string tcp = active == "MSSQLServer"
                                ? "HKEY_LOCAL_MACHINE\\SOFTWARE\\" + wow +
                                      "Microsoft\\MSSQLServer\\MSSQLServer\\SuperSocketNetLib\\Tcp"
                                : "HKEY_LOCAL_MACHINE\\SOFTWARE\\" + wow +
                                      "Microsoft\\Microsoft SQL Server\\" + active +
                                      "\\MSSQLServer\\SuperSocketNetLib\\Tcp";
    reg.set_string(tcp, "TcpPort", port);
    reg.set_string(setup, "SQLPath", folder);
    reg.set_string(setup, "SQLDataRoot", folder);
    if (bin_root) reg.set_string(setup, "SQLBinRoot", folder + "\\Binn");
    fs.add_directory(folder + "\\Data");
    fs.add_file(folder + "\\Binn\\sqlservr.exe", "MZ");
    versions.set(folder + "\\Binn\\sqlservr.exe", "2000.080.194.0");
  }
};

// Discovery's context on such a machine, without a window.
struct sql_machine : sql_server_machine {
  explicit sql_machine(bool windows_64bit) : sql_server_machine(windows_64bit) {}

  memory_transaction sqlca;
  w_server_state state;
  w_server_controls controls;
  wizard_context w{state, controls, sys, sqlca};
  sql_paths paths{w};
  sql_discovery discovery{w, paths};

  // The version chosen on page 1.
  void choose(const std::string& version) {
    ui::control* button = version == "2000"   ? &controls.rb_sql2000
                          : version == "2008" ? &controls.rb_sql2008
                          : version == "2012" ? &controls.rb_sql2012
                                              : &controls.rb_sql2005;
    for (ui::control* b :
         {&controls.rb_sql2000, &controls.rb_sql2005, &controls.rb_sql2008, &controls.rb_sql2012}) {
      b->set_checked(b == button);
    }
    state.is_sql_version = version;
  }
};

}  // namespace setup::test
