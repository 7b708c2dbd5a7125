// Discovery on machines laid out in memory: which instances the database page offers, which is
// selected, and the server name, folders, instance name and TCP key that follow.
#include <gtest/gtest.h>

#include <functional>

#include "tests/discovery/sql_machine.h"

namespace setup {
namespace {

using test::sql_instance;
using test::sql_machine;

const sql_instance default_2008{"MSSQLSERVER", "MSSQL10.MSSQLSERVER", "2007.100.1600.22"};
const sql_instance express_2005{"SQLEXPRESS", "MSSQL.1", "2005.090.1399.06"};
const sql_instance named_2005{"SHOP", "MSSQL.2", "2005.090.3042.00"};
const sql_instance named_2016{"NEW", "MSSQL13.NEW", "2015.130.1601.5"};
const sql_instance named_2008{"BRANCH", "MSSQL10.BRANCH", "2007.100.2531.0"};

sql_instance with(sql_instance i, const std::function<void(sql_instance&)>& change) {
  change(i);
  return i;
}

struct outcome {
  bool found;
  std::vector<std::string> items;  // of sle_sqlsetup; the first one is selected when found
  std::string server_name;
  std::string data_folder;  // sle_sqldatasetup
  std::string ins_name;
  std::string tcp_port;
  std::vector<std::string> tcp_ports;  // is_tcp_port_array
  bool memo = false;
};

struct machine_case {
  const char* name;
  bool windows_64bit;
  std::string version;
  std::function<void(sql_machine&)> lay_out;
  outcome expected;
};

void check(sql_machine& m, const outcome& e) {
  EXPECT_EQ(m.discovery.of_check_sql(), e.found);
  const w_server_controls& c = m.controls;
  EXPECT_EQ(c.sle_sqlsetup.items(), e.items);
  EXPECT_EQ(c.sle_servername.text(), e.server_name);
  EXPECT_EQ(c.sle_sqldatasetup.text(), e.data_folder);
  EXPECT_EQ(m.state.is_ins_name, e.ins_name);
  EXPECT_EQ(m.state.is_tcp_port, e.tcp_port);
  EXPECT_EQ(m.state.is_tcp_port_array, e.tcp_ports);
  EXPECT_EQ(c.st_memo.visible(), e.memo);
  if (e.found) {
    EXPECT_EQ(c.sle_sqlsetup.selection(), 1);
    EXPECT_EQ(c.sle_sqlsetup.text(), e.items.front());
    EXPECT_EQ(m.state.is_sqlpath, e.items.front());
    EXPECT_EQ(c.sle_server.text(), m.state.is_addr);  // page 5 follows the selection
  } else {
    EXPECT_EQ(c.sle_sqlsetup.text(), "");
    EXPECT_EQ(m.state.is_sqlpath, "");
  }
}

const std::string data = "\\Data";

TEST(Discovery, MachinesAndWhatThePageOffers) {
  const std::string sql2000_named = "C:\\MSSQL2000\\SRV";
  const std::string sql2000_default = "C:\\MSSQL2000\\MSSQLServer";
  const std::string sql2000_tcp = std::string(sql_registry::sql2000_default_tcp_key);
  const std::vector<machine_case> cases = {
      {"no SQL Server",
       false,
       "2008",
       [](sql_machine&) {},
       {false, {}, "(local)", "", "MSSQLSERVER", "", {}}},
      {"one default instance of the chosen version",
       false,
       "2008",
       [](sql_machine& m) { m.add(default_2008); },
       {true,
        {default_2008.folder()},
        "10.0.0.5",
        default_2008.folder() + data,
        "MSSQLSERVER",
        default_2008.tcp_key(),
        {default_2008.tcp_key()}}},
      {"two instances of the chosen version, in registry order",
       false,
       "2005",
       [](sql_machine& m) {
         m.add(express_2005);
         m.add(named_2005);
       },
       {true,
        {express_2005.folder(), named_2005.folder()},
        "10.0.0.5\\SQLEXPRESS",
        express_2005.folder() + data,
        "SQLEXPRESS",
        express_2005.tcp_key(),
        {express_2005.tcp_key(), named_2005.tcp_key()},
        true}},
      // The default instance's setup key is preferred for the final read; the selection step then
      // takes item 1's own details.
      {"a 2008 default instance beside a 2005 named one, 2005 chosen",
       false,
       "2005",
       [](sql_machine& m) {
         m.add(default_2008);
         m.add(named_2005);
       },
       {true,
        {named_2005.folder()},
        "10.0.0.5\\SHOP",
        named_2005.folder() + data,
        "SHOP",
        named_2005.tcp_key(),
        {named_2005.tcp_key()},
        true}},
      {"a 2016 instance listed before a 2008 one is passed over",
       false,
       "2008",
       [](sql_machine& m) {
         m.add(named_2016);
         m.add(named_2008);
       },
       {true,
        {named_2008.folder()},
        "10.0.0.5\\BRANCH",
        named_2008.folder() + data,
        "BRANCH",
        named_2008.tcp_key(),
        {named_2008.tcp_key()},
        true}},
      {"a first instance without a readable program is passed over",
       false,
       "2005",
       [](sql_machine& m) {
         m.add(with(express_2005, [](sql_instance& i) { i.file_version.clear(); }));
         m.add(named_2005);
       },
       {true,
        {named_2005.folder()},
        "10.0.0.5\\SHOP",
        named_2005.folder() + data,
        "SHOP",
        named_2005.tcp_key(),
        {named_2005.tcp_key()},
        true}},
      // The default instance is proposed although it is a 2008 one; page 2's version check stops there.
      {"no 2005 instance beside a 2008 default one, 2005 chosen",
       false,
       "2005",
       [](sql_machine& m) { m.add(default_2008); },
       {true, {default_2008.folder()}, "10.0.0.5", default_2008.folder() + data, "", "", {}}},
      // Skipped whole: no item of its own, so no item leads to another instance's TCP key.
      {"an instance without a data root is skipped and the lists stay parallel",
       false,
       "2005",
       [](sql_machine& m) {
         m.add(with(express_2005, [](sql_instance& i) { i.data_root = false; }));
         m.add(named_2005);
       },
       {true,
        {named_2005.folder()},
        "10.0.0.5\\SHOP",
        named_2005.folder() + data,
        "SHOP",
        named_2005.tcp_key(),
        {named_2005.tcp_key()},
        true}},
      {"SQL Server 2000, a named instance",
       false,
       "2000",
       [](sql_machine& m) { m.add_sql2000("SRV", false); },
       {true,
        {sql2000_named},
        "10.0.0.5\\SRV",
        sql2000_named + data,
        "SRV",
        sql_registry::tcp_key("SRV"),
        {sql_registry::tcp_key("SRV")}}},
      {"SQL Server 2000, the default instance",
       false,
       "2000",
       [](sql_machine& m) { m.add_sql2000("MSSQLServer", false); },
       {true,
        {sql2000_default},
        "10.0.0.5",
        sql2000_default + data,
        "MSSQLSERVER",
        sql2000_tcp,
        {sql2000_tcp}}},
      {"SQL Server 2000 absent",
       false,
       "2000",
       [](sql_machine&) {},
       {false, {}, "(local)", "", "MSSQLSERVER", "", {}}},
      // 64-bit Windows: SQL Server 2000 is a 32-bit program and keeps its keys under Wow6432Node only.
      {"SQL Server 2000 on 64-bit Windows",
       true,
       "2000",
       [](sql_machine& m) { m.add_sql2000("MSSQLServer", true); },
       {true,
        {sql2000_default},
        "10.0.0.5",
        sql2000_default + data,
        "MSSQLSERVER",
        sql2000_tcp,
        {std::string(sql_registry::sql2000_default_tcp_key_32)}}},
      {"64-bit Windows without an instance list in either view",
       true,
       "2008",
       [](sql_machine&) {},
       {false, {}, "(local)", "", "MSSQLSERVER", "", {}}},
      {"64-bit Windows with a 64-bit and a 32-bit instance of the chosen version: the 64-bit one",
       true,
       "2008",
       [](sql_machine& m) {
         m.add(with(named_2008, [](sql_instance& i) { i.in_32bit_view = true; }));
         m.add(default_2008);
       },
       {true,
        {default_2008.folder()},
        "10.0.0.5",
        default_2008.folder() + data,
        "MSSQLSERVER",
        default_2008.tcp_key(),
        {default_2008.tcp_key()}}},
      {"64-bit Windows with a 32-bit instance only",
       true,
       "2005",
       [](sql_machine& m) { m.add(with(express_2005, [](sql_instance& i) { i.in_32bit_view = true; })); },
       {true,
        {with(express_2005, [](sql_instance& i) { i.in_32bit_view = true; }).folder()},
        "10.0.0.5\\SQLEXPRESS",
        with(express_2005, [](sql_instance& i) { i.in_32bit_view = true; }).folder() + data,
        "SQLEXPRESS",
        sql_registry::tcp_key(express_2005.id, true),
        {sql_registry::tcp_key(express_2005.id, true)}}},
      // The final read takes the default instance's keys; its data root cannot be read.
      {"a data root that cannot be read",
       false,
       "2005",
       [](sql_machine& m) { m.add(with(default_2008, [](sql_instance& i) { i.data_root = false; })); },
       {true, {default_2008.folder()}, "10.0.0.5", data, "", "", {}}},
  };
  for (const machine_case& c : cases) {
    SCOPED_TRACE(c.name);
    sql_machine m(c.windows_64bit);
    c.lay_out(m);
    m.choose(c.version);
    check(m, c.expected);
  }
}

TEST(Discovery, RunningItTwiceGivesTheSameListsAndTheFormsOf32BitWindowsHandle2012) {
  sql_machine m(false);
  m.add(express_2005);
  m.add(named_2005);
  m.choose("2005");
  ASSERT_TRUE(m.discovery.of_check_sql());
  const w_server_state first = m.state;
  const auto items = m.controls.sle_sqlsetup.items();
  ASSERT_TRUE(m.discovery.of_check_sql());
  EXPECT_EQ(m.controls.sle_sqlsetup.items(), items);
  EXPECT_EQ(m.state.is_sqlsetup_array, first.is_sqlsetup_array);
  EXPECT_EQ(m.state.is_tcp_port_array, first.is_tcp_port_array);
  EXPECT_EQ(m.state.is_sqlbinroot_array, first.is_sqlbinroot_array);

  // 2012 on 32-bit Windows: the program folder names the program; nothing of 2012 gives false.
  m.choose("2012");
  EXPECT_FALSE(m.discovery.of_check_sql());
  EXPECT_TRUE(m.controls.sle_sqlsetup.items().empty());
  const sql_instance named_2012{"SALES", "MSSQL11.SALES", "2011.110.2100.60"};
  m.add(named_2012);
  EXPECT_TRUE(m.discovery.of_check_sql());
  EXPECT_EQ(m.controls.sle_sqlsetup.items(), std::vector<std::string>{named_2012.folder()});
  EXPECT_EQ(m.controls.sle_servername.text(), "10.0.0.5\\SALES");
}

TEST(Discovery, SingleEntryProgramFolderWithoutSqlBinRoot) {
  // SQL Server 2000: the program folder becomes setup folder + "\Binn".
  sql_machine m2000(false);
  m2000.add_sql2000("SRV", false, /*bin_root=*/false);
  m2000.choose("2000");
  ASSERT_TRUE(m2000.discovery.of_check_sql());
  EXPECT_EQ(m2000.state.is_sqlbinroot_array, std::vector<std::string>{"C:\\MSSQL2000\\SRV\\Binn"});
  EXPECT_EQ(m2000.state.is_sqlbinpath, "C:\\MSSQL2000\\SRV\\Binn");

  // 2005 chosen: the entry stays empty; the setup folder check finds the program in "\binn" later.
  sql_machine m(false);
  m.add(with(default_2008, [](sql_instance& i) { i.bin_root = false; }));
  m.choose("2005");
  ASSERT_TRUE(m.discovery.of_check_sql());
  EXPECT_EQ(m.state.is_sqlbinroot_array, std::vector<std::string>{""});
  EXPECT_TRUE(m.paths.of_issqlpath(default_2008.folder()));
  EXPECT_EQ(m.state.is_sqlbinpath, default_2008.folder() + "\\Binn");
  EXPECT_TRUE(m.ui.history().empty());
}

}  // namespace
}  // namespace setup
