// The ODBC connection against a running sqlsim, through the real driver: FreeTDS natively, and under
// wine through wine's odbc32, the host's unixODBC and the i386 FreeTDS driver. with_sqlsim.sh starts
// the server and passes its port, its sa password and its drive C: directory in the environment.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "install/server_name.h"
#include "platform/odbc/odbc_transaction.h"

namespace setup {
namespace {

constexpr const char* exists_sql = "select name from master.dbo.sysdatabases where name = ?";
constexpr const char* login_sid_sql = "select sid from master.dbo.syslogins where name = ?";
// The backup the fixture writes: database "wire", logical files "wire_Data" and "wire_Log".
constexpr const char* backup_path = "c:\\wire_backup.dat";

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// Where a restore of the fixture's backup puts a database's files, as the server names them.
std::string restore_sql(const std::string& database) {
  return "RESTORE DATABASE " + database + " FROM  DISK = N'" + backup_path +
         "' WITH  FILE = 1,  NOUNLOAD ,  STATS = 10,  RECOVERY ,  REPLACE ,MOVE N'wire_Log' TO N'c:\\data\\" +
         database + "_Log.LDF',MOVE N'wire_Data' TO N'c:\\data\\" + database + "_Data.MDF'";
}

// A host path as this program sees it (under wine through drive Z:).
std::filesystem::path host_path(std::string path) {
#ifdef _WIN32
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  path = "Z:" + path;
#endif
  return std::filesystem::path(path);
}

std::filesystem::path c_drive_file(const std::string& relative) {
  return host_path(environment("SQLSIM_C_DRIVE")) / relative;
}

std::string dump_text() {
  std::ifstream in(host_path(environment("SQLSIM_DUMP")), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class Wire : public ::testing::Test {
 protected:
  void SetUp() override {
    port_ = environment("SQLSIM_PORT");
    ASSERT_FALSE(port_.empty()) << "run under with_sqlsim.sh: SQLSIM_PORT is not set";
    sa_password_ = environment("SQLSIM_SA_PASSWORD");
  }

  // Settings as the install procedure makes them, for the server on the test's port.
  void configure(odbc_transaction& t, const std::string& login, const std::string& password,
                 const std::string& database = "master") {
    t.dbms = "MSS Microsoft SQL Server 2000";
    t.autocommit = true;
    t.dbparm.clear();
    t.servername = server_name_for("127.0.0.1", port_);
    t.logid = login;
    t.logpass = password;
    t.database = database;
  }

  void connect_as_sa(odbc_transaction& t, const std::string& database = "master") {
    configure(t, "sa", sa_password_, database);
    t.connect();
    ASSERT_EQ(t.sqlcode, sql_ok) << t.sqldbcode << " " << t.sqlerrtext;
  }

  std::string port_;
  std::string sa_password_;
};

TEST_F(Wire, ConnectsWithTheServerNameRuleAndDisconnects) {
  odbc_transaction t;
  configure(t, "sa", sa_password_);
  // Blanks around the machine name and the port are the operator's; the rule trims them.
  t.servername = server_name_for("  127.0.0.1  ", " " + port_);
  EXPECT_EQ(t.servername, "127.0.0.1, " + port_);
  t.connect();
  ASSERT_EQ(t.sqlcode, sql_ok) << t.sqlerrtext;
  EXPECT_TRUE(t.connected());
  t.disconnect();
  EXPECT_FALSE(t.connected());
  t.execute_immediate("sp_configure 'allow updates',0");
  EXPECT_EQ(t.sqlcode, sql_error);

  // A port typed with the machine name wins over the instance's port. (The server takes one
  // connection at a time: each test holds at most one.)
  t.servername = server_name_for("127.0.0.1," + port_, "1");
  t.connect();
  EXPECT_EQ(t.sqlcode, sql_ok) << t.sqlerrtext;
}

TEST_F(Wire, OlderProtocolOfSqlServer2000ClientsWorksToo) {
  // TDS 7.1: four-byte row counts, two-byte line numbers, no headers before a request.
  odbc_transaction t;
  configure(t, "sa", sa_password_);
  t.dbparm = "TDS_Version=7.1";
  t.connect();
  ASSERT_EQ(t.sqlcode, sql_ok) << t.sqlerrtext;
  EXPECT_EQ(t.select_single(exists_sql, "master"), std::optional<std::string>("master"));
  t.execute_immediate("frobnicate the server");
  EXPECT_EQ(t.sqldbcode, 102);
  t.execute_immediate(restore_sql("wire_tds71"));
  EXPECT_EQ(t.sqlcode, sql_ok) << t.sqlerrtext;
  EXPECT_EQ(t.select_single(exists_sql, "wire_tds71"), std::optional<std::string>("wire_tds71"));
}

TEST_F(Wire, WrongPasswordIsLoginFailure18456WithTheServersText) {
  odbc_transaction t;
  configure(t, "sa", sa_password_ + "x");
  t.connect();
  EXPECT_EQ(t.sqlcode, sql_error);
  EXPECT_EQ(t.sqldbcode, 18456);
  EXPECT_EQ(t.sqlerrtext, "Login failed for user 'sa'.");
  EXPECT_FALSE(t.connected());
}

TEST_F(Wire, BoundParameterSelectsFindAndMiss) {
  odbc_transaction t;
  connect_as_sa(t);
  std::optional<std::string> name = t.select_single(exists_sql, "master");
  EXPECT_EQ(t.sqlcode, sql_ok) << t.sqlerrtext;
  EXPECT_EQ(name, std::optional<std::string>("master"));

  // A quote in the value stays a value: it is bound, not pasted into the statement.
  name = t.select_single(exists_sql, "master' or name <> '");
  EXPECT_EQ(t.sqlcode, sql_not_found) << t.sqlerrtext;
  EXPECT_FALSE(name.has_value());

  std::optional<std::string> sid = t.select_single(login_sid_sql, "sa");
  EXPECT_EQ(t.sqlcode, sql_ok) << t.sqlerrtext;
  EXPECT_TRUE(sid.has_value());
  t.select_single(login_sid_sql, "nobody_here");
  EXPECT_EQ(t.sqlcode, sql_not_found);
}

TEST_F(Wire, FailingStatementGivesTheServersNumberAndTextWithoutDriverPrefix) {
  odbc_transaction t;
  connect_as_sa(t);
  t.execute_immediate("sp_addlogin 'sa','whatever'");
  EXPECT_EQ(t.sqlcode, sql_error);
  EXPECT_EQ(t.sqldbcode, 15025);
  EXPECT_FALSE(t.sqlerrtext.empty());
  EXPECT_NE(t.sqlerrtext.front(), '[') << t.sqlerrtext;

  t.execute_immediate("frobnicate the server");
  EXPECT_EQ(t.sqlcode, sql_error);
  EXPECT_EQ(t.sqldbcode, 102);
  EXPECT_EQ(t.sqlerrtext.rfind("Incorrect syntax near ", 0), 0u) << t.sqlerrtext;

  // The connection stays usable after a failure, and a success clears the error.
  t.select_single(exists_sql, "master");
  EXPECT_EQ(t.sqlcode, sql_ok);
  EXPECT_EQ(t.sqldbcode, 0);
  EXPECT_EQ(t.sqlerrtext, "");
}

TEST_F(Wire, PasswordWithSeparatorsConnectsAsTypedAndLoginsSwitch) {
  // ';', '=', '{' and blanks inside a value; a doubled quote for the literal of sp_addlogin.
  const std::string password = "a;b= {c d'e";
  odbc_transaction t;
  connect_as_sa(t);
  t.execute_immediate("sp_addlogin 'wire_user','a;b= {c d''e'");
  ASSERT_EQ(t.sqlcode, sql_ok) << t.sqldbcode << " " << t.sqlerrtext;

  // Reconnecting as another login closes the first connection.
  configure(t, "wire_user", password);
  t.connect();
  ASSERT_EQ(t.sqlcode, sql_ok) << t.sqldbcode << " " << t.sqlerrtext;
  EXPECT_TRUE(t.connected());
  EXPECT_EQ(t.select_single(exists_sql, "master"), std::optional<std::string>("master"));

  // What an unescaped connection string would have sent: the text up to the first ';'.
  configure(t, "wire_user", "a");
  t.connect();
  EXPECT_EQ(t.sqldbcode, 18456);
  EXPECT_EQ(t.sqlerrtext, "Login failed for user 'wire_user'.");
  EXPECT_FALSE(t.connected());

  configure(t, "sa", sa_password_);
  t.connect();
  EXPECT_EQ(t.sqlcode, sql_ok) << t.sqlerrtext;
}

TEST_F(Wire, RestoreWithStatsIsReadToTheEndAndCompletes) {
  odbc_transaction t;
  connect_as_sa(t);
  t.execute_immediate(restore_sql("wire_restored"));
  ASSERT_EQ(t.sqlcode, sql_ok) << t.sqldbcode << " " << t.sqlerrtext;
  EXPECT_EQ(t.sqlerrtext, "");

  // Every progress message was read: the connection takes the next statement at once.
  EXPECT_EQ(t.select_single(exists_sql, "wire_restored"), std::optional<std::string>("wire_restored"));
  EXPECT_EQ(t.sqlcode, sql_ok) << t.sqlerrtext;
  EXPECT_TRUE(std::filesystem::exists(c_drive_file("data/wire_restored_Data.MDF")));
  EXPECT_TRUE(std::filesystem::exists(c_drive_file("data/wire_restored_Log.LDF")));
  // The server's state file already holds the restored database when the reply arrives.
  EXPECT_NE(dump_text().find("wire_restored"), std::string::npos);

  // The restored database can be opened on connect.
  connect_as_sa(t, "wire_restored");
}

TEST_F(Wire, RestoreProgressReachesTheMessageHandlerAsItIsMade) {
  const long delay = std::atol(environment("SQLSIM_SLOW_RESTORE_MS").c_str());
  odbc_transaction t;
  connect_as_sa(t);
  const auto began = std::chrono::steady_clock::now();
  std::vector<long> numbers;
  std::vector<long long> arrived;  // milliseconds from the start
  t.execute_immediate(restore_sql("wire_heard"), [&](long number, std::string_view text) {
    numbers.push_back(number);
    arrived.push_back(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - began)
            .count());
    if (number == 3211) {
      EXPECT_EQ(text, std::to_string(numbers.size() * 10) + " percent processed.");
    }
  });
  ASSERT_EQ(t.sqlcode, sql_ok) << t.sqldbcode << " " << t.sqlerrtext;
  std::vector<long> expected(10, 3211);
  expected.insert(expected.end(), {4035, 4035, 3014});
  EXPECT_EQ(numbers, expected);
  // With a slowed server the first step is heard long before the restore ends.
  if (delay > 0 && arrived.size() == expected.size()) {
    EXPECT_GE(arrived.back() - arrived.front(), delay * 8);
  }
}

// Rows with their column names, NULLs and several result sets (the first is taken), through the driver.
TEST_F(Wire, RowsOfAQueryComeWholeWithTheirColumns) {
  odbc_transaction t;
  connect_as_sa(t);
  const std::optional<result_set> files =
      t.select_rows(std::string("RESTORE FILELISTONLY FROM DISK = N'") + std::string(backup_path) + "'");
  ASSERT_TRUE(files.has_value()) << t.sqldbcode << " " << t.sqlerrtext;
  EXPECT_EQ(t.sqlnrows, 2);
  ASSERT_TRUE(files->column("logicalname").has_value());
  const std::size_t group = *files->column("FileGroupName");
  ASSERT_EQ(files->rows.size(), 2u);
  EXPECT_EQ(files->rows[0][group], std::optional<std::string>("PRIMARY"));
  EXPECT_EQ(files->rows[1][group], std::nullopt);
  EXPECT_EQ(t.select_rows("select name from master.dbo.sysdatabases where name = 'none'")->rows.size(), 0u);
  EXPECT_EQ(t.sqlcode, sql_ok);
  EXPECT_FALSE(t.select_rows("select name from no_such_table").has_value());
  EXPECT_EQ(t.sqldbcode, 208);
  EXPECT_FALSE(t.select_rows("sp_addlogin 'wire_rows_login', 'pw'").has_value()) << "no rows: an error";
  EXPECT_EQ(t.sqlcode, sql_error);
}

TEST_F(Wire, RestoreOfAMissingBackupFailsWith3201) {
  odbc_transaction t;
  connect_as_sa(t);
  std::string sql = restore_sql("wire_missing");
  sql.replace(sql.find(backup_path), std::string(backup_path).size(), "c:\\no_such_backup.dat");
  t.execute_immediate(sql);
  EXPECT_EQ(t.sqlcode, sql_error);
  EXPECT_EQ(t.sqldbcode, 3201);
  t.select_single(exists_sql, "wire_missing");
  EXPECT_EQ(t.sqlcode, sql_not_found);
}

TEST_F(Wire, RowCountsOfInsertUpdateAndDelete) {
  odbc_transaction t;
  connect_as_sa(t);
  t.execute_immediate(restore_sql("wire_rows"));
  ASSERT_EQ(t.sqlcode, sql_ok) << t.sqlerrtext;
  connect_as_sa(t, "wire_rows");

  t.execute_immediate(
      "insert into t_sys_system ( sys_var_id , sys_var_name , sys_var_value , sys_ver_flag ) values "
      "( 'Is_Distributed' , '连锁总部' , '1' , '' )");
  EXPECT_EQ(t.sqlcode, sql_ok) << t.sqlerrtext;
  EXPECT_EQ(t.sqlnrows, 1);

  // The bound value carries text that is not in the server's code page.
  t.execute_bound("update t_sys_system SET sys_var_value = ? WHERE sys_var_id ='product_flag'", "4");
  EXPECT_EQ(t.sqlcode, sql_ok) << t.sqlerrtext;
  EXPECT_EQ(t.sqlnrows, 0);
  t.execute_bound(
      "INSERT INTO t_sys_system ( sys_var_id , sys_var_name , sys_var_value ) Values ( 'product_flag' , "
      "'product_flag' , ? )",
      "4");
  EXPECT_EQ(t.sqlnrows, 1);
  t.execute_bound("update t_sys_system SET sys_var_value = ? WHERE sys_var_id ='Is_Distributed'", "单店");
  EXPECT_EQ(t.sqlcode, sql_ok) << t.sqlerrtext;
  EXPECT_EQ(t.sqlnrows, 1);
  EXPECT_EQ(t.select_single("select sys_var_value from t_sys_system where sys_var_id = ?", "Is_Distributed"),
            std::optional<std::string>("单店"));

  t.execute_immediate("delete t_sys_system where sys_var_id ='Is_Distributed'");
  EXPECT_EQ(t.sqlcode, sql_ok) << t.sqlerrtext;
  EXPECT_EQ(t.sqlnrows, 1);
  t.execute_immediate("delete t_sys_system where sys_var_id ='Is_Distributed'");
  EXPECT_EQ(t.sqlnrows, 0);
}

}  // namespace
}  // namespace setup
