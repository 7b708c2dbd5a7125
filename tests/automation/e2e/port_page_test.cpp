// Page 2 of the real window: the instance's current port shown, a wrong entry refused, and the port
// changed in the prefix's registry with the service restarted (wine's net refuses the commands; the
// program goes on) and the new port answering.
#include <gtest/gtest.h>

#include "service/service_names.h"
#include "tests/automation/e2e/wizard_run.h"

namespace setup::automation {
namespace {

const test::sql_instance default_2008{"MSSQLSERVER", "MSSQL10.MSSQLSERVER", "2009.100.1600.1"};

// 修改端口 with the port typed: 2 s before the writes, then the net commands with their waits; a verified
// port ends with the firewall's question, answered No as the model's default.
testing::AssertionResult move_port(wizard_run& run, const std::string& port) {
  w_server& m = *run.model;
  m.click(m.cb_6);
  run.real(m.cb_6).click();
  message_box question;
  if (testing::AssertionResult asked = run.app.wait_for_message_box(question, std::chrono::seconds(90));
      !asked)
    return asked;
  if (question.message() != firewall_question(port)) {
    question.press(IDNO);
    return testing::AssertionFailure() << "the box: " << question.message();
  }
  if (!question.press(IDNO)) return testing::AssertionFailure() << "no No button";
  if (!wait_until([&] { return run.real(m.st_disc).text() == service_names::port_configured; },
                  "the port configured", std::chrono::seconds(30))) {
    return testing::AssertionFailure() << "the port not configured";
  }
  return run.shows_the_model();
}

TEST(PortPage, TheRealWindowMovesTheInstanceToAnotherPort) {
  wizard_run run;
  run.setup_ini("sql2005=1\r\n");
  run.sql_instance(default_2008, "en_us_unicode_64.dll");
  // The service logs on as the local system: the restart is four commands.
  run.sql_servers.add_service_key("MSSQLSERVER", "LocalSystem");
  run.machine.reg.set_string("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\MSSQLSERVER",
                             "ObjectName", "LocalSystem");
  test::loopback_listener new_port;  // what the restarted server would do
  ASSERT_NE(new_port.port(), 0);
  run.machine.net.listening[new_port.port()] = 0;

  ASSERT_TRUE(run.open());
  w_server& m = *run.model;
  ASSERT_TRUE(run.click(m.rb_sql2008));
  ASSERT_TRUE(run.click(m.cb_next));
  ASSERT_EQ(m.tab_1.selectedtab(), 2);
  EXPECT_EQ(run.real(m.sle_old_port).text(), "1433");

  ASSERT_TRUE(run.type(m.sle_port, "14a3"));
  ASSERT_TRUE(
      run.click_answering(m.cb_6, m.state.is_apptitle, service_names::port_must_be_four_digits, IDOK));

  const std::string port = std::to_string(new_port.port());
  ASSERT_TRUE(run.type(m.sle_port, " " + port + " "));
  ASSERT_TRUE(move_port(run, port));
  EXPECT_EQ(run.real(m.sle_old_port).text(), port);
  const std::string ipall =
      "SOFTWARE\\Microsoft\\Microsoft SQL "
      "Server\\MSSQL10.MSSQLSERVER\\MSSQLServer\\SuperSocketNetLib\\Tcp\\IPAll";
  EXPECT_EQ(test::machine_string(KEY_WOW64_64KEY, ipall, "TcpPort"), port);
  EXPECT_EQ(test::machine_string(KEY_WOW64_64KEY, ipall, "TcpDynamicPorts"), "");
  EXPECT_EQ(test::machine_string(KEY_WOW64_32KEY, ipall, "TcpPort"), std::nullopt);

  // The port now shown is the one the next click starts from: nothing to change.
  ASSERT_TRUE(run.click(m.cb_6));
  EXPECT_EQ(run.real(m.st_disc).text(), service_names::port_configured);
}

// SQL Server 2022 Express as its setup leaves it: TCP/IP disabled, a dynamic port. The real window
// says both, and moves it to a fixed port with TCP/IP on.
TEST(PortPage, TheRealWindowTurnsTcpIpOnAtAFixedPortOfAnExpressInstance) {
  wizard_run run;
  run.setup_ini("qvxpredb=41836\r\n");
  test::sql_instance express{"SQLEXPRESS", "MSSQL16.SQLEXPRESS", "2022.0160.1000.6"};
  express.port = "";
  run.sql_instance(express, "sql_server_2022_64.dll");
  const std::string tcp =
      "SOFTWARE\\Microsoft\\Microsoft SQL Server\\MSSQL16.SQLEXPRESS\\MSSQLServer\\"
      "SuperSocketNetLib\\Tcp";
  ASSERT_TRUE(test::set_machine_string(KEY_WOW64_64KEY, tcp + "\\IPAll", "TcpDynamicPorts", "49172"));
  run.machine.reg.set_string("HKEY_LOCAL_MACHINE\\" + tcp + "\\IPAll", "TcpDynamicPorts", "49172");
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, win32::wide(tcp).c_str(), 0, nullptr, 0,
                            KEY_SET_VALUE | KEY_QUERY_VALUE | KEY_WOW64_64KEY, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  DWORD enabled = 0;
  ASSERT_EQ(
      RegSetValueExW(key, L"Enabled", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&enabled), sizeof enabled),
      ERROR_SUCCESS);
  run.machine.reg.set_dword("HKEY_LOCAL_MACHINE\\" + tcp, "Enabled", 0);
  run.sql_servers.add_service_key("MSSQL$SQLEXPRESS", "LocalSystem");
  run.machine.reg.set_string("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\MSSQL$SQLEXPRESS",
                             "ObjectName", "LocalSystem");
  test::loopback_listener new_port;
  ASSERT_NE(new_port.port(), 0);
  run.machine.net.listening[new_port.port()] = 0;
  ASSERT_TRUE(run.open());
  w_server& m = *run.model;
  ASSERT_TRUE(run.click(m.rb_sql2012));
  ASSERT_TRUE(run.click(m.cb_next));
  ASSERT_EQ(m.tab_1.selectedtab(), 2);
  EXPECT_EQ(run.real(m.sle_old_port).text(), "49172");
  EXPECT_EQ(run.real(m.st_disc).text(), std::string(service_names::tcp_disabled) +
                                            std::string(service_names::dynamic_port_before) + "49172" +
                                            std::string(service_names::dynamic_port_after));

  const std::string port = std::to_string(new_port.port());
  ASSERT_TRUE(run.type(m.sle_port, port));
  ASSERT_TRUE(move_port(run, port));
  DWORD value = 7;
  DWORD size = sizeof value;
  EXPECT_EQ(RegQueryValueExW(key, L"Enabled", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size),
            ERROR_SUCCESS);
  RegCloseKey(key);
  EXPECT_EQ(value, 1u);
  EXPECT_EQ(test::machine_string(KEY_WOW64_64KEY, tcp + "\\IPAll", "TcpPort"), port);
  EXPECT_EQ(test::machine_string(KEY_WOW64_64KEY, tcp + "\\IPAll", "TcpDynamicPorts"), "");
}

}  // namespace
}  // namespace setup::automation
