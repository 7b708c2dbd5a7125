// The end-to-end walks: the real server.exe under wine, walked as a technician walks it, installs a
// database over the wire into the simulated SQL Server that tests/wire/with_sqlsim.sh started for this
// walk (its version, its port, the prefix's drive C:). Each walk is data: the medium and the machine,
// one or more starts of the program with what is typed and answered, and the end state: the server's,
// the registry's, the accessories started, and the log each start leaves. SETUP_WALK names the walk
// this run makes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>
#include <regex>
#include <sstream>

#include "install/install_names.h"
#include "install/password_gate.h"
#include "service/service_names.h"
#include "tests/automation/e2e/wizard_run.h"

namespace setup::automation {
namespace {

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::string today() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  char text[16];
  std::snprintf(text, sizeof text, "%04d%02d%02d", now.wYear, now.wMonth, now.wDay);
  return text;
}

// What the walk's server is: its port, sa's password, the file it dumps its state to.
struct server {
  std::string port = environment("SQLSIM_PORT");
  std::string sa_password = environment("SQLSIM_SA_PASSWORD");
  std::string dump = test::windows_path_of_unix(environment("SQLSIM_DUMP"));
  std::string state() const { return test::read_file(dump); }
};

// A message box of the program: "" as caption stands for the window's title. A failure of the
// install names the log in a last line.
struct box {
  std::string caption;
  std::string text;
  int answer = IDOK;
  bool names_the_log = false;
};

// One start of server.exe, from page 1 to the window closed.
struct start {
  std::string version = "2008";   // page 1's version button
  std::string edition;            // page 1's edition button, when the walk chooses one
  bool move_port = false;         // page 2: move the instance to the server's port first
  bool server_with_port = false;  // the server name typed with the server's port ("127.0.0.1,PORT")
  std::string sa_password;        // empty: the server's
  std::string database;           // typed on page 3; empty: as proposed
  std::string customer = "总店";
  std::string special_password;  // "today": the day's special operation password
  std::vector<box> install;      // every box the install button shows, in order, with its answer
  bool installed = true;         // Next and Back are disabled at the end
  // Page 4's buttons clicked after the install, and the box each shows (none: it starts its program).
  std::vector<std::pair<std::string, std::optional<box>>> accessories;
  std::string log_file;  // given with /log=; empty: the program's own in %TEMP%
  int exit_code = 0;     // of the same start unattended
};

struct walk {
  const char* name;
  std::string setup_ini;
  bool windows_64bit = true;
  std::function<void(wizard_run&, const server&)> machine;
  std::vector<start> starts;
  std::vector<std::string> state;         // lines of the server's state at the end
  std::vector<std::string> state_absent;  // lines it must not hold
  std::string mark_key;                   // the install mark's key in the 32-bit view; empty: none written
  std::string mark_value;                 // name = data of the mark ("qvxlov9=总店")
  std::vector<std::string> started;       // accessory programs, in the order they ran
  std::string discovered;                 // a line each start's log holds on the instance found
};

const test::sql_instance default_2008{"MSSQLSERVER", "MSSQL10.MSSQLSERVER", "2009.100.1600.1"};
const test::sql_instance default_2012{"MSSQLSERVER", "MSSQL11.MSSQLSERVER", "2011.110.2100.60"};
const char* const fixture_2008 = "en_us_unicode_64.dll";
const char* const fixture_2012 = "sql_server_2012_64.dll";
const test::sql_instance default_2019{"MSSQLSERVER", "MSSQL15.MSSQLSERVER", "2019.0150.2000.05"};
const char* const fixture_2019 = "sql_server_2019_64.dll";

std::function<void(wizard_run&, const server&)> instance(test::sql_instance i, const char* fixture,
                                                         bool port_is_the_servers = true) {
  return [i, fixture, port_is_the_servers](wizard_run& run, const server& s) mutable {
    if (port_is_the_servers) i.port = s.port;
    run.sql_instance(i, fixture);
  };
}

std::function<void(wizard_run&, const server&)> sql2000(bool in_32bit_view) {
  return [in_32bit_view](wizard_run& run, const server& s) {
    run.sql2000("MSSQLServer", in_32bit_view, s.port);
  };
}

const std::string done = std::string(install_succeeded_text);
const std::string mark_root = "SOFTWARE\\qrvxSetup\\";

std::string database_line(const std::string& name, const std::string& recovery) {
  return "database '" + name + "' ONLINE recovery " + recovery;
}
std::string login_line(const std::string& name, const std::string& database) {
  return "login '" + name + "' sid 0x53514C53494D2D4C4F47494E00000001 default '" + database +
         "' roles securityadmin serveradmin sysadmin";
}
const std::string simple = "SIMPLE 'trunc. log on chkpt.' on 'select into/bulkcopy' on";

const std::vector<walk>& walks() {
  static const std::vector<walk> all = {
      {"fresh_2008",
       "sql2005=1\r\n",
       true,
       instance(default_2008, fixture_2008),
       {{.install = {{"", done}}, .accessories = {{"cb_5", std::nullopt}, {"cb_4", std::nullopt}}}},
       {database_line("qvxlov9", simple), login_line("qvxlov9", "qvxlov9"),
        "  t_sys_system 'Is_Distributed' '连锁总部' '1' ''",
        "  t_sys_system 'product_flag' 'product_flag' '1' NULL"},
       {},
       mark_root + "qrvxlo\\9.0",
       "qvxlov9=总店",
       {"automess.exe", "auto_up.exe"}},
      {"franchise_headquarters",
       "DataBase=qvxtekprov3\r\nsql2005=1\r\n",
       true,
       instance(default_2008, fixture_2008),
       {{.edition = "rb_jmzb", .install = {{"", done}}, .accessories = {{"pb_wcf", std::nullopt}}}},
       {database_line("qvxtekprov3_join", simple), "  t_sys_system 'Is_Distributed' '加盟总部' '3' ''"},
       {"database 'qvxtekprov3' ONLINE"},
       mark_root + "qrvxtekpro\\3.0",
       "qvxtekprov3_join=总店",
       {"tekprov3_Service.exe"}},
      // No port page, so no port is read: the technician types it with the server's name.
      {"no_port_page",
       "DataBase=urmsv7\r\nsql2005=1\r\n",
       true,
       instance(default_2008, fixture_2008),
       {{.server_with_port = true, .install = {{"", done}}}},
       {database_line("urmsv7", simple)},
       {},
       "",
       "",
       {}},
      {"store_communication_question",
       "DataBase=qvxlov10\r\nlog=qvxlov10\r\nsql2005=1\r\n",
       true,
       instance(default_2008, fixture_2008),
       {{.install = {{"", done}, {std::string(hint_caption), std::string(install_mcs_question), IDYES}}}},
       {database_line("qvxlov10", simple), login_line("qvxlov10", "qvxlov10"),
        "  t_sys_system 'enabled_wcf' 'enabled_wcf' '1' NULL"},
       {},
       mark_root + "qrvxlo\\10.0",
       "qvxlov10=总店",
       {"lo10_Service.exe"}},
      {"reinstall_gate_refused_then_passed",
       "sql2005=1\r\n",
       true,
       instance(default_2008, fixture_2008),
       {{.install = {{"", done}}},
        {.special_password = "20000101",
         .install = {{"", special_password_refusal("qvxlov9"), IDOK, true}},
         .installed = false,
         .exit_code = 5},
        {.special_password = "today",
         .install = {{"", std::string(confirm_drop_before) + "qvxlov9" + std::string(confirm_drop_after),
                      IDYES},
                     {"", done}}}},
       {database_line("qvxlov9", simple)},
       {},
       mark_root + "qrvxlo\\9.0",
       "qvxlov9=总店",
       {}},
      // The instance answers on 1433 until page 2 moves it to the port the server listens on.
      {"port_changed_before_the_install",
       "sql2005=1\r\n",
       true,
       [](wizard_run& run, const server& s) {
         instance(default_2008, fixture_2008, false)(run, s);
         run.sql_servers.add_service_key("MSSQLSERVER", "LocalSystem");
         run.machine.reg.set_string("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\MSSQLSERVER",
                                    "ObjectName", "LocalSystem");
         run.machine.net.listening[static_cast<std::uint16_t>(std::stoi(s.port))] = 0;
       },
       {{.move_port = true, .install = {{"", done}}}},
       {database_line("qvxlov9", simple)},
       {},
       mark_root + "qrvxlo\\9.0",
       "qvxlov9=总店",
       {}},
      // 64-bit Windows: SQL Server 2000 is found under Wow6432Node, the only place it keeps its keys.
      {"sql2000_on_64bit_windows",
       "qvxpre=41833\r\n",
       true,
       sql2000(true),
       {{.version = "2000", .install = {{"", done}}}},
       {"server version 2000 (8.00.2039)", database_line("qvxlov9", simple),
        "  user 'qvxlov9' 0x53514C53494D2D4C4F47494E00000001"},
       {},
       mark_root + "qrvxlo\\9.0",
       "qvxlov9=总店",
       {}},
      {"sql2000_on_32bit_windows",
       "qvxpre=41833\r\n",
       false,
       sql2000(false),
       {{.version = "2000", .install = {{"", done}}}},
       {database_line("qvxlov9", simple), "  user 'qvxlov9' 0x53514C53494D2D4C4F47494E00000001"},
       {},
       mark_root + "qrvxlo\\9.0",
       "qvxlov9=总店",
       {}},
      {"sql2012_on_64bit_windows",
       "qvxpredb=41836\r\n",
       true,
       instance(default_2012, fixture_2012),
       {{.version = "2012", .install = {{"", done}}}},
       {"server version 2012 (11.00.5058)", database_line("qvxlov9", "BULK_LOGGED"),
        "  file data 'qvxlov9_2012_Data' '" + default_2012.folder() + "\\Data\\qvxlov9_Data.MDF'"},
       {},
       mark_root + "qrvxlo\\9.0",
       "qvxlov9=总店",
       {}},
      // Today's servers: the machine's only SQL Server is a 2019 one, installed through the 2012 choice.
      {"sql2019_through_the_2012_choice",
       "qvxpredb=41836\r\n",
       true,
       instance(default_2019, fixture_2019),
       {{.version = "2012", .install = {{"", done}}}},
       {"server version 2019 (15.00.2000)", database_line("qvxlov9", "BULK_LOGGED"),
        "  file data 'qvxlov9_2012_Data' '" + default_2019.folder() + "\\Data\\qvxlov9_Data.MDF'"},
       {},
       mark_root + "qrvxlo\\9.0",
       "qvxlov9=总店",
       {},
       "discovery: instance MSSQLSERVER in " + default_2019.folder() +
           ": SQL Server 2019, installed as SQL Server 2012"},
      {"sql2012_on_32bit_windows",
       "qvxpredb=41836\r\n",
       false,
       instance(default_2012, fixture_2012),
       {{.version = "2012", .install = {{"", done}}}},
       {database_line("qvxlov9", "BULK_LOGGED")},
       {},
       mark_root + "qrvxlo\\9.0",
       "qvxlov9=总店",
       {}},
      {"sql2008_on_32bit_windows",
       "sql2005=1\r\n",
       false,
       instance(default_2008, fixture_2008),
       {{.install = {{"", done}}}},
       {database_line("qvxlov9", simple)},
       {},
       mark_root + "qrvxlo\\9.0",
       "qvxlov9=总店",
       {}},
      // The restore of a reinstall fails after the drop (the server fails it on purpose): the old
      // database is put back from its safety backup, with the customer's rows.
      {"reinstall_fails_after_the_drop",
       "sql2005=1\r\n",
       true,
       instance(default_2008, fixture_2008),
       {{.install = {{"", done}}},
        {.special_password = "today",
         .install = {{"", std::string(confirm_drop_before) + "qvxlov9" + std::string(confirm_drop_after),
                      IDYES},
                     {"",
                      std::string(install_failed_before) + "1105" + std::string(install_failed_after) +
                          "Error 1105 injected by sqlsim.\n原数据库已备份到[" + default_2008.folder() +
                          "\\Data\\qvxlov9_before_setup_*.bak]" + std::string(put_back_note),
                      IDOK, true}},
         .installed = false,
         .exit_code = 7}},
       {"database 'qvxlov9' ONLINE recovery SIMPLE", "  t_sys_system 'Is_Distributed' '连锁总部' '1' ''"},
       {},
       mark_root + "qrvxlo\\9.0",
       "qvxlov9=总店",
       {}},
      {"wrong_sa_password",
       "sql2005=1\r\n",
       true,
       instance(default_2008, fixture_2008),
       {{.sa_password = "not the password",
         .install = {{"", std::string(cannot_connect_text) + "Login failed for user 'sa'.", IDOK, true}},
         .installed = false,
         .log_file = "C:\\walk logs\\wrong sa password.log",
         .exit_code = 4}},
       {},
       {"database 'qvxlov9'", "login 'qvxlov9'"},
       "",
       "",
       {}},
  };
  return all;
}

// The medium: the profile, the product's backup in the server's format, the client libraries and the
// accessory programs (each a recorder of its own start).
void lay_out_medium(wizard_run& run, const walk& w) {
  run.setup_ini(w.setup_ini);
  for (const char* name : {"qvxlov9", "qvxlov9_2012", "qvxtekprov3", "urmsv7", "qvxlov10"}) {
    CopyFileW(win32::wide(std::string("C:\\setup_backups\\") + name).c_str(),
              win32::wide(run.medium / name).c_str(), FALSE);
  }
  for (const std::string_view library : client_libraries) run.medium_file(library, "a client library");
  for (const std::string_view program : {information_system_program, auto_upgrade_program,
                                         data_transfer_program_qvxtekprov3, data_transfer_program_qvxlov10}) {
    CopyFileW(win32::wide(built_program("accessory_recorder.exe")).c_str(),
              win32::wide(run.medium / program).c_str(), FALSE);
  }
}

ui::control* control_named(w_server& m, const std::string& name) {
  for (ui::control* c : m.controls()) {
    if (c->name() == name) return c;
  }
  ADD_FAILURE() << "no control " << name;
  return nullptr;
}

// Pages 1 to 4 on the real window and the model alike.
void walk_to_page_4(wizard_run& run, const start& s, const server& srv) {
  w_server& m = *run.model;
  ui::control& version = *control_named(m, "rb_sql" + s.version);
  if (!version.checked()) {
    ASSERT_TRUE(run.click(version));
  }
  if (!s.edition.empty()) {
    ASSERT_TRUE(run.click(*control_named(m, s.edition)));
  }
  ASSERT_TRUE(run.click(m.cb_next));
  if (m.tab_1.selectedtab() == 2) {
    if (s.move_port) {
      ASSERT_TRUE(run.type(m.sle_port, srv.port));
      m.click(m.cb_6);
      run.real(m.cb_6).click();
      // The port verified, the firewall is left as it is (the model's default answer).
      message_box question;
      ASSERT_TRUE(run.app.wait_for_message_box(question, std::chrono::seconds(120)));
      ASSERT_EQ(question.message(), firewall_question(srv.port));
      ASSERT_TRUE(question.press(IDNO));
      ASSERT_TRUE(wait_until([&] { return run.real(m.st_disc).text() == service_names::port_configured; },
                             "the port moved", std::chrono::seconds(120)));
      ASSERT_TRUE(run.shows_the_model());
    }
    ASSERT_TRUE(run.click(m.cb_next));
  }
  ASSERT_EQ(m.tab_1.selectedtab(), 3);
  // sqlsim listens on the loopback address, which is not the computer's.
  ASSERT_TRUE(run.type(m.sle_servername, s.server_with_port ? "127.0.0.1," + srv.port : "127.0.0.1"));
  ASSERT_TRUE(run.type(m.sle_pass, s.sa_password.empty() ? srv.sa_password : s.sa_password));
  if (!s.database.empty()) {
    ASSERT_TRUE(run.type(m.sle_dbname, s.database));
  }
  if (m.sle_custname.visible()) {
    ASSERT_TRUE(run.type(m.sle_custname, s.customer));
  }
  if (!s.special_password.empty()) {
    ASSERT_TRUE(run.type(m.sle_pass1, s.special_password == "today" ? today() : s.special_password));
  }
  ASSERT_TRUE(run.click(m.cb_next));
  ASSERT_EQ(m.tab_1.selectedtab(), 4);
}

// The text of a box, where a "*" of the expected one stands for any run of characters (a time).
bool matches(const std::string& shown, const std::string& expected) {
  const std::size_t star = expected.find('*');
  if (star == std::string::npos) return shown == expected;
  const std::string after = expected.substr(star + 1);
  return shown.size() >= expected.size() - 1 && shown.starts_with(expected.substr(0, star)) &&
         shown.ends_with(after);
}

// Clicks a button of the real window (the model goes no further: it has no server) and answers the
// boxes it shows, one after another.
testing::AssertionResult answer_boxes(wizard_run& run, ui::control& button, const std::vector<box>& boxes,
                                      const std::string& log = "") {
  run.real(button).click();
  for (box b : boxes) {
    if (b.names_the_log) b.text += "\n安装日志：[" + log + "]";
    message_box shown;
    if (testing::AssertionResult there = run.app.wait_for_message_box(shown, std::chrono::seconds(60));
        !there) {
      return there << " (expecting \"" << b.text << "\")";
    }
    const std::string caption = b.caption.empty() ? run.model->state.is_apptitle : b.caption;
    if (shown.caption() != caption || !matches(shown.message(), b.text)) {
      const testing::AssertionResult differs =
          testing::AssertionFailure() << "the box \"" << shown.caption() << "\": \"" << shown.message()
                                      << "\", not \"" << caption << "\": \"" << b.text << "\"";
      shown.press(b.answer);
      return differs;
    }
    if (!shown.press(b.answer)) return testing::AssertionFailure() << "no button " << b.answer;
    wait_until([&] { return !IsWindow(shown.hwnd()); }, "the box gone");
  }
  return testing::AssertionSuccess();
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line.substr(0, line.find_last_not_of('\r') + 1));
  return lines;
}

bool holds_line_starting(const std::string& state, const std::string& line) {
  for (const std::string& l : lines_of(state)) {
    if (l.rfind(line, 0) == 0) return true;
  }
  return false;
}

std::string temporary_folder() {
  wchar_t buffer[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
  std::string folder = win32::narrow(std::wstring_view(buffer, length));
  if (!folder.empty() && folder.back() == '\\') folder.pop_back();
  return folder;
}

// The logs the program leaves in the temporary folder of the prefix's user (this test's too).
std::vector<std::string> own_logs() {
  std::vector<std::string> found;
  const std::string folder = temporary_folder();
  WIN32_FIND_DATAW data{};
  const HANDLE search = FindFirstFileW(win32::wide(folder + "\\server_setup_*.log").c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return found;
  do {
    found.push_back(folder + "\\" + win32::narrow(data.cFileName));
  } while (FindNextFileW(search, &data));
  FindClose(search);
  return found;
}

// What one start's log must tell, in this order.
std::vector<std::string> events_of(const walk& w, const start& s, const server& srv) {
  std::vector<std::string> events = {"server.exe 1.0.0.0 started", "machine: Windows ", "profile: product "};
  if (!w.discovered.empty()) events.push_back(w.discovered);
  events.push_back("discovery: SQL Server " + s.version);
  if (s.move_port) {
    events.insert(events.end(),
                  {"registry write ", "run net stop ", "port check: 127.0.0.1:" + srv.port + " answers"});
  }
  events.push_back("install: SQL Server " + s.version);
  events.push_back("connect to server ");
  if (s.installed) {
    events.push_back("sql: RESTORE DATABASE ");
    if (!w.mark_key.empty()) events.push_back("registry write 32-bit view HKEY_LOCAL_MACHINE\\" + w.mark_key);
    events.push_back("install ended: database ");
  } else {
    events.push_back("install ended without a new database: ");
  }
  events.push_back("安装日志：(this log)");
  for (const auto& [button, shown] : s.accessories) {
    if (!shown) events.push_back("start \"");
  }
  events.push_back("server ended");
  return events;
}

// The log: UTF-8 with its byte order mark, each line time-stamped, the events in order, no password.
void check_log(const std::string& path, const std::vector<std::string>& events,
               const std::vector<std::string>& passwords) {
  const std::string text = test::read_file(path);
  ASSERT_TRUE(text.starts_with("\xEF\xBB\xBF")) << path;
  const std::regex stamped(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}  \S.*)");
  for (const std::string& line : lines_of(text.substr(3))) {
    EXPECT_TRUE(std::regex_match(line, stamped)) << line;
  }
  std::size_t at = 0;
  for (const std::string& event : events) {
    const std::size_t found = text.find(event, at);
    EXPECT_NE(found, std::string::npos) << "\"" << event << "\" after offset " << at << " of " << path << "\n"
                                        << text;
    if (found != std::string::npos) at = found + event.size();
  }
  for (const std::string& password : passwords) {
    if (!password.empty()) {
      EXPECT_EQ(text.find(password), std::string::npos) << password << " in " << path;
    }
  }
}

// The server's state, the install mark and the accessories started, as the walk says. The programs
// record themselves as they start, so two started a moment apart may record in either order: the
// order is the log's (started_in_log), the record shows that each ran.
void check_end_state(const walk& w, const server& srv, wizard_run& run) {
  const std::string state = srv.state();
  for (const std::string& line : w.state) {
    EXPECT_TRUE(holds_line_starting(state, line)) << line << "\n" << state;
  }
  for (const std::string& line : w.state_absent) {
    EXPECT_FALSE(holds_line_starting(state, line)) << line;
  }
  const std::size_t equals = w.mark_value.find('=');
  if (!w.mark_key.empty()) {
    EXPECT_EQ(test::machine_string(KEY_WOW64_32KEY, w.mark_key, w.mark_value.substr(0, equals)),
              w.mark_value.substr(equals + 1));
  }
  std::vector<std::string> started = lines_of(test::read_file(run.medium / "started.txt"));
  std::vector<std::string> expected = w.started;
  std::sort(started.begin(), started.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(started, expected);
}

// The programs a log says were started, by file name, in its order.
std::vector<std::string> started_in_log(const std::string& path) {
  std::vector<std::string> names;
  for (const std::string& line : lines_of(test::read_file(path))) {
    const std::size_t start = line.find("  start \"");
    if (start == std::string::npos || !line.ends_with("\": started")) continue;
    const std::string program = line.substr(0, line.size() - std::string("\": started").size());
    names.push_back(program.substr(program.rfind('\\') + 1));
  }
  return names;
}

// The walk of that name; null when there is none.
// Before a start: no log of an earlier start in the temporary folder, nor at the start's own path.
void remove_old_logs(const start& s) {
  for (const std::string& old : own_logs()) DeleteFileW(win32::wide(old).c_str());
  if (!s.log_file.empty()) {
    CreateDirectoryW(win32::wide(s.log_file.substr(0, s.log_file.rfind('\\'))).c_str(), nullptr);
    DeleteFileW(win32::wide(s.log_file).c_str());
  }
}

const walk* find_walk(const std::string& name) {
  for (const walk& candidate : walks()) {
    if (candidate.name == name) return &candidate;
  }
  return nullptr;
}

// The variable the unattended starts name for sa's password, so that no answer file holds it.
constexpr const char* sa_password_variable = "WALK_SA_PASSWORD";

// One start of the walk as an answer file: the same choices, entries and answers, in GBK as a
// technician's Notepad on a Chinese Windows saves it.
std::string answers_of(const start& s, const server& srv, const w_server& model) {
  std::string a = "[install]\r\nsql_version=" + s.version + "\r\n";
  if (!s.edition.empty()) a += "edition=" + s.edition.substr(std::string("rb_").size()) + "\r\n";
  a += "server=" + std::string(s.server_with_port ? "127.0.0.1," + srv.port : "127.0.0.1") + "\r\n";
  // The wrong password stands in the file; the right one comes from the environment.
  a += s.sa_password.empty() ? std::string("sa_password_env=") + sa_password_variable + "\r\n"
                             : "sa_password=" + s.sa_password + "\r\n";
  if (!s.database.empty()) a += "database=" + s.database + "\r\n";
  if (model.sle_custname.visible()) a += "customer=" + s.customer + "\r\n";
  if (!s.special_password.empty())
    a += "special_password=" + (s.special_password == "today" ? today() : s.special_password) + "\r\n";
  std::string accessories;
  for (const box& b : s.install) {
    if (b.text.starts_with(confirm_drop_before) && b.answer == IDYES) a += "replace_existing=yes\r\n";
    if (b.text == install_mcs_question && b.answer == IDYES) accessories += "wcf,";
  }
  if (s.move_port) a += "new_port=" + srv.port + "\r\n";
  for (const auto& [button, shown] : s.accessories) {
    accessories += button == "pb_wcf" ? "wcf," : button == "cb_5" ? "automess," : "auto_up,";
  }
  if (!accessories.empty()) a += "start_accessories=" + accessories + "\r\n";
  return in_code_page(a, 936);
}

TEST(Walk, UnattendedInstallsAsTheWalkSays) {
  const server srv;
  ASSERT_FALSE(srv.port.empty()) << "run under tests/wire/with_sqlsim.sh";
  const walk* w = find_walk(environment("SETUP_WALK"));
  ASSERT_NE(w, nullptr) << "no walk named \"" << environment("SETUP_WALK") << "\"";

  wizard_run run(w->windows_64bit);
  lay_out_medium(run, *w);
  w->machine(run, srv);
  ASSERT_TRUE(run.medium.ready());
  // The window model on the same profile tells what the pages offer and the product login.
  run.model = run.machine.open_window();
  std::vector<std::string> started;
  for (std::size_t i = 0; i < w->starts.size(); ++i) {
    SCOPED_TRACE("start " + std::to_string(i + 1));
    const start& s = w->starts[i];
    remove_old_logs(s);
    ASSERT_TRUE(run.medium.write("answers.ini", answers_of(s, srv, *run.model)));
    program::options how =
        run.medium.start_options({run.browser.environment(), {sa_password_variable, srv.sa_password}});
    how.arguments = "/answers=answers.ini" + (s.log_file.empty() ? "" : " \"/log=" + s.log_file + "\"");
    ASSERT_TRUE(run.app.start(how));
    // No window and no box: the program ends by itself.
    ASSERT_TRUE(run.app.wait_for_exit(std::chrono::seconds(300)));
    EXPECT_EQ(run.app.exit_code(), static_cast<DWORD>(s.exit_code));
    EXPECT_TRUE(run.app.wait_for_all_to_end());
    const std::vector<std::string> logs = own_logs();
    ASSERT_EQ(logs.size(), s.log_file.empty() ? 1u : 0u) << "the program's own log, unless one is given";
    std::vector<std::string> events = events_of(*w, s, srv);
    events.insert(events.end() - 1, "unattended install ended: exit code " + std::to_string(s.exit_code));
    const std::string log = s.log_file.empty() ? logs.front() : s.log_file;
    for (const std::string& name : started_in_log(log)) started.push_back(name);
    check_log(log, events,
              {srv.sa_password, s.sa_password, run.model->state.gs_logpass, std::string(maintenance_password),
               s.special_password == "today" ? std::string() : s.special_password});
  }
  EXPECT_EQ(started, w->started);
  check_end_state(*w, srv, run);
}

TEST(Walk, TheRealProgramInstallsAsTheWalkSays) {
  const std::string name = environment("SETUP_WALK");
  const server srv;
  ASSERT_FALSE(srv.port.empty()) << "run under tests/wire/with_sqlsim.sh";
  const walk* w = find_walk(name);
  ASSERT_NE(w, nullptr) << "no walk named \"" << name << "\"";

  wizard_run run(w->windows_64bit);
  lay_out_medium(run, *w);
  w->machine(run, srv);
  std::vector<std::string> started;
  for (std::size_t i = 0; i < w->starts.size(); ++i) {
    SCOPED_TRACE("start " + std::to_string(i + 1));
    const start& s = w->starts[i];
    remove_old_logs(s);
    ASSERT_TRUE(run.open(s.log_file.empty() ? "" : "\"/log=" + s.log_file + "\""));
    const std::vector<std::string> logs = own_logs();
    ASSERT_EQ(logs.size(), s.log_file.empty() ? 1u : 0u) << "the program's own log, unless one is given";
    const std::string log = s.log_file.empty() ? logs.front() : s.log_file;
    walk_to_page_4(run, s, srv);
    if (HasFatalFailure()) return;
    w_server& m = *run.model;
    ASSERT_TRUE(answer_boxes(run, m.cb_2, s.install, log));
    // A successful install leaves only the page's buttons; after a failure the operator may go back.
    EXPECT_TRUE(wait_until([&] { return run.real(m.cb_prev).enabled() != s.installed; }, "the walk's end"));
    EXPECT_FALSE(run.real(m.cb_next).enabled());
    for (const auto& [button, shown] : s.accessories) {
      EXPECT_TRUE(answer_boxes(run, *control_named(m, button),
                               shown ? std::vector<box>{*shown} : std::vector<box>{}));
    }
    run.real(m.cb_1).click();
    ASSERT_TRUE(run.app.wait_for_exit());
    // The accessory programs it started have done their work too.
    EXPECT_TRUE(run.app.wait_for_all_to_end());
    // Today's date, the special password that passes the gate, stands in the log's own name.
    for (const std::string& name : started_in_log(log)) started.push_back(name);
    check_log(log, events_of(*w, s, srv),
              {srv.sa_password, s.sa_password, m.state.gs_logpass, std::string(maintenance_password),
               s.special_password == "today" ? std::string() : s.special_password});
  }

  EXPECT_EQ(started, w->started);
  check_end_state(*w, srv, run);
}

}  // namespace
}  // namespace setup::automation

namespace setup::automation {
namespace {

// What the automation saw of the real window every 200 ms while a long step ran.
struct watched {
  std::vector<double> answer_ms;         // the time the window took to answer a message
  std::vector<double> posted_ms;         // ... to handle a posted one
  int unanswered = 0;                    // ... or did not answer within 100 ms
  int hung = 0;                          // the system took it for one that hangs
  std::vector<std::string> label_texts;  // each text the label showed, in order
};

// The time until the window's thread has handled a message posted to `button` (the button's pushed
// look, set and taken back), in milliseconds; negative when it was not handled within a second.
double posted_answer_ms(HWND button) {
  const auto before = std::chrono::steady_clock::now();
  const auto elapsed = [&] {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - before).count();
  };
  PostMessageW(button, BM_SETSTATE, TRUE, 0);
  for (DWORD_PTR state = 0; (state & BST_PUSHED) == 0;) {
    if (SendMessageTimeoutW(button, BM_GETSTATE, 0, 0, SMTO_ABORTIFHUNG, 1000, &state) == 0 ||
        elapsed() > 1000) {
      return -1;
    }
  }
  const double answered = elapsed();
  PostMessageW(button, BM_SETSTATE, FALSE, 0);
  return answered;
}

// Watches the window until `done` holds or a message box appears (`box`): that it answers WM_NULL within
// 100 ms, that the system does not take it for hung, and the texts of `label`. `busy` runs once, after
// the first change of the label.
testing::AssertionResult watch_until(wizard_run& run, const ui::control& label,
                                     const std::function<bool()>& done, const std::function<void()>& busy,
                                     watched& seen, message_box& box) {
  const HWND main = run.app.main_window().hwnd();
  bool busy_done = false;
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(180);
  while (!done()) {
    if (run.app.wait_for_message_box(box, std::chrono::milliseconds(1))) break;
    if (std::chrono::steady_clock::now() > until) {
      return testing::AssertionFailure()
             << "the step did not end; the label showed " << testing::PrintToString(seen.label_texts);
    }
    const auto before = std::chrono::steady_clock::now();
    DWORD_PTR result = 0;
    if (SendMessageTimeoutW(main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 100, &result) == 0) {
      ++seen.unanswered;
    } else {
      seen.answer_ms.push_back(
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - before).count());
    }
    if (IsHungAppWindow(main)) ++seen.hung;
    if (const double posted = posted_answer_ms(run.real(run.model->cb_1).hwnd()); posted < 0) {
      ++seen.unanswered;
    } else {
      seen.posted_ms.push_back(posted);
    }
    const std::string text = run.real(label).text();
    if (seen.label_texts.empty() || seen.label_texts.back() != text) {
      seen.label_texts.push_back(text);
      if (seen.label_texts.size() > 1 && !busy_done && busy) {
        busy_done = true;
        busy();
      }
    }
    Sleep(200);
  }
  return testing::AssertionSuccess();
}

double percentile(std::vector<double> values, double share) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, static_cast<std::size_t>(share * values.size()))];
}

// The numbers a label's texts end with ("装入业务数据库... 40%": 40), of the texts starting with `stage`.
std::vector<int> numbers_after(const std::vector<std::string>& texts, const std::string& stage) {
  std::vector<int> numbers;
  for (const std::string& t : texts) {
    if (t.rfind(stage, 0) != 0) continue;
    const std::size_t digits = t.find_first_of("0123456789", stage.size());
    if (digits != std::string::npos) numbers.push_back(std::atoi(t.c_str() + digits));
  }
  return numbers;
}

void expect_answering(const watched& seen, const std::string& step) {
  EXPECT_EQ(seen.unanswered, 0)
      << "times the window did not answer (within 100 ms, a posted message within 1 s) during " << step;
  EXPECT_EQ(seen.hung, 0) << "times the system took the window for hung during " << step;
  EXPECT_GT(seen.answer_ms.size(), 10u) << step;
  std::printf(
      "window's answer during %s: %zu sent messages, median %.2f ms, 99th percentile %.2f ms; %zu posted, "
      "median %.2f ms, 99th percentile %.2f ms\n",
      step.c_str(), seen.answer_ms.size(), percentile(seen.answer_ms, 0.5), percentile(seen.answer_ms, 0.99),
      seen.posted_ms.size(), percentile(seen.posted_ms, 0.5), percentile(seen.posted_ms, 0.99));
}

// Presses the install button (or the port button) and the close box while the step runs.
void press_again_and_close(wizard_run& run, const ui::control& button) {
  run.real(button).click();
  PostMessageW(run.app.main_window().hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
}

// A restore that takes ten seconds: the window answers throughout, st_dis shows the restore's
// percentages as the server reports them, and neither the install button nor the close box does
// anything meanwhile: one database is restored, once, and the window ends only when asked.
TEST(Responsive, TheWindowAnswersWhileTheRestoreRuns_install) {
  const server srv;
  ASSERT_FALSE(srv.port.empty()) << "run under tests/wire/with_sqlsim.sh --slow-restore";
  const walk& w = *find_walk("fresh_2008");
  remove_old_logs(w.starts.front());
  wizard_run run(w.windows_64bit);
  lay_out_medium(run, w);
  w.machine(run, srv);
  const start& s = w.starts.front();
  ASSERT_TRUE(run.open());
  walk_to_page_4(run, s, srv);
  if (HasFatalFailure()) return;
  w_server& m = *run.model;
  run.real(m.cb_2).click();
  watched seen;
  message_box shown;
  ASSERT_TRUE(watch_until(
      run, m.st_dis, [] { return false; }, [&] { press_again_and_close(run, m.cb_2); }, seen, shown));
  EXPECT_EQ(shown.message(), std::string(install_succeeded_text));
  shown.press(IDOK);
  expect_answering(seen, "a restore of ten seconds");

  const std::vector<int> percents = numbers_after(seen.label_texts, "装入业务数据库... ");
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end())) << testing::PrintToString(percents);
  EXPECT_GE(percents.size(), 5u) << testing::PrintToString(seen.label_texts);
  // 100% stands only for the moment the restore takes to end; 90% stood for a second.
  EXPECT_GE(percents.empty() ? 0 : percents.back(), 90);
  EXPECT_NE(std::find(seen.label_texts.begin(), seen.label_texts.end(), "正在处理，请等待当前操作完成。"),
            seen.label_texts.end())
      << "the close box pressed during the install";

  EXPECT_TRUE(wait_until([&] { return !run.real(m.cb_prev).enabled(); }, "the install's end"));
  ASSERT_TRUE(run.app.running()) << "the close box ended the program";
  run.real(m.cb_1).click();
  ASSERT_TRUE(run.app.wait_for_exit());
  const std::vector<std::string> logs = own_logs();
  ASSERT_EQ(logs.size(), 1u);
  const std::string log = test::read_file(logs.front());
  std::size_t restores = 0;
  for (std::size_t at = log.find("sql: RESTORE DATABASE"); at != std::string::npos;
       at = log.find("sql: RESTORE DATABASE", at + 1)) {
    ++restores;
  }
  EXPECT_EQ(restores, 1u) << log;
  EXPECT_TRUE(holds_line_starting(srv.state(), database_line("qvxlov9", simple)));
}

// Wine's net.exe replaced by one whose commands take two seconds, for as long as a test runs.
class slow_net_commands {
 public:
  slow_net_commands() {
    wchar_t folder[MAX_PATH] = {};
    GetSystemDirectoryW(folder, MAX_PATH);
    net_ = std::wstring(folder) + L"\\net.exe";
    kept_ = net_ + L".kept";
    DeleteFileW(commands_);
    installed_ = CopyFileW(net_.c_str(), kept_.c_str(), FALSE) &&
                 CopyFileW(win32::wide(built_program("net_recorder.exe")).c_str(), net_.c_str(), FALSE);
  }
  ~slow_net_commands() {
    if (CopyFileW(kept_.c_str(), net_.c_str(), FALSE)) DeleteFileW(kept_.c_str());
  }
  slow_net_commands(const slow_net_commands&) = delete;
  slow_net_commands& operator=(const slow_net_commands&) = delete;

  bool installed() const { return installed_; }
  std::vector<std::string> commands() const { return lines_of(test::read_file("C:\\net_commands.txt")); }

 private:
  static constexpr const wchar_t* commands_ = L"C:\\net_commands.txt";
  std::wstring net_;
  std::wstring kept_;
  bool installed_ = false;
};

// The port change with net commands of two seconds each: the window answers throughout, st_disc counts
// the seconds down, and neither the port button nor the close box does anything meanwhile: the
// service is restarted once.
TEST(Responsive, TheWindowAnswersWhileThePortMoves_port_change) {
  const server srv;
  ASSERT_FALSE(srv.port.empty()) << "run under tests/wire/with_sqlsim.sh";
  slow_net_commands net;
  ASSERT_TRUE(net.installed());
  const walk& w = *find_walk("port_changed_before_the_install");
  wizard_run run(w.windows_64bit);
  lay_out_medium(run, w);
  w.machine(run, srv);
  ASSERT_TRUE(run.open());
  w_server& m = *run.model;
  ASSERT_TRUE(run.click(m.rb_sql2008));
  ASSERT_TRUE(run.click(m.cb_next));
  ASSERT_EQ(m.tab_1.selectedtab(), 2);
  ASSERT_TRUE(run.type(m.sle_port, srv.port));
  run.real(m.cb_6).click();
  watched seen;
  message_box shown;
  // The change ends with the firewall's question.
  ASSERT_TRUE(watch_until(
      run, m.st_disc, [] { return false; }, [&] { press_again_and_close(run, m.cb_6); }, seen, shown));
  EXPECT_EQ(shown.message(), firewall_question(srv.port));
  shown.press(IDNO);
  EXPECT_EQ(run.real(m.st_disc).text(), service_names::port_configured);
  expect_answering(seen, "a port change");

  const std::vector<int> seconds =
      numbers_after(seen.label_texts, std::string(service_names::restarting_server));
  EXPECT_TRUE(std::is_sorted(seconds.rbegin(), seconds.rend())) << testing::PrintToString(seconds);
  EXPECT_GE(seconds.size(), 10u) << testing::PrintToString(seen.label_texts);
  const std::vector<std::string> expected = {"net stop \"MSSQLSERVER\" /y", "net stop SQLBrowser /y",
                                             "net start \"MSSQLSERVER\" /y", "net start SQLBrowser /y"};
  EXPECT_EQ(net.commands(), expected);
  ASSERT_TRUE(run.app.running()) << "the close box ended the program";
  EXPECT_TRUE(run.real(m.cb_next).enabled());
  PostMessageW(run.app.main_window().hwnd(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(run.app.wait_for_exit());
}

}  // namespace
}  // namespace setup::automation
