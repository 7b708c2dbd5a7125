// A Windows server built in memory (the wizard tests' machine) with the simulated SQL Server in
// process on the same drive C:, so the server reads the wizard's temporary copy and writes where the
// wizard looks; the window stands on page 4 as the navigation leaves it.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "sim/engine/backup_format.h"
#include "sim/engine/engine_transaction.h"
#include "tests/wizard/machine.h"

namespace setup::test {

inline constexpr const char* sa_password = "Sa pw;'1]";

class machine_disk final : public sqlsim::disk {
 public:
  explicit machine_disk(memory_files& fs) : fs_(fs) {}
  std::optional<std::string> read_file(std::string_view path) override { return fs_.content(path); }
  bool file_exists(std::string_view path) override { return fs_.FileExists(path); }
  bool directory_exists(std::string_view path) override { return fs_.DirectoryExists(path); }
  bool write_file(std::string_view path, std::string_view content) override {
    const std::string absolute = fs_.absolute(path);
    if (!fs_.DirectoryExists(absolute.substr(0, std::max<std::size_t>(absolute.rfind('\\'), 3))))
      return false;
    fs_.add_file(absolute, std::string(content));
    return true;
  }
  bool remove_file(std::string_view path) override { return fs_.RemoveFile(path); }

 private:
  memory_files& fs_;
};

// The lines of a dump that describe one database; empty when it has none.
inline std::string database_part(const std::string& dump, const std::string& name) {
  std::string quoted;
  for (const char c : name) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  const std::size_t start = dump.find("\ndatabase '" + quoted + "'");
  if (start == std::string::npos) return "";
  return dump.substr(start + 1, dump.find("\ndatabase ", start + 1) - start);
}

struct install_machine {
  explicit install_machine(sqlsim::server_version v = sqlsim::server_version::v2008) : version(v) {
    EXPECT_FALSE(server.login(sa, "sa", sa_password, "master").has_value());
    // A 64-bit Windows; the medium carries the client libraries.
    m.fs.set_system_directory("C:\\Windows\\SysWOW64");
    for (const char* library : {"ntwdblib.dll", "msvcr71.dll"})
      m.fs.add_file(std::string("C:\\setup\\") + library, library);
  }

  // The window on the medium's setup.ini (none: the default product), with the product's backup on
  // the medium, the version checked, sa's password and a customer name typed, and the data folder.
  void open(const std::string& options = "") {
    if (!options.empty()) m.setup_ini(options);
    w = std::make_unique<w_server>(m.journal.sys, logged_sqlca);
    w->open();
    w->st_dis.attach(&labels);
    w_server_state& s = w->state;
    ui::control* buttons[] = {&w->rb_sql2000, &w->rb_sql2005, &w->rb_sql2008, &w->rb_sql2012};
    s.is_sql_version = std::to_string(static_cast<int>(version));
    buttons[s.is_sql_version == "2000" ? 0 : (std::stoi(s.is_sql_version) - 2004) / 4 + 1]->set_checked(true);
    w->sle_pass.set_text(sa_password);
    w->sle_custname.set_text("总店");
    m.fs.add_directory("C:\\sqldata");
    s.is_datapath = "C:\\sqldata";
    w->sle_backupdata.set_text("C:\\setup\\" + (is_2012() ? s.gs_database_2012 : s.gs_product));
    medium_backup(product_backup());
    s.is_dbname = s.gs_database;
    w->tab_1.SelectTab(4);
    w->cb_prev.set_enabled(true);
    w->cb_next.set_enabled(false);
  }
  bool is_2012() const { return version == sqlsim::server_version::v2012; }
  void type_database_name(const std::string& name) {
    w->sle_dbname.set_text(name);
    w->state.gs_database = w->state.is_dbname = name;
  }
  // Files named after the product's database, the product login's user with the SID it had where the
  // backup was made, and one row.
  sqlsim::backup_image product_backup() const {
    const w_server_state& s = w->state;
    const std::string stem = !s.gs_logicdbname.empty() ? s.gs_logicdbname
                             : is_2012()               ? s.gs_database_2012
                                                       : s.gs_product;
    sqlsim::backup_image image = sqlsim::make_product_backup(s.gs_product, stem);
    image.users.push_back({s.gs_log, std::string("\xAA\xBB\xCC\xDD", 4)});
    image.rows.push_back({"sys_version", "版本", "9.0", std::nullopt});
    return image;
  }
  void medium_backup(const sqlsim::backup_image& image) {
    m.fs.add_file(w->sle_backupdata.text(), sqlsim::format_backup(image));
  }
  // True when the install succeeded: only then is Back disabled.
  bool install() {
    w->click(w->cb_2);
    return !w->cb_prev.enabled();
  }
  // A statement as sa on master, for set-up; it must succeed.
  void run(const std::string& sql) {
    for (const auto& outcome : server.execute(sa, sql)) EXPECT_FALSE(outcome.failed) << sql;
  }
  std::string dump() const { return server.dump(); }
  std::string database() const { return database_part(dump(), w->state.is_dbname); }
  std::vector<std::string> messages() const { return m.ui.messages(); }

  sqlsim::server_version version;
  machine m;
  sqlsim::engine server{[this] {
    sqlsim::engine_options o{.version = version, .sa_password = sa_password};
    o.files = std::make_shared<machine_disk>(m.fs);
    return o;
  }()};
  sqlsim::engine_transaction sqlca{server};
  journal_transaction logged_sqlca{sqlca, m.log};
  sqlsim::session sa;
  label_recorder labels;
  std::unique_ptr<w_server> w;
};

}  // namespace setup::test
