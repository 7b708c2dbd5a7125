// Faults on demand, refused connections, held databases, and the dump tests compare.
#include <gtest/gtest.h>

#include "sim_test_support.h"

namespace sqlsim::testing {
namespace {

server_message disk_full() {
  return {1105, 2, 17, "Could not allocate space.", "", 1};
}

TEST(Faults, TheNthStatementFailsInsteadOfRunning) {
  server srv;
  srv.e.fail_statement(3, disk_full());
  srv.ok("sp_addlogin 'one'");
  // Statements count one by one, inside batches too.
  auto outcomes = srv.run("exec sp_addlogin 'two' exec sp_addlogin 'three'");
  ASSERT_EQ(outcomes.size(), 2u);
  EXPECT_FALSE(outcomes[0].failed);
  EXPECT_TRUE(outcomes[1].failed);
  ASSERT_EQ(outcomes[1].messages.size(), 1u);
  EXPECT_EQ(outcomes[1].messages[0].number, 1105);
  EXPECT_EQ(outcomes[1].messages[0].text, "Could not allocate space.");
  const std::string dump = srv.e.dump();
  EXPECT_EQ(dump.find("'three'"), std::string::npos);
  srv.ok("sp_addlogin 'three'");  // the fault fires once
}

TEST(Faults, TheFirstStatementMatchingAPatternFails) {
  server srv;
  srv.e.fail_matching("SP_ADDSRVROLEMEMBER N'qrvxlog', SERVERADMIN", disk_full());
  srv.ok("sp_addlogin 'qrvxlog'");
  srv.ok("sp_addsrvrolemember N'qrvxlog', sysadmin");
  auto outcomes =
      srv.run("select name from master.dbo.syslogins; exec sp_addsrvrolemember N'qrvxlog', serveradmin");
  ASSERT_EQ(outcomes.size(), 2u);
  EXPECT_FALSE(outcomes[0].failed);
  EXPECT_EQ(server::first_error({outcomes[1]}).number, 1105);
  EXPECT_EQ(srv.e.dump().find("serveradmin"), std::string::npos);
  srv.ok("sp_addsrvrolemember N'qrvxlog', serveradmin");
  EXPECT_NE(srv.e.dump().find("roles serveradmin sysadmin"), std::string::npos);

  // A fault of information only is added to what the statement does.
  srv.e.fail_statement(1, {50000, 1, 10, "heads up", "", 1});
  const auto outcome = srv.ok("sp_addlogin 'other'");
  ASSERT_EQ(outcome.messages.size(), 1u);
  EXPECT_EQ(outcome.messages[0].text, "heads up");
  EXPECT_NE(srv.e.dump().find("'other'"), std::string::npos);
}

TEST(Faults, RefusedConnectionsAndHeldDatabases) {
  server srv;
  srv.e.refuse_connections(server_message{
      17809, 1, 20,
      "Could not connect because the maximum number of user connections has already been reached.", "", 1});
  session s;
  const auto refused = srv.e.login(s, "sa", sa_password, "");
  ASSERT_TRUE(refused.has_value());
  EXPECT_EQ(refused->number, 17809);
  srv.e.refuse_connections(std::nullopt);
  EXPECT_FALSE(srv.e.login(s, "sa", sa_password, "").has_value());

  srv.drive.make_directory("data");
  srv.drive.write("b.dat", format_backup(product_backup()));
  srv.ok(
      "RESTORE DATABASE qrvx FROM DISK = N'c:\\b.dat' WITH MOVE N'qrvxdb_Data' TO N'c:\\data\\q.mdf', "
      "MOVE N'qrvxdb_Log' TO N'c:\\data\\q.ldf'");
  srv.e.hold_database("qrvx", true);
  const auto in_use = server::first_error(srv.run("Drop DATABASE qrvx"));
  EXPECT_EQ(in_use.number, 3702);
  EXPECT_EQ(in_use.text, "Cannot drop database \"qrvx\" because it is currently in use.");
  EXPECT_NE(srv.e.dump().find("database 'qrvx' held ONLINE"), std::string::npos);
  srv.e.hold_database("qrvx", false);
  srv.ok("Drop DATABASE qrvx");
}

TEST(Dump, IsTheSameForTheSameStateWhateverTheOrderOfEvents) {
  server first;
  first.ok("sp_addlogin 'b''s'");
  first.ok("sp_addlogin 'A'");
  first.ok("sp_addsrvrolemember 'A', 'dbcreator'");
  first.ok("sp_addsrvrolemember 'A', 'bulkadmin'");
  server second;
  for (const auto& outcome : second.run("sp_addlogin 'A' exec sp_addsrvrolemember 'A', 'bulkadmin' exec "
                                        "sp_addsrvrolemember 'A', 'dbcreator'")) {
    EXPECT_FALSE(outcome.failed);
  }
  second.ok("sp_addlogin 'b''s'");
  // SIDs are numbered in creation order, so compare the rest of each line.
  const auto without_sids = [](std::string dump) {
    for (auto at = dump.find(" sid 0x"); at != std::string::npos; at = dump.find(" sid 0x", at + 1)) {
      dump.erase(at + 5, dump.find(' ', at + 5) - at - 5);
    }
    return dump;
  };
  EXPECT_EQ(without_sids(first.e.dump()), without_sids(second.e.dump()));
  const std::string dump = first.e.dump();
  EXPECT_LT(dump.find("login 'A' "), dump.find("login 'b''s' "));
  EXPECT_NE(dump.find("default 'master' roles bulkadmin dbcreator\n"), std::string::npos);
  EXPECT_EQ(dump.find(sa_password), std::string::npos) << "passwords stay out of the dump";
}

}  // namespace
}  // namespace sqlsim::testing
