// The statement set beyond the install walk: errors with SQL Server's numbers, row counts, quoting and
// spelling, batches, logins and permissions.
#include <gtest/gtest.h>

#include <algorithm>

#include "sim_test_support.h"

namespace sqlsim::testing {
namespace {

// A server with the product database restored from the standard backup.
struct product_server : server {
  explicit product_server(server_version version = server_version::v2008) : server(version) {
    drive.make_directory("data");
    drive.write("b.dat", format_backup(product_backup()));
    ok("RESTORE DATABASE qrvx FROM DISK = N'c:\\b.dat' WITH MOVE N'qrvxdb_Data' TO N'c:\\data\\q.mdf', "
       "MOVE N'qrvxdb_Log' TO N'c:\\data\\q.ldf'");
    ok("use qrvx");
  }
};

TEST(Statements, FailuresCarrySqlServersNumbersAndTexts) {
  product_server srv;
  srv.ok("exec sp_addlogin N'shop', N'pw'");
  const auto duplicate = server::first_error(srv.run("sp_addlogin 'SHOP','x'"));
  EXPECT_EQ(duplicate.number, 15025);
  EXPECT_EQ(duplicate.text, "The server principal 'SHOP' already exists.");
  const auto unknown = server::first_error(srv.run("frobnicate 'the server'"));
  EXPECT_EQ(unknown.number, 2812);  // a lone word first in a batch is a procedure call
  const auto syntax =
      server::first_error(srv.run("select name from master.dbo.sysdatabases where name = 'a' or 1=1"));
  EXPECT_EQ(syntax.number, 102);
  EXPECT_EQ(syntax.text, "Incorrect syntax near 'or'.");

  struct failure {
    const char* sql;
    long number;
  };
  const failure cases[] = {
      {"create table t (a int)", 102},
      {"select 'open", 105},
      {"select * from t_sys_system where sys_var_id = @P9", 137},
      {"select * from nosuch", 208},
      {"select nosuch from t_sys_system", 207},
      {"insert into t_sys_system (sys_var_id, sys_var_name) values ('a')", 109},
      {"insert into t_sys_system (sys_var_id) values ('a', 'b')", 110},
      {"insert into t_sys_system (sys_var_id, sys_var_id) values ('a', 'b')", 264},
      {"insert into t_sys_system (sys_var_id) values ('is_distributed  ')", 2627},  // same key by collation
      {"insert into t_sys_system (sys_var_name) values ('a')", 515},
      {"update t_sys_system set sys_var_id = 'sys_version'", 2627},
      {"update t_sys_system set sys_var_value = (select name from master.dbo.sysdatabases)", 512},
      {"delete master.dbo.sysdatabases", 259},
      {"Drop DATABASE nosuch", 3701},
      {"Drop DATABASE qrvx", 3702},  // the session is in it
      {"drop database tempdb", 3708},
      {"use nosuch", 911},
      {"exec sp_addsrvrolemember N'nobody', sysadmin", 15007},
      {"exec sp_addsrvrolemember N'shop', sysadmins", 15402},
      {"exec sp_defaultdb N'shop', N'nosuch'", 15010},
      {"exec sp_dboption N'qrvx', N'read only', N'true'", 15011},
      {"exec sp_dboption N'qrvx', N'trunc. log', N'maybe'", 15241},
      {"sp_configure 'allow updates', 'x'", 245},
      {"sp_configure 'allow updates', 2", 15129},
      {"sp_configure 'no such option', 1", 15123},
      {"exec sp_addlogin 'a', 'b', @nosuch = 1", 8145},
      {"exec sp_password 'old'", 201},
      {"set fmtonly on", 195},
  };
  const std::string before = srv.e.dump();
  for (const failure& f : cases) EXPECT_EQ(srv.error_of(f.sql), f.number) << f.sql;
  EXPECT_EQ(srv.e.dump(), before) << "a failing statement changed the server";
}

TEST(Statements, RowCountsOfTheProductTable) {
  product_server srv;
  EXPECT_EQ(srv.ok("insert into t_sys_system values ('a', 'n', 'v', '')").rows_affected, 1);
  EXPECT_EQ(srv.ok("insert into t_sys_system (sys_var_id, sys_var_value) values ('b', 'v')").rows_affected,
            1);
  EXPECT_EQ(srv.ok("update t_sys_system set sys_var_name = 'x' where sys_var_value = 'V'").rows_affected, 2);
  EXPECT_EQ(srv.ok("update t_sys_system set sys_var_name = 'x' where sys_var_id = 'none'").rows_affected, 0);
  EXPECT_EQ(srv.ok("update t_sys_system set sys_var_value = 'v' where sys_ver_flag = NULL").rows_affected, 0);
  EXPECT_EQ(srv.ok("select sys_var_id from t_sys_system where sys_var_name = 'x'").rows_affected, 2);
  EXPECT_EQ(srv.ok("delete from t_sys_system where sys_var_name = 'x'").rows_affected, 2);
  EXPECT_EQ(srv.ok("delete t_sys_system").rows_affected, 2);

  // NOCOUNT holds for the session until switched off again.
  srv.ok("SET NOCOUNT ON");
  EXPECT_FALSE(srv.ok("insert into t_sys_system values ('a', 'n', 'v', '')").rows_affected.has_value());
  srv.ok("set nocount off");
  EXPECT_EQ(srv.ok("delete t_sys_system").rows_affected, 1);
  EXPECT_FALSE(srv.ok("exec sp_dboption N'qrvx', N'bulkcopy', N'true'").rows_affected.has_value());
}

TEST(Statements, QuotedNamesLiteralsAndSpellingAreReadAsSqlServerReadsThem) {
  server srv;
  srv.drive.make_directory("data");
  srv.drive.write("b.dat", format_backup(product_backup()));
  srv.ok(
      "restore   DATABASE [odd ]]name] from disk = 'C:/b.dat'\n  with move 'QRVXDB_DATA' to "
      "'c:\\data\\o.mdf',\n"
      "\tMOVE N'qrvxdb_log' TO N'c:\\data\\o.ldf' -- trailing comment");
  auto found = srv.ok("SeLeCt NAME from [master]..[sysdatabases] /* any case */ where name = @P1",
                      {{"@p1", std::string("ODD ]NAME  ")}});
  ASSERT_TRUE(found.rows.has_value());
  ASSERT_EQ(found.rows->rows.size(), 1u);
  EXPECT_EQ(found.rows->rows[0][0], "odd ]name");

  srv.ok("sp_addlogin N'o''brien', N'it''s;} 密码'");
  session obrien;
  EXPECT_FALSE(srv.e.login(obrien, "O'Brien", "it's;} 密码", "").has_value());
  srv.ok("use [odd ]]name]");
  srv.ok("insert into dbo.t_sys_system ( sys_var_id , sys_var_name ) values ( N'名' , 'a''b' )");
  auto row = srv.ok("select sys_var_name from [odd ]]name].dbo.t_sys_system where sys_var_id = N'名'");
  ASSERT_EQ(row.rows->rows.size(), 1u);
  EXPECT_EQ(row.rows->rows[0][0], "a'b");
  srv.ok("use master");
  srv.ok("Drop DATABASE [odd ]]name]");
  EXPECT_FALSE(srv.drive.exists("data/o.mdf"));
}

TEST(Statements, BatchRunsItsStatementsInOrderUnlessItDoesNotCompile) {
  product_server srv;
  auto outcomes = srv.run(
      "insert into t_sys_system (sys_var_id) values ('a');"
      "insert into t_sys_system (sys_var_id) values ('a')\n"
      "update t_sys_system set sys_var_value = 'after' where sys_var_id = 'a'");
  ASSERT_EQ(outcomes.size(), 3u);
  EXPECT_FALSE(outcomes[0].failed);
  EXPECT_TRUE(outcomes[1].failed);
  EXPECT_EQ(outcomes[2].rows_affected, 1);

  const std::string before = srv.e.dump();
  outcomes = srv.run("delete t_sys_system; update t_sys_system set");
  ASSERT_EQ(outcomes.size(), 1u);
  EXPECT_EQ(server::first_error(outcomes).number, 102);
  EXPECT_EQ(srv.e.dump(), before);
  // A procedure without EXEC is a call only at the start of a batch.
  EXPECT_EQ(srv.error_of("use master sp_addlogin 'x'"), 102);
  EXPECT_TRUE(srv.run("  -- nothing here\n").empty());
}

TEST(Statements, UseSwitchesTheSessionAndNamesTheNewDatabase) {
  product_server srv;
  auto outcome = srv.ok("USE [MASTER]");
  EXPECT_EQ(outcome.database_changed, "master");
  EXPECT_EQ(srv.sa.database, "master");
  EXPECT_EQ(srv.error_of("select * from t_sys_system"), 208);
  EXPECT_EQ(srv.ok("select sys_var_id from qrvx.dbo.t_sys_system").rows_affected, 2);
}

TEST(Statements, LoginsAreCheckedOnConnect) {
  product_server srv;
  session s;
  auto refused = srv.e.login(s, "sa", "wrong", "master");
  ASSERT_TRUE(refused.has_value());
  EXPECT_EQ(refused->number, 18456);
  EXPECT_EQ(refused->text, "Login failed for user 'sa'.");
  EXPECT_EQ(srv.e.login(s, "nobody", "", "")->number, 18456);
  EXPECT_EQ(srv.e.login(s, "SA", "sa pass;}'", "")->number, 18456);  // passwords keep their case
  EXPECT_EQ(srv.e.login(s, "sa", sa_password, "nosuch")->number, 4060);

  // A login without a user in the database cannot open it; a server role opens every database.
  srv.ok("sp_addlogin 'clerk', 'pw', 'qrvx'");
  EXPECT_EQ(srv.e.login(s, "clerk", "pw", "qrvx")->number, 4060);
  EXPECT_EQ(srv.e.login(s, "clerk", "pw", "")->number, 4064);
  EXPECT_FALSE(srv.e.login(s, "clerk", "pw", "master").has_value());
  EXPECT_EQ(srv.e.execute(s, "use qrvx")[0].messages[0].number, 916);
  srv.ok("exec sp_addsrvrolemember 'clerk', 'sysadmin'");
  EXPECT_FALSE(srv.e.login(s, "CLERK", "pw", "QRVX").has_value());
  EXPECT_EQ(s.login, "clerk");
  EXPECT_EQ(s.database, "qrvx");
}

TEST(Statements, ServerWideStatementsNeedTheirServerRoles) {
  product_server srv;
  srv.ok("sp_addlogin 'clerk', 'pw'");
  session clerk;
  ASSERT_FALSE(srv.e.login(clerk, "clerk", "pw", "master").has_value());
  const auto error = [&](const std::string& sql) {
    return server::first_error(srv.e.execute(clerk, sql)).number;
  };
  EXPECT_EQ(error("sp_addlogin 'other', 'pw'"), 15247);
  EXPECT_EQ(error("sp_addsrvrolemember 'clerk', 'sysadmin'"), 15247);
  EXPECT_EQ(error("exec sp_password NULL, 'new', 'sa'"), 15247);
  EXPECT_EQ(error("exec sp_password 'wrong', 'new'"), 15211);
  EXPECT_EQ(error("sp_configure 'allow updates', 1"), 15247);
  EXPECT_EQ(error("RECONFIGURE WITH OVERRIDE"), 5812);
  EXPECT_EQ(error("Drop DATABASE qrvx"), 3701);
  EXPECT_EQ(error("RESTORE DATABASE x FROM DISK = 'c:\\b.dat'"), 3110);
  EXPECT_EQ(error("alter database qrvx SET RECOVERY SIMPLE"), 5011);

  // Its own password and default database a login may change.
  EXPECT_EQ(error("exec sp_password 'pw', 'new'"), 0);
  EXPECT_EQ(error("exec sp_defaultdb 'clerk', 'tempdb'"), 0);
  session again;
  EXPECT_FALSE(srv.e.login(again, "clerk", "new", "").has_value());
  EXPECT_EQ(again.database, "tempdb");
}

TEST(Statements, SysusersChangesOnlyOnSql2000WithAllowUpdatesInstalled) {
  const std::string mapping =
      "update qrvx.dbo.sysusers set sid=(select sid from master.dbo.syslogins where name='qrvxlog') "
      "where name='qrvxlog'";
  product_server srv2000(server_version::v2000);
  srv2000.ok("use master");
  srv2000.ok("sp_addlogin 'qrvxlog', 'pw'");
  EXPECT_EQ(srv2000.error_of(mapping), 259);
  srv2000.ok("sp_configure 'allow updates',1");
  EXPECT_EQ(srv2000.error_of(mapping), 259) << "configured but not yet installed";
  srv2000.ok("RECONFIGURE WITH OVERRIDE");
  EXPECT_EQ(srv2000.ok(mapping).rows_affected, 1);
  const auto sids = srv2000.ok("select sid from qrvx.dbo.sysusers where name = 'qrvxlog'");
  const auto login = srv2000.ok("select sid from master.dbo.syslogins where name = 'qrvxlog'");
  EXPECT_EQ(sids.rows->rows, login.rows->rows);

  product_server srv2005(server_version::v2005);
  srv2005.ok("use master");
  srv2005.ok("sp_addlogin 'qrvxlog', 'pw'");
  srv2005.ok("sp_configure 'allow updates',1");
  EXPECT_EQ(srv2005.error_of("RECONFIGURE"), 5808);
  srv2005.ok("RECONFIGURE WITH OVERRIDE");
  EXPECT_EQ(srv2005.error_of(mapping), 259);
}

// What each version says it is, which backups it refuses (3169: newer ones, and 2000's on 2012 and
// later), and whether it still has sp_dboption.
TEST(Statements, EachVersionAnswersAsItself) {
  struct row {
    server_version version;
    std::string product_version;
    std::vector<server_version> refused;
    bool sp_dboption;
  };
  using v = server_version;
  const row rows[] = {
      {v::v2000, "8.0.2039.0", {v::v2005, v::v2022}, true},
      {v::v2008, "10.0.5500.0", {v::v2012, v::v2019}, true},
      {v::v2012, "11.0.5058.0", {v::v2000, v::v2014}, false},
      {v::v2016, "13.0.5026.0", {v::v2000, v::v2017}, false},
      {v::v2019, "15.0.2000.0", {v::v2000, v::v2022}, false},
      {v::v2022, "16.0.1000.0", {v::v2000}, false},
  };
  for (const row& r : rows) {
    const std::string year = std::to_string(static_cast<int>(r.version));
    SCOPED_TRACE(year);
    product_server srv(r.version);
    const auto property = srv.ok("select serverproperty('ProductVersion')");
    EXPECT_EQ(property.rows->rows.at(0).at(0), r.product_version);
    EXPECT_EQ(srv.ok("SELECT @@VERSION").rows->rows.at(0).at(0),
              "Microsoft SQL Server " + year + " - " + r.product_version + " (sqlsim)");
    EXPECT_EQ(srv.ok("select serverproperty('NoSuchProperty')").rows->rows.at(0).at(0), std::nullopt);
    const std::string dboption = "exec sp_dboption N'qrvx', N'trunc. log', N'true'";
    if (r.sp_dboption) {
      srv.ok(dboption);
    } else {
      EXPECT_EQ(srv.error_of(dboption), 2812);
    }
    for (const server_version from : server_versions) {
      backup_image image = product_backup();
      image.server = from;
      srv.drive.write("from.dat", format_backup(image));
      const bool refused = std::find(r.refused.begin(), r.refused.end(), from) != r.refused.end();
      const auto outcomes = srv.run(
          "RESTORE DATABASE other FROM DISK = 'c:\\from.dat' WITH MOVE "
          "'qrvxdb_Data' TO 'c:\\data\\o.mdf', MOVE 'qrvxdb_Log' TO "
          "'c:\\data\\o.ldf', REPLACE");
      if (refused) {
        EXPECT_EQ(server::first_error(outcomes).number, 3169) << static_cast<int>(from);
      } else if (from <= r.version && !(from == v::v2000 && r.version >= v::v2012)) {
        EXPECT_FALSE(outcomes.at(0).failed) << static_cast<int>(from);
      }
    }
  }
}

}  // namespace
}  // namespace sqlsim::testing
