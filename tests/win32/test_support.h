// Helpers for the tests of the Windows implementations under wine.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/memory/memory_system.h"
#include "platform/win32/win32_api.h"

namespace setup::test {

// A fresh directory under the temporary directory, removed with its contents when the object goes.
class temp_directory {
 public:
  temp_directory();
  ~temp_directory();
  temp_directory(const temp_directory&) = delete;
  temp_directory& operator=(const temp_directory&) = delete;

  const std::string& path() const { return path_; }
  // path() + "\" + name
  std::string operator/(std::string_view name) const { return path_ + "\\" + std::string(name); }

 private:
  std::string path_;
};

// Writes bytes to a file, replacing it; false on failure.
bool write_file(const std::string& path, std::string_view bytes);
// The file's bytes; empty when it cannot be read.
std::string read_file(const std::string& path);
// A Unix path of the build tree as wine shows it (Z:\...).
std::string windows_path_of_unix(std::string_view unix_path);

// The trace the Windows implementations under test write to, for the whole test program.
memory_trace& log();

// A file of the build's test data (SETUP_TEST_DATA), as a Windows path.
std::string test_data(std::string_view name);

// Writes a REG_SZ value under HKEY_LOCAL_MACHINE in one view (KEY_WOW64_64KEY or KEY_WOW64_32KEY),
// creating the key; false when it cannot.
bool set_machine_string(REGSAM view, const std::string& subkey, const std::string& name,
                        const std::string& text);
// A string value under HKEY_LOCAL_MACHINE in one view; nullopt when it cannot be read.
std::optional<std::string> machine_string(REGSAM view, const std::string& subkey, const std::string& name);

// A socket on a free four-digit loopback port, listening until closed or gone.
class loopback_listener {
 public:
  loopback_listener();
  ~loopback_listener();
  loopback_listener(const loopback_listener&) = delete;
  loopback_listener& operator=(const loopback_listener&) = delete;

  std::uint16_t port() const { return port_; }
  // Stops listening.
  void close();

 private:
  SOCKET socket_ = INVALID_SOCKET;
  std::uint16_t port_ = 0;
};

// SQL Server instances laid out on the prefix as setup leaves them: keys in the view of their
// bitness, folders in a temporary directory, and a sqlservr.exe that is one of the version fixtures.
// The SQL Server keys of both views, and the 64-bit mark, are removed when it is made and when it goes.
class sql_server_layout {
 public:
  sql_server_layout();
  ~sql_server_layout();
  sql_server_layout(const sql_server_layout&) = delete;
  sql_server_layout& operator=(const sql_server_layout&) = delete;

  // SQL Server 2005 and later; `fixture` is a file of tests/data/versions ("en_us_unicode_64.dll").
  // The setup folder is `folder` (created, and removed with the layout), or one in a temporary
  // directory; returns it.
  std::string add_instance(const std::string& name, const std::string& id, const std::string& fixture,
                           bool in_32bit_view, const std::string& folder = {},
                           const std::string& port = "1433");
  // SQL Server 2000 with `active` as its active instance ("MSSQLServer": the default one), in `folder`
  // (or a temporary one), keeping `port` directly under its TCP key.
  std::string add_sql2000(const std::string& active, const std::string& fixture, bool in_32bit_view,
                          const std::string& folder = {}, const std::string& port = "1433");
  // "PathName" under the 32-bit view's Windows NT key, which the wizard takes for 64-bit Windows.
  void mark_64bit_windows(bool on);
  // A service's key with the account it logs on as ("ObjectName"), as an installed SQL Server's.
  void add_service_key(const std::string& service, const std::string& account);

 private:
  void remove_keys();
  std::string lay_out_folder(const std::string& folder, const std::string& fixture);
  temp_directory dir_;
  std::vector<std::string> folders_;   // made outside dir_
  std::vector<std::string> services_;  // service keys made
};

}  // namespace setup::test
