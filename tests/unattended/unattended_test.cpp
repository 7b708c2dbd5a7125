// The unattended install on an in-memory server machine with the simulated SQL Server in process:
// server.exe's command line and answer file, the window's pages walked headless, the exit codes.
#include <gtest/gtest.h>

#include <functional>

#include "app/server_application.h"
#include "install/install_names.h"
#include "platform/text.h"
#include "tests/install/install_machine.h"

namespace setup {
namespace {

const sqlsim::server_message injected{3201, 1, 16, "Cannot open backup device."};
const test::sql_instance default_2008{"MSSQLSERVER", "MSSQL10.MSSQLSERVER", "2009.100.1600.1"};
const std::string mark_key = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\qrvxSetup\\qrvxlo\\9.0";
// The special operation password the memory clock's day (2026-12-09) lets through.
const std::string today = "20261209";

struct recording_console final : console {
  std::vector<std::string> lines;
  void write_line(std::string_view text) override { lines.emplace_back(text); }
  std::string all() const {
    std::string out;
    for (const std::string& line : lines) out += line + "\n";
    return out;
  }
};

struct no_window final : window_host {
  int shown = 0;
  void run(ui::form&) override { ++shown; }
};

// A 64-bit Windows server with SQL Server 2008 as its default instance and the product's medium.
struct server_machine : test::install_machine {
  server_machine() {
    m.add(default_2008);
    m.env.variables["STORE_SA"] = test::sa_password;
  }
  void medium_backup_of(const std::string& product) {
    sqlsim::backup_image image = sqlsim::make_product_backup(product, product);
    m.fs.add_file("C:\\setup\\" + product, sqlsim::format_backup(image));
  }
  // server.exe with these arguments; the answer file, when given, as C:\setup\answers.ini.
  int run(std::vector<std::string> arguments, const std::string& answers_bytes = "") {
    if (!answers_bytes.empty()) m.fs.add_file("C:\\setup\\answers.ini", answers_bytes);
    server_application app(
        m.sys, [this] { return std::make_unique<sqlsim::engine_transaction>(server); }, host,
        std::move(arguments), &out);
    return app.run();
  }
  int unattended(const std::string& answers) { return run({"/answers=answers.ini"}, answers); }
  std::string log() const {
    std::string text;
    for (const std::string& line : m.log.lines()) text += line + "\n";
    return text;
  }

  recording_console out;
  no_window host;
};

const std::string fresh =
    "[install]\r\nsql_version=2008\r\nserver=127.0.0.1\r\nsa_password_env=STORE_SA\r\n"
    "customer=总店\r\n";

std::string utf16_file(const std::string& utf8) {
  std::string bytes = "\xFF\xFE";
  for (const char16_t unit : utf8_to_utf16(utf8)) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return bytes;
}

TEST(Unattended, InstallsAsTheWindowDoesAndStartsTheAccessoriesNamed) {
  server_machine sm;
  sm.medium_backup_of("qvxlov9");
  sm.m.setup_ini("sql2005=1\r\n");
  sm.m.fs.add_file("C:\\setup\\automess.exe", "MZ");
  sm.m.fs.add_file("C:\\setup\\auto_up.exe", "MZ");
  EXPECT_EQ(sm.unattended(fresh + "start_accessories=auto_up, automess\r\n"), 0) << sm.out.all();
  EXPECT_EQ(sm.host.shown, 0) << "no window";
  EXPECT_NE(test::database_part(sm.dump(), "qvxlov9"), "");
  EXPECT_EQ(sm.m.reg.string_value(mark_key, "qvxlov9"), "总店");
  EXPECT_EQ(sm.m.proc.started(),
            (std::vector<std::string>{"C:\\setup\\auto_up.exe", "C:\\setup\\automess.exe"}));
  // The success box, on the console and in the log, and the end.
  EXPECT_NE(sm.out.all().find(std::string(install_succeeded_text)), std::string::npos) << sm.out.all();
  EXPECT_NE(sm.out.all().find("server.exe: exit code 0, installed"), std::string::npos) << sm.out.all();
  EXPECT_NE(sm.log().find("sa password from environment variable STORE_SA"), std::string::npos);
  EXPECT_NE(sm.log().find("server ended, exit code 0"), std::string::npos);
  EXPECT_EQ(sm.log().find(test::sa_password), std::string::npos) << sm.log();
}

// A port change, then the firewall opened as the file says.
TEST(Unattended, TheNewPortIsOpenedInTheFirewallWhenTheFileSaysSo) {
  for (const bool open : {false, true}) {
    server_machine sm;
    sm.medium_backup_of("qvxlov9");
    sm.m.setup_ini("sql2005=1\r\n");
    sm.m.net.listening[2433] = 0;
    EXPECT_EQ(sm.unattended(fresh + "new_port=2433\r\nopen_firewall=" + (open ? "yes" : "no") + "\r\n"), 0)
        << sm.out.all();
    EXPECT_NE(sm.out.all().find(firewall_question("2433") + " -> "), std::string::npos) << sm.out.all();
    EXPECT_EQ(sm.log().find("advfirewall firewall add rule") != std::string::npos, open) << sm.log();
  }
}

struct failing_case {
  const char* name;
  std::string answers;  // the file's bytes; empty: none
  std::function<void(server_machine&)> arrange;
  int code;
  std::string reason;  // on the console
  bool changes_nothing;
};

TEST(Unattended, EndsWithTheExitCodeOfTheFirstFailure) {
  const auto install_first = [](server_machine& sm) { ASSERT_EQ(sm.unattended(fresh), 0) << sm.out.all(); };
  const auto failing = [](const char* pattern) {
    return [pattern](server_machine& sm) { sm.server.fail_matching(pattern, injected); };
  };
  const std::string today_replacing = fresh + "special_password=" + today + "\r\nreplace_existing=";
  // clang-format off
  const std::vector<failing_case> cases = {
      {"no answer file", "", {}, 1, "answers.ini: it cannot be opened", true},
      {"no [install] section", "[options]\r\nsql_version=2008\r\n", {}, 1, "it has no section [install]", true},
      {"an unknown edition", fresh + "edition=chain\r\n", {}, 1, "edition \"chain\" is none of dd, zb, jmzb", true},
      {"two versions", fresh + "SQL_Version=2005\r\n", {}, 1, "the key \"SQL_Version\" is given twice", true},
      {"an unset password variable", "[install]\r\nsql_version=2008\r\nsa_password_env=NOT_SET\r\n", {}, 1,
       "the environment variable NOT_SET, which is not set", true},
      {"a GBK file", "[install]\r\nsql_version=2008\r\nedition=\xB5\xA5\xB5\xEA\r\n", {}, 1,
       "edition \"单店\" is none of", true},
      {"an edition the profile hides", fresh + "edition=jmzb\r\n", {}, 3, "the edition jmzb (加盟总部) is not offered", true},
      {"a version the profile hides", "[install]\r\nsql_version=2012\r\n", {}, 3, "SQL Server 2012 is not offered", true},
      // Refused before the port page changes the port.
      {"a database name with a path character, in UTF-16", utf16_file(fresh + "database=门店\\1\r\nnew_port=2433\r\n"),
       {}, 3, "database \"门店\\1\": " + std::string(message_database_name_characters), true},
      {"no SQL Server of the version", "[install]\r\nsql_version=2000\r\n",
       [](server_machine& sm) { sm.m.setup_ini("qvxpre=41833\r\n"); }, 2, "no SQL Server 2000 was found on this machine", true},
      {"only another version", "[install]\r\nsql_version=2005\r\n", {}, 2,
       "no SQL Server 2005 was found on this machine: 本机的SQL Server实例：MSSQLSERVER（Microsoft SQL Server "
       "2008，请选择“MS SQL Server 2008”安装）。", true},
      {"no instance of the name", fresh + "instance=STORE\r\n", {}, 2,
       "no SQL Server 2008 instance is named STORE (found: MSSQLSERVER)", true},
      {"a wrong sa password", "[install]\r\nsql_version=2008\r\nsa_password=wrong pw\r\n", {}, 4,
       "cannot connect to the server", false},
      {"the gate refuses", fresh + "special_password=20000101\r\n", install_first, 5,
       "the special operation password was refused", false},
      {"the database kept", today_replacing + "no\r\n", install_first, 5,
       "the database qvxlov9 exists and replace_existing is not yes", false},
      {"no backup on the medium", fresh, [](server_machine& sm) { sm.m.fs.RemoveFile("C:\\setup\\qvxlov9"); }, 6,
       "the backup's temporary copy failed", false},
      {"the safety backup fails", today_replacing + "yes\r\n",
       [&](server_machine& sm) { install_first(sm); failing("BACKUP DATABASE")(sm); }, 6,
       "the backup of the existing database failed", false},
      {"a statement fails", fresh, failing("RESTORE DATABASE"), 7, "a SQL statement failed: 数据库处理失败, \n错误:(3201)", false},
      {"the medium's backup cannot be read", fresh, failing("FILELISTONLY"), 9,
       "the medium's backup cannot be restored here", false},
      {"a detached database's file in the data folder", fresh,
       [](server_machine& sm) { sm.m.fs.add_file(default_2008.folder() + "\\Data\\qvxlov9_Data.MDF", "detached"); }, 10,
       "the data folder cannot take the database", false},
      {"the restore fails after the drop", today_replacing + "yes\r\n",
       [&](server_machine& sm) { install_first(sm); failing("MOVE N'")(sm); }, 7,
       "(the old database qvxlov9 was put back)", false},
      {"open_firewall neither yes nor no", fresh + "open_firewall=maybe\r\n", {}, 1,
       "open_firewall is \"maybe\"; give yes or no", true},
      {"a port that is not four digits", fresh + "new_port=80\r\n", {}, 3, "new_port 80: 端口号必须为4位数字字符组成", true},
      {"the port cannot be written", fresh + "new_port=2433\r\n",
       [](server_machine& sm) { sm.m.reg.deny_writes(default_2008.tcp_key()); }, 8, "the port could not be changed to 2433", false},
  };
  // clang-format on
  for (const failing_case& c : cases) {
    SCOPED_TRACE(c.name);
    server_machine sm;
    sm.medium_backup_of("qvxlov9");
    sm.m.setup_ini("sql2005=1\r\n");
    if (c.arrange) c.arrange(sm);
    sm.out.lines.clear();
    const std::string before = sm.dump();
    const std::size_t log_before = sm.m.log.lines().size();
    const int code = c.answers.empty() ? sm.run({"/answers=answers.ini"}) : sm.unattended(c.answers);
    EXPECT_EQ(code, c.code) << sm.out.all();
    EXPECT_NE(sm.out.all().find(c.reason), std::string::npos) << sm.out.all();
    EXPECT_NE(sm.log().find("server ended, exit code " + std::to_string(c.code)), std::string::npos);
    EXPECT_EQ(sm.host.shown + sm.m.ui.history().size(), 0u) << "no window, no box";
    if (c.changes_nothing) {
      EXPECT_EQ(sm.dump(), before);
      for (std::size_t i = log_before; i < sm.m.log.lines().size(); ++i) {
        const std::string& line = sm.m.log.lines()[i];
        EXPECT_FALSE(line.starts_with("registry write") || line.starts_with("sql:") ||
                     line.starts_with("copy "))
            << line;
      }
      EXPECT_EQ(sm.m.reg.string_value(default_2008.tcp_key() + "\\IPAll", "TcpPort"), "1433");
    }
    for (const char* password : {test::sa_password, "wrong pw", "20000101"}) {
      EXPECT_EQ(sm.log().find(password), std::string::npos) << password << "\n" << sm.log();
    }
  }
}

TEST(Unattended, TheUsageAndARefusedCommandLineShowTheExitCodesInABoxAndOnTheConsole) {
  for (const std::string argument : {"/?", "/answer=store.ini"}) {
    SCOPED_TRACE(argument);
    server_machine sm;
    EXPECT_EQ(sm.run({argument}), argument == "/?" ? 0 : 1);
    ASSERT_EQ(sm.m.ui.messages().size(), 1u);
    for (const std::string& shown : {sm.m.ui.messages()[0], sm.out.all()}) {
      for (const char* text : {"/answers=FILE", "8 the port change failed", "start /wait", "-Wait -PassThru"})
        EXPECT_NE(shown.find(text), std::string::npos) << text;
    }
    EXPECT_EQ(sm.host.shown, 0);
  }
}

}  // namespace
}  // namespace setup
