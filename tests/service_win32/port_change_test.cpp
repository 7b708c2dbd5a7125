// The port change through the prefix's registry, Service Control Manager, processes and sockets (the
// waits on a clock in memory): the values land in the view that holds the instance, the account is
// changed in the manager, the new port is checked, and the sequence goes on though wine's net refuses
// every command.
#include <gtest/gtest.h>

#include <optional>
#include <utility>

#include "model/wizard_context.h"
#include "platform/journal.h"
#include "platform/memory/memory_database.h"
#include "platform/memory/memory_dialogs.h"
#include "platform/memory/memory_files.h"
#include "platform/memory/memory_system.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_system.h"
#include "service/port_service.h"
#include "tests/win32/test_support.h"

namespace setup {
namespace {

using win32::wide;

const std::string sql = "SOFTWARE\\Microsoft\\Microsoft SQL Server\\";
const std::string tcp = "\\MSSQLServer\\SuperSocketNetLib\\Tcp";

std::optional<std::string> get(REGSAM view, const std::string& key, const char* name) {
  return test::machine_string(view, key, name);
}

void remove_in_both_views(const std::string& key) {
  const std::size_t slash = key.rfind('\\');
  for (const REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY}) {
    HKEY parent = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, wide(key.substr(0, slash)).c_str(), 0, KEY_ALL_ACCESS | view,
                      &parent) == 0) {
      RegDeleteTreeW(parent, wide(key.substr(slash + 1)).c_str());
      RegCloseKey(parent);
    }
  }
}

std::string account_in_manager(const std::string& service) {
  const win32::unique_service_handle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  const win32::unique_service_handle s(
      OpenServiceW(manager.get(), wide(service).c_str(), SERVICE_QUERY_CONFIG));
  std::vector<unsigned char> config(8192);
  auto* c = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(config.data());
  DWORD needed = 0;
  return QueryServiceConfigW(s.get(), c, DWORD(config.size()), &needed) ? win32::narrow(c->lpServiceStartName)
                                                                        : "";
}

TEST(PortChangeUnderWine, TheValuesLandInTheInstancesViewAndTheAccountInTheServiceManager) {
  struct row {
    const char* name;
    REGSAM view;  // the instance's
    std::string instance, key;
    std::vector<std::string> sub_keys;  // "": the key itself
    bool listens, service;
  };
  const std::vector<row> rows = {
      {"a 64-bit instance",
       KEY_WOW64_64KEY,
       "PORTTEST64",
       sql + "MSSQL10.PORTTEST64",
       {"\\IP1", "\\IPALL"},
       true,
       true},
      {"a 32-bit instance",
       KEY_WOW64_32KEY,
       "PORTTEST32",
       sql + "MSSQL.PORTTEST32",
       {"\\IP2", "\\IPALL"},
       false,
       false},
      {"SQL Server 2000", KEY_WOW64_32KEY, "PORTTEST2000", sql + "PORTTEST2000", {""}, true, false},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(r.name);
    memory_trace log;
    memory_dialogs ui;
    memory_files fs;
    ini_profile ini{fs};
    win32_registry reg{log};
    win32_processes proc{log};
    memory_clock time;
    win32_network net{log};
    memory_file_versions versions;
    win32_services scm{log};
    memory_environment env;
    journal_processes journaled{proc, log};  // the commands' exit codes, as the program's log has them
    platform sys{ui, fs, reg, journaled, time, net, versions, ini, log, scm, env, waiting_in_place()};
    w_server_state state;
    w_server_controls controls;
    memory_transaction sqlca;
    wizard_context context{state, controls, sys, sqlca};
    port_service page{context};

    remove_in_both_views(r.key);
    const std::string spelled = r.view == KEY_WOW64_32KEY ? "SOFTWARE\\Wow6432Node" + r.key.substr(8) : r.key;
    for (const std::string& sub : r.sub_keys) {
      ASSERT_EQ(reg.WriteRegistryString("HKEY_LOCAL_MACHINE\\" + spelled + tcp + sub, "TcpPort", "1433"), 1);
    }
    const std::string service = "MSSQL$" + r.instance, agent = "SQLAgent$" + r.instance;
    const std::string program = " binpath= C:\\windows\\system32\\notepad.exe";
    for (const std::string& left : {agent, service})
      proc.RunWait("sc delete " + left, 0);  // by a crashed run
    if (r.service) {                         // a user account, and a dependent that is not running
      ASSERT_EQ(proc.RunWait("sc create " + service + program + " obj= .\\tester password= pw", 0), 0u);
      ASSERT_EQ(proc.RunWait("sc create " + agent + program + " depend= " + service, 0), 0u);
    }
    test::loopback_listener port;
    if (!r.listens) port.close();
    state.is_ins_name = r.instance;
    state.is_tcp_port = "HKEY_LOCAL_MACHINE\\" + r.key + tcp;
    controls.sle_old_port.set_text("1433");
    controls.sle_port.set_text(std::to_string(port.port()));
    EXPECT_TRUE(page.of_modify_port());

    for (const std::string& sub : r.sub_keys) {
      const std::string key = r.key + tcp + sub;
      EXPECT_EQ(get(r.view, key, "TcpPort"), std::to_string(port.port())) << key;
      EXPECT_EQ(get(r.view, key, "TcpDynamicPorts"),
                sub.empty() ? std::nullopt : std::optional<std::string>(""));
      EXPECT_EQ(get(r.view == KEY_WOW64_32KEY ? KEY_WOW64_64KEY : KEY_WOW64_32KEY, key, "TcpPort"),
                std::nullopt);
    }
    EXPECT_EQ(controls.st_disc.text(),
              r.listens ? "数据库服务器端口配置成功，请下一步进入数据库安装过程!"
                        : "端口已写入，但数据库服务未在新端口上响应，请检查SQL Server服务！");
    // All six commands ran (the account was not LocalSystem), each refused, and no other.
    std::vector<std::string> refused;
    for (const std::string& line : log.lines()) {
      if (line.starts_with("run net ") && !line.ends_with("exit code 0")) refused.push_back(line);
    }
    ASSERT_EQ(refused.size(), 6u);
    EXPECT_TRUE(refused[0].starts_with("run net stop \"" + service + "\" /y: exit code ")) << refused[0];
    if (r.service) {
      EXPECT_EQ(account_in_manager(service), "LocalSystem");
      EXPECT_FALSE(log.contains("list dependents of")) << "the manager answered, with no running dependent";
      proc.RunWait("sc delete " + agent, 0);
      proc.RunWait("sc delete " + service, 0);
    } else {
      EXPECT_EQ(get(KEY_WOW64_64KEY, "SYSTEM\\CurrentControlSet\\Services\\" + service, "ObjectName"),
                std::nullopt);
    }
    remove_in_both_views(r.key);
  }
}

}  // namespace
}  // namespace setup
