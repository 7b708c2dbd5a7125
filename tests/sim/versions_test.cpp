// What changes between SQL Server 2000, 2005, 2008 and 2012.
#include <gtest/gtest.h>

#include "sim_test_support.h"

namespace sqlsim::testing {
namespace {

struct restored : server {
  explicit restored(server_version version) : server(version) {
    drive.make_directory("data");
    drive.write("b.dat", format_backup(product_backup()));
    ok("RESTORE DATABASE qrvx FROM DISK = N'c:\\b.dat' WITH MOVE N'qrvxdb_Data' TO N'c:\\data\\q.mdf', "
       "MOVE N'qrvxdb_Log' TO N'c:\\data\\q.ldf'");
  }
  std::string recovery() {
    const std::string dump = e.dump();
    const auto at = dump.find("database 'qrvx' ONLINE recovery ");
    return at == std::string::npos ? "" : dump.substr(at + 32, dump.find(' ', at + 32) - at - 32);
  }
};

TEST(Versions, SpDboptionIsGoneFrom2012AndSetsTheRecoveryModelBefore) {
  for (server_version v : {server_version::v2000, server_version::v2005, server_version::v2008}) {
    restored srv(v);
    EXPECT_EQ(srv.recovery(), "FULL");
    srv.ok("exec sp_dboption N'qrvx', N'bulkcopy', N'true'");
    EXPECT_EQ(srv.recovery(), "BULK_LOGGED");
    srv.ok("exec sp_dboption N'qrvx', N'trunc. log', N'true'");
    EXPECT_EQ(srv.recovery(), "SIMPLE");
    srv.ok("exec sp_dboption N'qrvx', N'TRUNC. LOG ON CHKPT.', N'off'");
    EXPECT_EQ(srv.recovery(), "BULK_LOGGED");
  }
  restored srv(server_version::v2012);
  const auto error = server::first_error(srv.run("exec sp_dboption N'qrvx', N'trunc. log', N'true'"));
  EXPECT_EQ(error.number, 2812);
  EXPECT_EQ(error.text, "Could not find stored procedure 'sp_dboption'.");
}

TEST(Versions, BulkLoggedRecoveryNeeds2005) {
  restored srv2000(server_version::v2000);
  const auto error = server::first_error(srv2000.run("alter database qrvx SET RECOVERY BULK_LOGGED"));
  EXPECT_EQ(error.number, 102);
  EXPECT_EQ(error.text, "Incorrect syntax near 'BULK_LOGGED'.");
  srv2000.ok("alter database qrvx SET RECOVERY SIMPLE");
  EXPECT_EQ(srv2000.recovery(), "SIMPLE");

  for (server_version v : {server_version::v2005, server_version::v2008, server_version::v2012}) {
    restored srv(v);
    srv.ok("ALTER DATABASE [qrvx] SET RECOVERY bulk_logged WITH NO_WAIT");
    EXPECT_EQ(srv.recovery(), "BULK_LOGGED");
    EXPECT_EQ(srv.error_of("alter database nosuch SET RECOVERY FULL"), 5011);
  }
}

TEST(Versions, Sql2000WordsItsMessagesItsOwnWayAndTellsWhatItDid) {
  restored old(server_version::v2000);
  EXPECT_EQ(server::first_error(old.run("sp_addlogin 'sa'")).text, "The login 'sa' already exists.");
  EXPECT_EQ(server::first_error(old.run("Drop DATABASE nosuch")).text,
            "Cannot drop the database 'nosuch' because it does not exist in the system catalog.");
  EXPECT_EQ(
      server::first_error(old.run("RESTORE DATABASE x FROM DISK = 'c:\\none.dat'")).text,
      "Cannot open backup device 'c:\\none.dat'. Device error or device off-line. See the SQL Server error "
      "log for more details.");
  EXPECT_EQ(old.ok("sp_addlogin 'shop', 'pw'").messages[0].text, "New login created.");
  EXPECT_EQ(old.ok("sp_addsrvrolemember N'shop', sysadmin").messages[0].text,
            "'shop' added to role 'sysadmin'.");
  const auto dropped = old.ok("Drop DATABASE qrvx");
  ASSERT_EQ(dropped.messages.size(), 2u);
  EXPECT_EQ(dropped.messages[0].text, "Deleting database file 'C:\\data\\q.mdf'.");

  restored current(server_version::v2008);
  EXPECT_TRUE(current.ok("sp_addlogin 'shop', 'pw'").messages.empty());
  EXPECT_TRUE(current.ok("Drop DATABASE qrvx").messages.empty());
  EXPECT_FALSE(current.drive.exists("data/q.mdf"));
}

TEST(Versions, Sql2000PasswordsFollowTheCaseInsensitiveSortOrder) {
  server old(server_version::v2000);
  old.ok("sp_addlogin 'shop', 'Secret'");
  session s;
  EXPECT_FALSE(old.e.login(s, "shop", "SECRET", "").has_value());
  server current(server_version::v2005);
  current.ok("sp_addlogin 'shop', 'Secret'");
  EXPECT_EQ(current.e.login(s, "shop", "SECRET", "")->number, 18456);
}

TEST(Versions, CatalogTablesOfTheServerAreInMasterOnlyOn2000) {
  restored old(server_version::v2000);
  old.ok("use qrvx");
  EXPECT_EQ(old.error_of("select name from sysdatabases"), 208);
  EXPECT_EQ(old.ok("select name from master.dbo.sysdatabases where name = 'qrvx'").rows_affected, 1);
  restored current(server_version::v2012);
  current.ok("use qrvx");
  EXPECT_EQ(current.ok("select name from sysdatabases where name = 'qrvx'").rows_affected, 1);
}

}  // namespace
}  // namespace sqlsim::testing
