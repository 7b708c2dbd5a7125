// Page 2: the current port read for the selected instance, and cb_6 moving the instance to another
// port, with the restart of its services and the check of the new port, on machines built in memory.
#include <gtest/gtest.h>

#include <optional>

#include "tests/wizard/machine.h"

namespace setup {
namespace {

const std::string sql = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Microsoft SQL Server\\";
const std::string sql_32 = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Microsoft SQL Server\\";
const std::string tcp = "\\MSSQLServer\\SuperSocketNetLib\\Tcp";
const std::string shop = sql + "MSSQL10.SHOP" + tcp;  // the selected instance's TCP key
const std::string ip1 = shop + "\\IP1", ip2 = shop + "\\IP2", ipall = shop + "\\IPALL";
const std::string shop_32 = sql_32 + "MSSQL10.SHOP" + tcp;
const std::string default_2000 = "\\Microsoft\\MSSQLServer\\MSSQLServer\\SuperSocketNetLib\\Tcp";
const std::string services = "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\";
const std::string configured = "数据库服务器端口配置成功，请下一步进入数据库安装过程!";
const std::string bad_entry = "端口号必须为4位数字字符组成，请重新输入！";
const std::string failed = "初始化数据库服务器端口失败！";
const std::string restarting = "正在重启服务器(大约需要1-2分钟)... 还剩 ";

struct value {
  std::string key;
  std::string name;
  std::optional<std::string> text;  // nullopt: absent
};
struct command {
  std::int64_t at;  // the clock when it ran
  std::string line;
  friend bool operator==(const command&, const command&) = default;
};

// The window on a machine where discovery selected the instance SHOP (or the names given, one list
// entry each, all with the same setup path); each net command is recorded with the clock and the
// status line, and acts on the machine's services.
struct port_page {
  test::machine m;
  std::unique_ptr<w_server> w;
  std::vector<command> commands;
  std::vector<std::string> statuses;

  explicit port_page(const std::vector<value>& registry, bool sql2000 = false,
                     const std::vector<std::string>& names = {"SHOP"}) {
    m.setup_ini("sql2005=1\r\nqvxpre=41833\r\n");
    w = m.open_window();
    m.proc.answer = [this](std::string_view line) {
      commands.push_back({m.time.now, std::string(line)});
      statuses.push_back(w->st_disc.text());
      return m.services.net(line);
    };
    for (const value& v : registry) m.reg.set_string(v.key, v.name, *v.text);
    for (const std::string& name : names) {
      w->state.is_sqlsetup_array.push_back("C:\\SQL");
      w->state.is_ins_name_array.push_back(name);
      w->state.is_ins_name = name;
    }
    w->sle_sqlsetup.set_text("C:\\SQL");
    w->state.is_tcp_port = shop;
    if (sql2000) w->click(w->rb_sql2000);
  }
  // The instance's service and the Browser, running; the account, when given, in the registry too.
  void install(const std::string& service, std::optional<std::string> account = "LocalSystem") {
    m.services.installed = {{service, account.value_or(".\\sqlsvc"), true},
                            {"SQLBrowser", "LocalSystem", true}};
    m.reg.set_string(services + service, "ImagePath", "sqlservr.exe");
    if (account) m.reg.set_string(services + service, "ObjectName", *account);
  }
  // Page 2 as the navigation enters it; then the operator's entry and cb_6.
  port_page& enter() {
    w->tab_1.SelectTab(page_port);
    w->service.of_check_sqlport();
    return *this;
  }
  void change_to(const std::string& entry) {
    w->sle_port.input_text(entry);
    w->click(w->cb_6);
  }
};

TEST(PortPage, TheCurrentPortIsReadForTheSelectedInstance) {
  struct row {
    const char* name;
    std::vector<std::string> names;
    bool sql2000;
    std::vector<value> registry;
    std::string shown, is_port, status = "", tcp_key = shop;
  };
  const std::string active = "SsrpActiveServer";
  // clang-format off
  const std::vector<row> rows = {
      {"2005 default instance, the port in IPALL alone", {"MSSQLSERVER"}, false,
       {{ip1, "TcpPort", ""}, {ipall, "TcpPort", "1433"}}, "1433", "1433"},
      // Shown, named, but not connected to: the install reaches the instance by its name.
      {"a dynamic port: IPALL's empty one, not IP1's", {"SHOP"}, false,
       {{ip1, "TcpPort", "1600"}, {ipall, "TcpPort", ""}, {ipall, "TcpDynamicPorts", "49172"}}, "49172", "",
       "该实例使用动态端口49172，端口可能在重启后改变；请修改为固定端口。"},
      {"IP1's where IPALL has none", {"SHOP"}, false,
       {{ip1, "TcpPort", "1500"}, {ipall, "TcpDynamicPorts", ""}}, "1500", "1500"},
      {"a key named by the instance wins, the last entry's", {"OLD", "SHOP"}, false,
       {{sql + "OLD" + tcp, "TcpPort", "2002"}, {sql + "SHOP" + tcp, "TcpPort", "2001"},
        {ipall, "TcpPort", "1433"}},
       "2001", "2001"},
      {"a stored 0 is shown, not kept", {"SHOP"}, false, {{ipall, "TcpPort", "0"}}, "0", ""},
      {"a 32-bit instance on 64-bit Windows", {"SHOP"}, false, {{shop_32 + "\\IPALL", "TcpPort", "1533"}},
       "1533", "1533"},
      {"SQL Server 2000, the default instance answering", {"SHOP"}, true,
       {{sql_32, active, "MSSQLServer"},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node" + default_2000, "TcpPort", "1433"}},
       "1433", "1433", "", "HKEY_LOCAL_MACHINE\\SOFTWARE" + default_2000},
      {"SQL Server 2000, a named instance answering", {"SHOP"}, true,
       {{sql_32, active, "SHOP"}, {sql_32 + "SHOP" + tcp, "TcpPort", "2433"}},
       "2433", "2433", "", sql + "SHOP" + tcp},
      {"SQL Server 2000 chosen, none installed", {"SHOP"}, true, {{ipall, "TcpPort", "1433"}}, "", "",
       "当前服务器未安装[MS SQL Server 2000]，请选择其它版本！"},
  };
  // clang-format on
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    port_page p(r.registry, r.sql2000, r.names);
    p.enter();
    EXPECT_EQ(p.w->sle_old_port.text(), r.shown);
    EXPECT_EQ(p.w->state.is_port, r.is_port);
    EXPECT_EQ(p.w->st_disc.text(), r.status);
    EXPECT_EQ(p.w->state.is_tcp_port, r.tcp_key);
  }
}

TEST(PortPage, Cb6WritesThePortWhereTheInstanceKeepsItOrChangesNothing) {
  struct row {
    const char* name;
    bool sql2000;
    std::vector<value> registry;
    std::string entry;
    std::vector<value> after;
    std::string message = "";  // a box with the window's title
    std::string status = configured, is_port = "1500";
    bool writes_refused = false;
  };
  const value port = {ipall, "TcpPort", "1433"};
  const std::vector<value> unchanged = {port, {ipall, "TcpDynamicPorts", {}}};
  const std::string shop_2000 = sql_32 + "SHOP" + tcp;
  // clang-format off
  const std::vector<row> rows = {
      {"the port shown, blanks around it", false, {port}, " 1433 ", unchanged, "", "", "1433"},
      // The page shows IPALL's port: a stale one in IP1 does not make the change a no-op.
      {"a port already in IP1 only", false, {port, {ip1, "TcpPort", "1500"}}, "1500",
       {{ipall, "TcpPort", "1500"}, {ip1, "TcpPort", "1500"}, {ipall, "TcpDynamicPorts", ""}}},
      {"a port already under the key itself", false, {port, {shop, "TcpPort", "1500"}}, "1500", unchanged,
       "", "", "1433"},
      {"not four digits", false, {port}, "143", unchanged, bad_entry, "", "1433"},
      {"not four digits", false, {port}, "1a33", unchanged, bad_entry, "", "1433"},
      {"not four digits", false, {port}, "14330", unchanged, bad_entry, "", "1433"},
      {"IP1, IP2 and IPALL only", false,
       {{ip1, "TcpPort", ""}, {ip2, "TcpPort", ""}, port, {ipall, "TcpDynamicPorts", "0"}}, "1500",
       {{ip1, "TcpPort", "1500"}, {ip2, "TcpPort", "1500"}, {ipall, "TcpPort", "1500"},
        {ip2, "TcpDynamicPorts", ""}, {ipall, "TcpDynamicPorts", ""}, {shop, "TcpPort", {}}}},
      {"leading zeros", false, {port}, "0080", {{ipall, "TcpPort", "0080"}}, "", configured, "0080"},
      {"a 32-bit instance: the 32-bit view", false, {{shop_32 + "\\IPALL", "TcpPort", "1433"}}, "1500",
       {{shop_32 + "\\IPALL", "TcpPort", "1500"}, {shop_32 + "\\IPALL", "TcpDynamicPorts", ""},
        {ipall, "TcpPort", {}}}},
      {"SQL Server 2000: the key itself only", true,
       {{sql_32, "SsrpActiveServer", "SHOP"}, {shop_2000, "TcpPort", "2433"}}, "1500",
       {{shop_2000, "TcpPort", "1500"}, {shop_2000, "TcpDynamicPorts", {}},
        {shop_2000 + "\\IP1", "TcpDynamicPorts", {}}}},
      // A dynamic port only: moved to the fixed one.
      {"no TcpPort, a dynamic port", false, {{ipall, "TcpDynamicPorts", "49172"}}, "1500",
       {{ipall, "TcpDynamicPorts", ""}, {ipall, "TcpPort", "1500"}}},
      {"no port at all", false, {{ip1, "Enabled", "1"}}, "1500", {{ipall, "TcpPort", {}}}, failed, "", ""},
      {"a refused write", false, {port}, "1500", unchanged, failed, "", "1433", true},
  };
  // clang-format on
  for (const row& r : rows) {
    SCOPED_TRACE(std::string(r.name) + " \"" + r.entry + "\"");
    port_page p(r.registry, r.sql2000);
    p.install("MSSQL$SHOP");
    p.m.net.listening = {{1500, 0}, {80, 0}};
    if (r.writes_refused) p.m.reg.deny_writes(shop);
    const std::string shown = p.enter().w->sle_old_port.text();
    p.change_to(r.entry);
    for (const value& v : r.after)
      EXPECT_EQ(p.m.reg.string_value(v.key, v.name), v.text) << v.key << " " << v.name;
    EXPECT_FALSE(p.m.reg.key_exists(shop + "\\IP3"));
    const bool changed = r.status == configured;
    EXPECT_EQ(p.m.ui.messages(), r.message.empty() ? std::vector<std::string>{} : std::vector{r.message});
    for (const auto& box : p.m.ui.history()) EXPECT_EQ(box.title, p.w->state.is_apptitle);
    EXPECT_EQ(p.commands.size(), changed ? 4u : 0u);
    EXPECT_EQ(p.w->st_disc.text(), r.status);
    EXPECT_EQ(p.w->state.is_port, r.is_port);
    EXPECT_EQ(p.w->sle_old_port.text(), changed ? r.entry : shown);
    EXPECT_EQ(p.w->sle_port.text(), r.entry);  // left for correction
    EXPECT_EQ(p.m.time.now, changed ? 28000 : r.message == failed ? 2000 : 0) << "the waits";
  }
}

TEST(PortPage, TheRestartRunsItsCommandsInOrderWithTheirWaitsAndLeavesTheServicesAsTheyWere) {
  const auto stop = [](const std::string& s) { return "net stop \"" + s + "\" /y"; };
  const auto start = [](const std::string& s) { return "net start \"" + s + "\" /y"; };
  const std::string stop_browser = "net stop SQLBrowser /y", start_browser = "net start SQLBrowser /y";
  const auto four = [&](const std::string& s) {
    return std::vector<command>{
        {0, stop(s)}, {8000, stop_browser}, {16000, start(s)}, {21000, start_browser}};
  };
  const auto six = [&](const std::string& s) {
    return std::vector<command>{{0, stop(s)},          {8000, start(s)},  {16000, stop(s)},
                                {24000, stop_browser}, {32000, start(s)}, {37000, start_browser}};
  };
  std::vector<command> with_agent = six("MSSQL$SHOP");
  with_agent.push_back({42000, start("SQLAgent$SHOP")});
  struct row {
    const char* name;
    std::string instance, service;
    std::optional<std::string> account;  // nullopt: no ObjectName
    enum { alone, with_agent, not_installed } machine;
    std::vector<command> commands;  // the clock from the first one on
  };
  // clang-format off
  const std::vector<row> rows = {
      {"LocalSystem: four commands", "SHOP", "MSSQL$SHOP", "LocalSystem", row::alone, four("MSSQL$SHOP")},
      {"a user account and a running agent", "SHOP", "MSSQL$SHOP", ".\\sqlsvc", row::with_agent, with_agent},
      {"no ObjectName, the default instance", "MSSQLSERVER", "MSSQLSERVER", std::nullopt, row::alone,
       six("MSSQLSERVER")},
      {"no instance name: the default instance", "", "MSSQLSERVER", "LocalSystem", row::alone,
       four("MSSQLSERVER")},
      {"mssqlserver in small letters", "mssqlserver", "MSSQL$mssqlserver", "NT AUTHORITY\\NetworkService",
       row::alone, six("MSSQL$mssqlserver")},
      {"no such service: every command fails", "SHOP", "MSSQL$SHOP", std::nullopt, row::not_installed,
       six("MSSQL$SHOP")},
  };
  // clang-format on
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    port_page p({{ipall, "TcpPort", "1433"}}, false, {r.instance});
    if (r.machine != row::not_installed) p.install(r.service, r.account);
    if (r.machine == row::with_agent)
      p.m.services.installed.push_back({"SQLAgent$SHOP", ".\\sqlsvc", true, "MSSQL$SHOP"});
    p.m.net.listening[1500] = 0;
    p.enter().change_to("1500");

    std::vector<command> from_first;  // after the 2 s before the writes
    for (const command& c : p.commands) from_first.push_back({c.at - 2000, c.line});
    EXPECT_EQ(from_first, r.commands);
    EXPECT_EQ(p.m.time.now, 2000 + r.commands.back().at + 5000) << "the last wait, then the port answered";
    // Before each command the status line says how long the waits still take.
    std::vector<std::string> counted;
    for (const command& c : r.commands)
      counted.push_back(restarting + std::to_string((r.commands.back().at + 5000 - c.at) / 1000) + " 秒");
    EXPECT_EQ(p.statuses, counted);
    for (const auto& run : p.m.proc.runs()) EXPECT_EQ(run.window_style, 0) << run.command_line;
    EXPECT_EQ(p.w->st_disc.text(), configured);
    for (const auto& s : p.m.services.installed) EXPECT_TRUE(s.running) << s.name;
    if (r.machine == row::not_installed) {
      EXPECT_FALSE(p.m.reg.key_exists(services + r.service)) << "no key made for a service not there";
      EXPECT_TRUE(p.m.log.contains("net stop SQLBrowser /y: exit code 2"));
    } else {
      EXPECT_EQ(p.m.services.find(r.service)->account, "LocalSystem");
      EXPECT_EQ(p.m.reg.string_value(services + r.service, "ObjectName"), "LocalSystem");
    }
  }
}

TEST(PortPage, TheNewPortIsTriedForThirtySecondsOnTheLoopbackAddress) {
  struct row {
    std::optional<int> refusals;  // nullopt: nothing listens
    std::string status;
    std::int64_t checking;
  };
  const std::string not_answering = "端口已写入，但数据库服务未在新端口上响应，请检查SQL Server服务！";
  for (const row& r :
       std::vector<row>{{0, configured, 0}, {4, configured, 4000}, {std::nullopt, not_answering, 30000}}) {
    SCOPED_TRACE(r.checking);
    port_page p({{ipall, "TcpPort", "1433"}});
    p.install("MSSQL$SHOP");
    if (r.refusals) p.m.net.listening[2433] = *r.refusals;
    p.enter().change_to("2433");
    EXPECT_EQ(p.m.time.now - 28000, r.checking);
    for (const auto& a : p.m.net.attempts())
      EXPECT_EQ(a.address + ":" + std::to_string(a.port), "127.0.0.1:2433");
    EXPECT_EQ(p.w->st_disc.text(), r.status);
    // Written either way, and the page holds the new port.
    EXPECT_EQ(p.m.reg.string_value(ipall, "TcpPort"), "2433");
    EXPECT_EQ(p.w->state.is_port, "2433");
    EXPECT_EQ(p.w->sle_old_port.text(), "2433");
    EXPECT_TRUE(p.m.ui.messages().empty());
  }
}

TEST(PortPage, WhileItWaitsTheStatusLineCountsTheSecondsDown) {
  port_page p({{ipall, "TcpPort", "1433"}});
  p.install("MSSQL$SHOP");
  p.m.net.listening[1500] = 0;
  p.enter();
  test::label_recorder status;
  p.w->st_disc.attach(&status);
  p.change_to("1500");
  std::vector<std::string> expected = {"正在配置数据库服务器端口...", "正在配置数据库服务器端口... 还剩 2 秒",
                                       "正在配置数据库服务器端口... 还剩 1 秒"};
  for (int left = 26; left >= 1; --left) expected.push_back(restarting + std::to_string(left) + " 秒");
  // Then the check of the new port, which may take 30 s more, answered at once.
  expected.push_back(restarting + "30 秒");
  expected.push_back(configured);
  EXPECT_EQ(status.texts, expected);
}

TEST(PortPage, AnotherInstanceChosenOnPage3BringsItsOwnPort) {
  const std::string hq = sql + "MSSQL10.HQ" + tcp;
  port_page p({{ipall, "TcpPort", "1433"}, {hq + "\\IPALL", "TcpPort", "2433"}});
  EXPECT_EQ(p.enter().w->state.is_port, "1433");
  p.w->state.is_tcp_port = hq;  // the selection step of page 3
  p.w->service.instance_selected();
  EXPECT_EQ(p.w->sle_old_port.text(), "2433");
  EXPECT_EQ(p.w->state.is_port, "2433");

  // SQL Server 2000: the key the selection step set, not the answering instance's.
  port_page q({{sql_32, "SsrpActiveServer", "SHOP"},
               {sql_32 + "SHOP" + tcp, "TcpPort", "1433"},
               {sql_32 + "HQ" + tcp, "TcpPort", "0"}},
              true);
  EXPECT_EQ(q.enter().w->state.is_port, "1433");
  q.w->state.is_tcp_port = sql + "HQ" + tcp;
  q.w->service.instance_selected();
  EXPECT_EQ(q.w->state.is_tcp_port, sql + "HQ" + tcp);
  EXPECT_EQ(q.w->sle_old_port.text(), "0");
  EXPECT_EQ(q.w->state.is_port, "");
}

// An Express instance: TCP/IP disabled and a dynamic port, moved to a fixed port and enabled; then
// Windows Firewall on the operator's word, by the netsh of the system's version.
TEST(PortPage, TcpIpIsEnabledAtTheFixedPortAndTheFirewallOpenedOnYes) {
  const std::string netsh = "C:\\Windows\\system32\\netsh.exe";
  const std::string rule = "\"SQL Server qvxlov9 SHOP\"";
  const std::string add_rule = netsh + " advfirewall firewall add rule name=" + rule +
                               " dir=in action=allow protocol=TCP localport=2433";
  struct row {
    const char* name;
    int answer;  // to the firewall question; 0: none asked
    std::string windows = "10.0 build 19045";
    bool enabled_write_refused = false;
    std::uint32_t netsh_exit = 0;
    std::vector<std::string> firewall;  // the commands after the restart's
    std::string status_line;            // the firewall's, under the port's
  };
  const std::vector<row> rows = {
      {"No keeps the firewall", answer_no, "10.0 build 19045", false, 0, {}, ""},
      {"Yes on Windows 10: the rule of the instance replaced",
       answer_yes,
       "10.0 build 19045",
       false,
       0,
       {netsh + " advfirewall firewall delete rule name=" + rule, add_rule},
       "Windows防火墙已允许TCP端口 2433。"},
      {"Yes on Server 2003: a port opening",
       answer_yes,
       "5.2 build 3790 Service Pack 2",
       false,
       0,
       {netsh + " firewall add portopening protocol=TCP port=2433 name=" + rule + " mode=ENABLE scope=ALL"},
       "Windows防火墙已允许TCP端口 2433。"},
      {"netsh failing",
       answer_yes,
       "6.1 build 7601 Service Pack 1",
       false,
       1,
       {netsh + " advfirewall firewall delete rule name=" + rule, add_rule},
       "未能在Windows防火墙中允许TCP端口 2433，请手工添加入站规则。"},
      {"the Enabled write refused: nothing restarted", 0, "10.0 build 19045", true, 0, {}, ""},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    port_page p(
        {{ipall, "TcpPort", ""}, {ipall, "TcpDynamicPorts", "49172"}, {ip1, "TcpDynamicPorts", "49172"}});
    p.m.reg.set_dword(shop, "Enabled", 0);
    p.install("MSSQL$SHOP");
    p.m.env.facts.windows_version = r.windows;
    p.m.net.listening[2433] = 0;
    if (r.enabled_write_refused) p.m.reg.deny_writes(shop);
    if (r.answer) p.m.ui.yes_no_answers.push_back(r.answer);
    p.m.proc.answer = [&, &commands = p.commands](std::string_view line) -> std::uint32_t {
      commands.push_back({p.m.time.now, std::string(line)});
      return line.find("netsh") != std::string_view::npos ? r.netsh_exit : p.m.services.net(line);
    };
    p.enter();
    EXPECT_EQ(p.w->sle_old_port.text(), "49172");
    EXPECT_EQ(p.w->st_disc.text(),
              "该实例未启用TCP/IP协议，其它电脑无法连接；修改端口时将同时启用TCP/IP。"
              "该实例使用动态端口49172，端口可能在重启后改变；请修改为固定端口。");
    p.change_to("2433");
    const bool moved = !r.enabled_write_refused;
    EXPECT_EQ(p.m.reg.dword_value(shop, "Enabled"), moved ? 1u : 0u);
    if (moved) {
      for (const std::string& key : {ip1, ipall}) {
        EXPECT_EQ(p.m.reg.string_value(key, "TcpPort"), "2433") << key;
        EXPECT_EQ(p.m.reg.string_value(key, "TcpDynamicPorts"), "") << key;
      }
    }
    EXPECT_EQ(p.m.ui.messages(), moved ? std::vector<std::string>{} : std::vector<std::string>{failed});
    EXPECT_EQ(p.m.ui.history().size() - p.m.ui.messages().size(), moved ? 1u : 0u) << "the firewall question";
    std::vector<std::string> firewall;
    for (const command& c : p.commands) {
      if (c.line.find("netsh") != std::string::npos) firewall.push_back(c.line);
    }
    EXPECT_EQ(firewall, r.firewall);
    EXPECT_EQ(p.commands.size(), (moved ? 4u : 0u) + r.firewall.size());
    EXPECT_EQ(p.w->st_disc.text(), !moved                  ? p.w->st_disc.text()
                                   : r.status_line.empty() ? configured
                                                           : configured + "\n" + r.status_line);
    EXPECT_EQ(p.m.log.contains("UDP 1434"), !r.firewall.empty());
  }
}

}  // namespace
}  // namespace setup
