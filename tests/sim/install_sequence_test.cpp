// A whole database install as the wizard sends it, on each SQL Server version, checked through the
// server's dump: what the operator's server holds afterwards.
#include <gtest/gtest.h>

#include "sim_test_support.h"

namespace sqlsim::testing {
namespace {

constexpr const char* db = "qrvx";
constexpr const char* product_login = "qrvxlog";
constexpr const char* product_password = "Log pass'1";
constexpr const char* temp_backup = "c:\\ur_dbsetup_temp.dat";

struct wizard_run {
  server_version version;
  server& srv;
  engine_transaction sqlca{srv.e};

  bool sql2000() const { return version == server_version::v2000; }

  void connect(const std::string& login, const std::string& password, const std::string& database) {
    sqlca.disconnect();
    sqlca.logid = login;
    sqlca.logpass = password;
    sqlca.database = database;
    sqlca.connect();
    ASSERT_EQ(sqlca.sqlcode, 0) << sqlca.sqlerrtext;
  }
  void exec(const std::string& sql) {
    sqlca.execute_immediate(sql);
    EXPECT_EQ(sqlca.sqlcode, 0) << sql << ": " << sqlca.sqldbcode << " " << sqlca.sqlerrtext;
  }
  void exec_bound(const std::string& sql, const std::string& value) {
    sqlca.execute_bound(sql, value);
    EXPECT_EQ(sqlca.sqlcode, 0) << sql << ": " << sqlca.sqldbcode << " " << sqlca.sqlerrtext;
  }
  long select(const std::string& sql, const std::string& value) {
    sqlca.select_single(sql, value);
    return sqlca.sqlcode;
  }
  std::string quote(const std::string& text) {
    std::string out;
    for (char c : text) {
      out += c;
      if (c == '\'') out += '\'';
    }
    return out;
  }

  // The install from the first connect to the last flag, with the statements as the wizard builds them
  // (every flag row written, as for a product that has them all).
  void install() {
    connect("sa", sa_password, "master");
    if (select("select name from master.dbo.sysdatabases where name = ?", db) == 0) {
      exec(std::string("Drop DATABASE ") + db);
    }
    ASSERT_NE(sqlca.sqlcode, -1);
    const std::string login = product_login;
    const std::string password = quote(product_password);
    if (select("select sid from master.dbo.syslogins where name = ?", login) == 100) {
      sqlca.execute_immediate("sp_addlogin '" + login + "','" + password + "'");
      for (const char* role : {"sysadmin", "securityadmin", "serveradmin"}) {
        sqlca.execute_immediate("sp_addsrvrolemember N'" + login + "', " + role);
      }
    } else if (!sql2000()) {
      exec("exec sp_password null,N'" + password + "',N'" + login + "'");
      exec("exec sp_defaultdb N'" + login + "', N'master'");
    }
    if (select("select sid from master.dbo.syslogins where name = ?", "QRVXPub") == 100) {
      sqlca.execute_immediate("sp_addlogin 'QRVXPub','MornTideQuill'");
      sqlca.execute_immediate("sp_addsrvrolemember N'QRVXPub', sysadmin");
    }

    connect(login, product_password, "master");
    srv.drive.write("ur_dbsetup_temp.dat", format_backup(product_backup()));
    exec(std::string("RESTORE DATABASE ") + db + " FROM  DISK = N'" + temp_backup +
         "' WITH  FILE = 1,  NOUNLOAD ,  STATS = 10,  RECOVERY ,  REPLACE ,MOVE N'qrvxdb_Log' TO "
         "N'c:\\sqldata\\" +
         db + "_Log.LDF',MOVE N'qrvxdb_Data' TO N'c:\\sqldata\\" + db + "_Data.MDF'");
    if (sql2000()) {
      exec("sp_configure 'allow updates',1");
      exec("RECONFIGURE WITH OVERRIDE");
      exec(std::string("update ") + db +
           ".dbo.sysusers set sid=(select sid from master.dbo.syslogins where name='" + login +
           "') where name='" + login + "'");
      EXPECT_EQ(sqlca.sqlnrows, 1);
      exec("sp_configure 'allow updates',0");
      exec("RECONFIGURE WITH OVERRIDE");
    }

    connect("sa", sa_password, db);
    exec("exec sp_defaultdb N'" + login + "', N'" + db + "'");
    if (version >= server_version::v2012) {
      exec(std::string("alter database ") + db + " SET RECOVERY BULK_LOGGED");
    } else {
      exec(std::string("exec sp_dboption N'") + db + "', N'trunc. log', N'true'");
      exec(std::string("exec sp_dboption N'") + db + "', N'bulkcopy', N'true'");
    }
    exec("delete t_sys_system where sys_var_id ='Is_Distributed'");
    exec(
        "insert into t_sys_system ( sys_var_id , sys_var_name , sys_var_value , sys_ver_flag ) values "
        "( 'Is_Distributed' , '单店' , '0' , '' )");
    exec_bound("update t_sys_system SET sys_var_value = ? WHERE sys_var_id ='product_flag'", "4");
    if (sqlca.sqlnrows == 0) {
      exec_bound(
          "INSERT INTO t_sys_system ( sys_var_id , sys_var_name , sys_var_value ) Values "
          "( 'product_flag' , 'product_flag' , ? )",
          "4");
    }
    exec("update t_sys_system SET sys_var_value ='1' WHERE sys_var_id ='enabled_wcf'");
    if (sqlca.sqlnrows == 0) {
      exec(
          "INSERT INTO t_sys_system ( sys_var_id , sys_var_name , sys_var_value ) Values "
          "( 'enabled_wcf' , 'enabled_wcf' , '1' )");
    }
    exec_bound("update t_sys_system SET sys_var_value = ? WHERE sys_var_id ='custom_product_name'", "小店");
    if (sqlca.sqlnrows == 0) {
      exec_bound(
          "INSERT INTO t_sys_system ( sys_var_id , sys_var_name , sys_var_value ) Values "
          "( 'custom_product_name' , 'custom_product_name' , ? )",
          "小店");
    }
    sqlca.disconnect();
  }
};

std::string expected_dump(server_version version) {
  const bool v2000 = version == server_version::v2000;
  const bool v2012 = version >= server_version::v2012;
  const char* build = v2000                              ? "8.00.2039"
                      : version == server_version::v2005 ? "9.00.5000"
                      : version == server_version::v2008 ? "10.00.5500"
                      : version == server_version::v2012 ? "11.00.5058"
                                                         : "15.00.2000";
  std::string dump = "server version " + std::to_string(static_cast<int>(version)) + " (" + build + ")\n" +
                     "configuration 'allow updates' config 0 run 0\n"
                     "configuration 'show advanced options' config 0 run 0\n"
                     "\n"
                     "database 'master' system\n"
                     "database 'model' system\n"
                     "database 'msdb' system\n";
  dump += std::string("database 'qrvx' ONLINE recovery ") +
          (v2012 ? "BULK_LOGGED 'trunc. log on chkpt.' off 'select into/bulkcopy' on\n"
                 : "SIMPLE 'trunc. log on chkpt.' on 'select into/bulkcopy' on\n");
  dump +=
      "  file data 'qrvxdb_Data' 'C:\\sqldata\\qrvx_Data.MDF'\n"
      "  file log 'qrvxdb_Log' 'C:\\sqldata\\qrvx_Log.LDF'\n"
      "  user 'dbo' 0x01\n";
  // Only the 2000 install maps the restored user onto the new login.
  dump +=
      std::string("  user 'qrvxlog' ") + (v2000 ? "0x53514C53494D2D4C4F47494E00000001" : "0xAABBCCDD") + "\n";
  dump +=
      "  t_sys_system 'custom_product_name' 'custom_product_name' '小店' NULL\n"
      "  t_sys_system 'enabled_wcf' 'enabled_wcf' '1' NULL\n"
      "  t_sys_system 'Is_Distributed' '单店' '0' ''\n"
      "  t_sys_system 'product_flag' 'product_flag' '4' NULL\n"
      "  t_sys_system 'sys_version' '版本' '9.0' NULL\n"
      "database 'tempdb' system\n"
      "\n"
      "login 'qrvxlog' sid 0x53514C53494D2D4C4F47494E00000001 default 'qrvx' roles securityadmin serveradmin "
      "sysadmin\n"
      "login 'QRVXPub' sid 0x53514C53494D2D4C4F47494E00000002 default 'master' roles sysadmin\n"
      "login 'sa' sid 0x01 default 'master' roles sysadmin\n";
  return dump;
}

class InstallSequence : public ::testing::TestWithParam<server_version> {};

TEST_P(InstallSequence, FreshInstallLeavesTheDatabaseLoginsAndFlagsInPlace) {
  server srv(GetParam());
  srv.drive.make_directory("sqldata");
  wizard_run wizard{GetParam(), srv};
  wizard.install();
  EXPECT_EQ(srv.e.dump(), expected_dump(GetParam()));
  EXPECT_TRUE(srv.drive.exists("sqldata/qrvx_Data.MDF"));
  EXPECT_TRUE(srv.drive.exists("sqldata/qrvx_Log.LDF"));

  // The product logs in to its database with the password the wizard gave it.
  session product;
  EXPECT_FALSE(srv.e.login(product, product_login, product_password, "").has_value());
  EXPECT_EQ(product.database, "qrvx");
}

TEST_P(InstallSequence, ReinstallDropsTheOldDatabaseAndKeepsTheLogins) {
  server srv(GetParam());
  srv.drive.make_directory("sqldata");
  wizard_run wizard{GetParam(), srv};
  wizard.install();
  srv.drive.write("sqldata/stray.txt", "not the server's");
  wizard.install();
  EXPECT_EQ(srv.e.dump(), expected_dump(GetParam()));
  EXPECT_TRUE(srv.drive.exists("sqldata/stray.txt"));
}

INSTANTIATE_TEST_SUITE_P(Versions, InstallSequence,
                         ::testing::Values(server_version::v2000, server_version::v2005,
                                           server_version::v2008, server_version::v2012,
                                           server_version::v2019),
                         [](const auto& info) {
                           return "sql" + std::to_string(static_cast<int>(info.param));
                         });

}  // namespace
}  // namespace sqlsim::testing
