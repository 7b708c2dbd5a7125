// The connection object over an in-process engine: statuses, error numbers and texts, row counts.
#include <gtest/gtest.h>

#include "sim_test_support.h"

namespace sqlsim::testing {
namespace {

struct connection : server {
  engine_transaction sqlca{e};
  connection() {
    sqlca.logid = "sa";
    sqlca.logpass = sa_password;
    sqlca.database = "master";
    sqlca.connect();
  }
};

TEST(EngineTransaction, ConnectChecksTheLoginAndReconnectStartsAFreshSession) {
  connection c;
  ASSERT_EQ(c.sqlca.sqlcode, 0);
  c.sqlca.execute_immediate("use tempdb");
  EXPECT_EQ(c.sqlca.current_session().database, "tempdb");
  c.sqlca.logpass = "wrong";
  c.sqlca.connect();
  EXPECT_EQ(c.sqlca.sqlcode, -1);
  EXPECT_EQ(c.sqlca.sqldbcode, 18456);
  EXPECT_EQ(c.sqlca.sqlerrtext, "Login failed for user 'sa'.");
  EXPECT_FALSE(c.sqlca.connected());
  c.sqlca.execute_immediate("use master");
  EXPECT_EQ(c.sqlca.sqlcode, -1);
  EXPECT_EQ(c.sqlca.sqldbcode, 0);
  c.sqlca.logpass = sa_password;
  c.sqlca.connect();
  EXPECT_EQ(c.sqlca.current_session().database, "master");
}

TEST(EngineTransaction, SelectSingleBindsItsParameterAndTellsFoundFromNotFound) {
  connection c;
  const char* select = "select name from master.dbo.sysdatabases where name = ?";
  EXPECT_EQ(c.sqlca.select_single(select, "MSDB"), "msdb");
  EXPECT_EQ(c.sqlca.sqlcode, 0);
  EXPECT_EQ(c.sqlca.select_single(select, "x' or '1'='1"), std::nullopt);
  EXPECT_EQ(c.sqlca.sqlcode, 100);
  EXPECT_EQ(c.sqlca.select_single("select name from nowhere where name = ?", "x"), std::nullopt);
  EXPECT_EQ(c.sqlca.sqlcode, -1);
  EXPECT_EQ(c.sqlca.sqldbcode, 208);
  // A question mark in a literal or a comment is no marker; the statement must hold exactly one.
  EXPECT_EQ(c.sqlca.select_single("select name from master.dbo.sysdatabases where name = '?'", "x"),
            std::nullopt);
  EXPECT_EQ(c.sqlca.sqlcode, -1);
  EXPECT_EQ(
      c.sqlca.select_single("select name /* ? */ from master.dbo.sysdatabases where name = ? -- ?", "tempdb"),
      "tempdb");
}

TEST(EngineTransaction, ExecutionReportsTheFirstErrorAndTheRowCount) {
  connection c;
  c.sqlca.execute_immediate("RESTORE DATABASE x FROM DISK = N'c:\\ur_dbsetup_temp.dat'");
  EXPECT_EQ(c.sqlca.sqlcode, -1);
  EXPECT_EQ(c.sqlca.sqldbcode, 3201);
  EXPECT_EQ(
      c.sqlca.sqlerrtext,
      "Cannot open backup device 'c:\\ur_dbsetup_temp.dat'. Operating system error 2(The system cannot find "
      "the file specified.).");

  c.drive.make_directory("d");
  c.drive.write("ur_dbsetup_temp.dat", format_backup(product_backup()));
  std::vector<long> heard;
  c.sqlca.execute_immediate(
      "RESTORE DATABASE x FROM DISK = N'c:\\ur_dbsetup_temp.dat' WITH STATS = 50, MOVE N'qrvxdb_Data' TO "
      "N'c:\\d\\x.mdf', MOVE N'qrvxdb_Log' TO N'c:\\d\\x.ldf'",
      [&](long number, std::string_view) { heard.push_back(number); });
  EXPECT_EQ(c.sqlca.sqlcode, 0) << c.sqlca.sqlerrtext;
  EXPECT_EQ(heard, (std::vector<long>{3211, 3211, 4035, 4035, 3014}));
  ASSERT_EQ(c.sqlca.last_messages().size(), 5u);
  EXPECT_EQ(c.sqlca.last_messages()[1].text, "100 percent processed.");

  c.sqlca.execute_immediate("use x");
  c.sqlca.execute_bound("update t_sys_system SET sys_var_value = ? WHERE sys_var_id ='nothing'", "4");
  EXPECT_EQ(c.sqlca.sqlcode, 0);
  EXPECT_EQ(c.sqlca.sqlnrows, 0);
  c.sqlca.execute_bound(
      "INSERT INTO t_sys_system ( sys_var_id , sys_var_name , sys_var_value ) Values ( 'product_flag' , "
      "'product_flag' , ? )",
      "it's 4");
  EXPECT_EQ(c.sqlca.sqlnrows, 1);
  EXPECT_EQ(
      c.sqlca.select_single("select sys_var_value from t_sys_system where sys_var_id = ?", "product_flag"),
      "it's 4");
  c.sqlca.execute_bound("update t_sys_system SET sys_var_value = ?", "v");
  EXPECT_EQ(c.sqlca.sqlnrows, 3);
}

}  // namespace
}  // namespace sqlsim::testing
