// The install through the Windows program's own platform and the real ODBC connection (wine's
// odbc32, FreeTDS as "SQL Server") into a sqlsim on loopback that serves the prefix's drive C:, once
// fresh and once over the database it made; the install mark is read back from the 32-bit view.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "install/install_page.h"
#include "platform/memory/memory_dialogs.h"
#include "platform/odbc/odbc_transaction.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_platform.h"

namespace setup {
namespace {

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

constexpr const wchar_t* mark_key = L"SOFTWARE\\qrvxSetup\\qrvxlo\\9.0";

std::string dump_text() {
  std::ifstream in("Z:" + environment("SQLSIM_DUMP"), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The install mark in one registry view; empty when absent.
std::wstring mark(REGSAM view) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, mark_key, 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
    return L"";
  wchar_t data[64] = {};
  DWORD size = sizeof data - sizeof(wchar_t);
  DWORD type = 0;
  const LONG rc =
      RegQueryValueExW(key, L"wire_install", nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS && type == REG_SZ ? data : L"";
}

TEST(WireInstall, InstallsAndReinstallsOverOdbcAndMarksThe32BitView) {
  ASSERT_FALSE(environment("SQLSIM_PORT").empty()) << "run under with_sqlsim.sh";
  HKEY key = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, mark_key, 0, KEY_SET_VALUE | KEY_WOW64_32KEY, &key) ==
      ERROR_SUCCESS) {
    RegDeleteValueW(key, L"wire_install");
    RegCloseKey(key);
  }
  // The files an earlier run's server left in the prefix: this run's server has no database of them,
  // and the install would refuse to write over them.
  for (const wchar_t* file : {L"C:\\data\\wire_install_Data.MDF", L"C:\\data\\wire_install_Log.LDF"})
    DeleteFileW(file);
  win32_platform windows;
  memory_dialogs ui;
  platform sys{ui,
               windows.files,
               windows.registry,
               windows.processes,
               windows.clock,
               windows.network,
               windows.versions,
               windows.ini,
               windows.log,
               windows.services,
               windows.environment,
               windows.waiting};
  // The calls run on workers while this thread waits, as in the program.
  odbc_transaction sqlca(windows.waiting);
  w_server_state state;
  w_server_controls controls;
  wizard_context context{state, controls, sys, sqlca};
  install_page page(context);

  // The medium, with the client libraries; the backup the fixture wrote (logical names wire_*).
  CreateDirectoryW(L"C:\\wire_medium", nullptr);
  for (const char* library : {"C:\\wire_medium\\ntwdblib.dll", "C:\\wire_medium\\msvcr71.dll"}) {
    std::ofstream(library) << "library";
  }
  ASSERT_TRUE(windows.files.SetCurrentDirectory("C:\\wire_medium"));
  state.gs_product = "qvxlov9";
  state.gs_database = state.is_dbname = "wire_install";
  state.gs_logicdbname = "wire";
  state.gs_log = "wire_log";
  state.gs_logpass = "w'pass]; 1";
  state.is_apptitle = "wire";
  state.is_flag = "1";
  state.is_datapath = "C:\\data";
  state.is_port = environment("SQLSIM_PORT");
  const bool sql2000 = environment("SETUP_SQL_VERSION") == "2000";
  (sql2000 ? controls.rb_sql2000 : controls.rb_sql2008).set_checked(true);
  (sql2000 ? controls.rb_sql2008 : controls.rb_sql2000).set_checked(false);
  controls.rb_sql2005.set_checked(false);
  controls.sle_servername.set_text("127.0.0.1");
  controls.sle_pass.set_text(environment("SQLSIM_SA_PASSWORD"));
  controls.sle_backupdata.set_text("C:\\wire_backup.dat");
  controls.sle_custname.set_text("门店");

  page.cb_2_clicked();
  ASSERT_EQ(ui.messages(), std::vector<std::string>{"数据库建立成功！"});
  EXPECT_FALSE(controls.cb_prev.enabled());
  EXPECT_TRUE(windows.files.FileExists(windows.files.GetSystemDirectory() + "\\ntwdblib.dll"));
  EXPECT_FALSE(windows.files.FileExists("C:\\ur_dbsetup_temp.dat"));
  EXPECT_EQ(mark(KEY_WOW64_32KEY), L"门店");
  EXPECT_EQ(mark(KEY_WOW64_64KEY), L"");
  const std::string dump = dump_text();
  for (const std::string& line :
       {std::string("database 'wire_install' ONLINE recovery SIMPLE 'trunc. log on chkpt.' on 'select "
                    "into/bulkcopy' on"),
        std::string("  file data 'wire_Data' 'C:\\data\\wire_install_Data.MDF'"),
        std::string("  t_sys_system 'product_flag' 'product_flag' '1' NULL"),
        std::string("login 'wire_log' sid 0x53514C53494D2D4C4F47494E00000001 default 'wire_install' roles "
                    "securityadmin serveradmin sysadmin"),
        std::string(
            "login 'QRVXPub' sid 0x53514C53494D2D4C4F47494E00000002 default 'master' roles sysadmin")}) {
    EXPECT_NE(dump.find("\n" + line + "\n"), std::string::npos) << line << "\n" << dump;
  }

  // Again, over the database it made: the special password, the Yes, the safety backup, the drop.
  controls.sle_pass1.set_text(windows.clock.TodayText("yyyymmdd"));
  ui.yes_no_answers.push_back(answer_yes);
  page.cb_2_clicked();
  EXPECT_EQ(ui.messages().back(), "数据库建立成功！");
  EXPECT_EQ(ui.messages().size(), 2u);
  ASSERT_FALSE(page.installer().safety_backup().empty());
  EXPECT_TRUE(windows.files.RemoveFile(page.installer().safety_backup()));
  EXPECT_NE(dump_text().find("\ndatabase 'wire_install' ONLINE"), std::string::npos);
  EXPECT_FALSE(sqlca.connected());
}

}  // namespace
}  // namespace setup
