// Discovery through the prefix's real registry and version.dll: the 64-bit form on a machine with a
// 64-bit default instance and a 32-bit named one, and the forms of a 32-bit Windows (no "PathName" in
// the 32-bit view's Windows NT key) on the same prefix, and on a prefix that is 32-bit Windows.
#include <gtest/gtest.h>

#include "discovery/sql_discovery.h"
#include "model/sql_server_registry.h"
#include "platform/memory/memory_database.h"
#include "platform/win32/win32_platform.h"
#include "tests/win32/test_support.h"

namespace setup {
namespace {

const std::string version_2008 = "en_us_unicode_64.dll";     // FileVersion 2009.100.1600.1
const std::string version_2005 = "en_us_1252_32.dll";        // 2005.090.1399.06
const std::string version_2000 = "code_page_0x1252_32.dll";  // 2000.080.194.0

struct real_machine {
  test::sql_server_layout layout;
  win32_platform system;
  memory_transaction sqlca;
  w_server_state state;
  w_server_controls controls;
  wizard_context w{state, controls, system.sys, sqlca};
  sql_paths paths{w};
  sql_discovery discovery{w, paths};

  void choose(ui::control& version, const std::string& text) {
    for (ui::control* b :
         {&controls.rb_sql2000, &controls.rb_sql2005, &controls.rb_sql2008, &controls.rb_sql2012}) {
      b->set_checked(b == &version);
    }
    state.is_sql_version = text;
  }
};

TEST(Win32Discovery, SixtyFourBitWindowsFindsEachInstanceInTheViewOfItsBitness) {
  // Also built into the tests of the 32-bit prefix, which has one view only.
  wchar_t wow64[MAX_PATH] = {};
  if (GetSystemWow64DirectoryW(wow64, MAX_PATH) == 0) GTEST_SKIP() << "32-bit Windows";
  real_machine m;
  m.layout.mark_64bit_windows(true);
  const std::string default_2008 =
      m.layout.add_instance("MSSQLSERVER", "MSSQL10.MSSQLSERVER", version_2008, false);
  const std::string express_2005 = m.layout.add_instance("SQLEXPRESS", "MSSQL.1", version_2005, true);

  m.choose(m.controls.rb_sql2008, "2008");
  ASSERT_TRUE(m.discovery.of_check_sql());
  EXPECT_TRUE(m.state.ib_is_64bit_os);
  EXPECT_FALSE(m.state.is_addr.empty());
  EXPECT_EQ(m.controls.sle_sqlsetup.items(), std::vector<std::string>{default_2008});
  EXPECT_EQ(m.controls.sle_servername.text(), m.state.is_addr);
  EXPECT_EQ(m.controls.sle_sqldatasetup.text(), default_2008 + "\\Data");
  EXPECT_EQ(m.state.is_tcp_port, sql_registry::tcp_key("MSSQL10.MSSQLSERVER"));
  EXPECT_EQ(m.controls.st_sql_version.text(), "【Microsoft SQL Server 2008】");

  m.choose(m.controls.rb_sql2005, "2005");
  ASSERT_TRUE(m.discovery.of_check_sql());
  EXPECT_EQ(m.controls.sle_sqlsetup.items(), std::vector<std::string>{express_2005});
  EXPECT_EQ(m.controls.sle_servername.text(), m.state.is_addr + "\\SQLEXPRESS");
  EXPECT_EQ(m.state.is_ins_name, "SQLEXPRESS");
  EXPECT_EQ(m.state.is_tcp_port, sql_registry::tcp_key("MSSQL.1", /*in_32bit_view=*/true));
  EXPECT_EQ(m.state.is_sqlbinpath, express_2005 + "\\Binn");

  // SQL Server 2000 keeps its keys under Wow6432Node alone.
  const std::string sql2000 = m.layout.add_sql2000("MSSQLServer", version_2000, true);
  m.choose(m.controls.rb_sql2000, "2000");
  ASSERT_TRUE(m.discovery.of_check_sql());
  EXPECT_EQ(m.controls.sle_sqlsetup.items(), std::vector<std::string>{sql2000});
  EXPECT_EQ(m.state.is_tcp_port, std::string(sql_registry::sql2000_default_tcp_key));
}

TEST(Win32Discovery, TheFormsOf32BitWindowsReadOneView) {
  real_machine m;
  const std::string default_2008 =
      m.layout.add_instance("MSSQLSERVER", "MSSQL10.MSSQLSERVER", version_2008, false);
  const std::string named_2005 = m.layout.add_instance("SHOP", "MSSQL.2", version_2005, false);

  m.choose(m.controls.rb_sql2005, "2005");
  ASSERT_TRUE(m.discovery.of_check_sql());
  EXPECT_FALSE(m.state.ib_is_64bit_os);
  EXPECT_EQ(m.controls.sle_sqlsetup.items(), std::vector<std::string>{named_2005});
  EXPECT_TRUE(m.controls.st_memo.visible());
  EXPECT_EQ(m.controls.sle_servername.text(), m.state.is_addr + "\\SHOP");
  EXPECT_EQ(m.state.is_tcp_port_array, std::vector<std::string>{sql_registry::tcp_key("MSSQL.2")});

  // 2012 chosen: its own form, which finds nothing of 2012 here.
  m.choose(m.controls.rb_sql2012, "2012");
  EXPECT_FALSE(m.discovery.of_check_sql());
  EXPECT_TRUE(m.controls.sle_sqlsetup.items().empty());

  const std::string sql2000 = m.layout.add_sql2000("SRV", version_2000, false);
  m.choose(m.controls.rb_sql2000, "2000");
  ASSERT_TRUE(m.discovery.of_check_sql());
  EXPECT_EQ(m.controls.sle_sqlsetup.items(), std::vector<std::string>{sql2000});
  EXPECT_EQ(m.state.is_ins_name, "SRV");
  EXPECT_EQ(m.state.is_tcp_port, sql_registry::tcp_key("SRV"));
  EXPECT_EQ(m.controls.st_sql_version.text(), "【Microsoft SQL Server 2000】");
}

}  // namespace
}  // namespace setup
