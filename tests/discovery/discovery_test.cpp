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
  std::vector<passed_instance> passed = {};  // of other versions
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
  EXPECT_EQ(m.discovery.passed_over(), e.passed);
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
        true,
        {{"MSSQLSERVER", {"2008", "2008"}}}}},
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
        true,
        {{"NEW", {"2012", "2016"}}}}},
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
        true,
        {{"SQLEXPRESS", {}}}}},
      // Nothing of another version is proposed: the operator is asked, and picks the folders by hand.
      {"no 2005 instance beside a 2008 default one, 2005 chosen",
       false,
       "2005",
       [](sql_machine& m) { m.add(default_2008); },
       {false, {}, "(local)", "", "MSSQLSERVER", "", {}, false, {{"MSSQLSERVER", {"2008", "2008"}}}}},
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
      // SQL Server 2000 chosen and absent: the instances of later versions are only noted.
      {"SQL Server 2000 chosen where only a 2008 one is",
       false,
       "2000",
       [](sql_machine& m) { m.add(default_2008); },
       {false, {}, "(local)", "", "MSSQLSERVER", "", {}, false, {{"MSSQLSERVER", {"2008", "2008"}}}}},
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
      // The final read takes the default instance's keys, and its name; its data root cannot be read.
      {"a data root that cannot be read",
       false,
       "2008",
       [](sql_machine& m) { m.add(with(default_2008, [](sql_instance& i) { i.data_root = false; })); },
       {true, {default_2008.folder()}, "10.0.0.5", data, "MSSQLSERVER", default_2008.tcp_key(), {}}},
  };
  for (const machine_case& c : cases) {
    SCOPED_TRACE(c.name);
    sql_machine m(c.windows_64bit);
    c.lay_out(m);
    m.choose(c.version);
    check(m, c.expected);
  }
}

// SQL Server 2014 and later, alone or beside a 2008 instance, on 32- and 64-bit Windows: the 2012
// choice lists them, the 2008 choice passes them over.
TEST(Discovery, LaterReleasesAreFoundThroughThe2012Choice) {
  const std::vector<sql_instance> later = {
      {"MSSQLSERVER", "MSSQL12.MSSQLSERVER", "2014.0120.2000.8"},
      {"MSSQLSERVER", "MSSQL13.MSSQLSERVER", "2015.0130.1601.5"},
      {"MSSQLSERVER", "MSSQL14.MSSQLSERVER", "2017.0140.1000.169"},
      {"MSSQLSERVER", "MSSQL15.MSSQLSERVER", "2019.0150.2000.05 ((SQLServer).190924-2033)"},
      {"SQLEXPRESS", "MSSQL16.SQLEXPRESS", "2022.0160.1000.6"},
  };
  for (const sql_instance& i : later) {
    for (const bool windows_64bit : {false, true}) {
      for (const bool beside_2008 : {false, true}) {
        for (const std::string chosen : {"2012", "2008"}) {
          SCOPED_TRACE(i.file_version + (windows_64bit ? ", 64-bit" : ", 32-bit") +
                       (beside_2008 ? ", beside 2008, " : ", alone, ") + chosen + " chosen");
          sql_machine m(windows_64bit);
          m.add(i);
          if (beside_2008) m.add(named_2008);
          m.choose(chosen);
          const sql_instance& listed = chosen == "2012" ? i : named_2008;
          const bool found = chosen == "2012" || beside_2008;
          ASSERT_EQ(m.discovery.of_check_sql(), found);
          EXPECT_EQ(m.controls.sle_sqlsetup.items(),
                    found ? std::vector<std::string>{listed.folder()} : std::vector<std::string>{});
          if (found) {
            EXPECT_EQ(m.state.is_ins_name, listed.name);
            EXPECT_EQ(m.state.is_tcp_port, listed.tcp_key());
          }
          if (chosen == "2008") {
            EXPECT_EQ(m.discovery.passed_over().front(),
                      (passed_instance{i.name, sql_release_of(i.file_version)}));
          } else {
            const std::string label = m.controls.st_sql_version.text();
            EXPECT_EQ(label, "【Microsoft SQL Server " + sql_release_of(i.file_version).name + "】");
          }
        }
      }
    }
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

  // An instance listed without "SQLBinRoot": its entry is its "\Binn", so the list stays parallel.
  sql_machine m(false);
  m.add(with(default_2008, [](sql_instance& i) { i.bin_root = false; }));
  m.add(named_2008);
  m.choose("2008");
  ASSERT_TRUE(m.discovery.of_check_sql());
  EXPECT_EQ(m.state.is_sqlbinroot_array,
            (std::vector<std::string>{default_2008.folder() + "\\Binn", named_2008.folder() + "\\Binn"}));
  EXPECT_TRUE(m.paths.of_issqlpath(default_2008.folder()));
  EXPECT_EQ(m.state.is_sqlbinpath, default_2008.folder() + "\\Binn");
  EXPECT_TRUE(m.ui.history().empty());

  // A single entry with 2005 chosen: the entry stays empty; the setup folder check finds the program
  // in "\binn" later. The entry names the instance whose keys were read.
  sql_machine m2005(false);
  m2005.add(with(express_2005, [](sql_instance& i) { i.bin_root = i.data_root = false; }));
  m2005.choose("2005");
  ASSERT_TRUE(m2005.discovery.of_check_sql());
  EXPECT_EQ(m2005.state.is_sqlbinroot_array, std::vector<std::string>{""});
  EXPECT_EQ(m2005.state.is_ins_name_array, std::vector<std::string>{"SQLEXPRESS"});
  EXPECT_TRUE(m2005.paths.of_issqlpath(express_2005.folder()));
  EXPECT_EQ(m2005.state.is_sqlbinpath, express_2005.folder() + "\\Binn");
}

}  // namespace
}  // namespace setup
