// BACKUP DATABASE: the file it writes restores to the same database; its refusals are SQL Server's;
// and a slowed restore reports each step as it comes.
#include <gtest/gtest.h>

#include <chrono>

#include "sim_test_support.h"

namespace sqlsim::testing {
namespace {

std::vector<long> numbers(const std::vector<server_message>& messages) {
  std::vector<long> out;
  for (const auto& m : messages) out.push_back(m.number);
  return out;
}

// The lines of the dump that describe one database.
std::string database_part(const std::string& dump, const std::string& name) {
  const std::size_t start = dump.find("database '" + name + "'");
  if (start == std::string::npos) return "";
  const std::size_t end = dump.find("\ndatabase ", start + 1);
  return dump.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

const std::string restore_moved =
    "RESTORE DATABASE qrvx FROM DISK = N'c:\\b.dat' WITH MOVE N'qrvxdb_Data' TO N'c:\\data\\q.mdf', "
    "MOVE N'qrvxdb_Log' TO N'c:\\data\\q.ldf'";

TEST(Backup, WhatItWritesRestoresTheSameDatabase) {
  server srv;
  srv.drive.make_directory("data");
  srv.drive.make_directory("backups");
  srv.drive.write("b.dat", format_backup(product_backup()));
  srv.ok(restore_moved);
  srv.ok("insert into qrvx.dbo.t_sys_system values ('product_flag', 'product_flag', '4', NULL)");
  srv.ok("update qrvx.dbo.t_sys_system set sys_var_value = N'单店' where sys_var_id = 'Is_Distributed'");
  srv.ok("alter database qrvx set recovery simple");
  const std::string before = database_part(srv.e.dump(), "qrvx");

  // Each spelling of the statement; the last one's file is what the restore reads.
  for (const char* sql : {"BACKUP DATABASE [qrvx] TO DISK = N'c:\\backups\\q.bak' WITH INIT",
                                 "backup database qrvx to disk = 'C:/BACKUPS/q.bak'",
                                 "BACKUP DATABASE qrvx TO DISK = 'c:\\backups\\q.bak' WITH NOINIT, STATS = 50"}) {
    const auto outcome = srv.ok(sql);
    EXPECT_EQ(numbers(outcome.messages), (std::vector<long>{4035, 4035, 3014})) << sql;
    EXPECT_EQ(outcome.messages[2].text.rfind("BACKUP DATABASE successfully processed 173 pages in ", 0), 0u);
  }
  backup_image written;
  std::string error;
  ASSERT_TRUE(parse_backup(*make_c_drive_disk(srv.drive.root())->read_file("c:\\backups\\q.bak"), written, error))
      << error;
  EXPECT_EQ(written.database, "qrvx");
  EXPECT_EQ(written.server, server_version::v2008);
  ASSERT_EQ(written.files.size(), 2u);
  EXPECT_EQ(written.files[0].path, "C:\\data\\q.mdf");

  srv.ok("DROP DATABASE qrvx");
  srv.ok("RESTORE DATABASE qrvx FROM DISK = 'c:\\backups\\q.bak'");
  EXPECT_EQ(database_part(srv.e.dump(), "qrvx"), before);
}

TEST(Backup, RefusalsAreSqlServersAndWriteNothing) {
  server srv;
  srv.drive.make_directory("data");
  srv.drive.write("b.dat", format_backup(product_backup()));
  srv.ok(restore_moved);
  srv.ok("RESTORE DATABASE held FROM DISK = N'c:\\b.dat' WITH NORECOVERY, MOVE N'qrvxdb_Data' TO "
         "N'c:\\data\\h.mdf', MOVE N'qrvxdb_Log' TO N'c:\\data\\h.ldf'");
  srv.ok("sp_addlogin 'clerk', 'pw'");
  struct refusal {
    std::string sql;
    std::vector<long> messages;
  };
  const refusal cases[] = {
      {"BACKUP DATABASE nosuch TO DISK = 'c:\\x.bak'", {911, 3013}},
      {"BACKUP DATABASE qrvx TO DISK = 'c:\\missing\\x.bak'", {3201, 3013}},
      {"BACKUP DATABASE qrvx TO DISK = 'd:\\x.bak'", {3201, 3013}},
      {"BACKUP DATABASE qrvx TO DISK = 'c:\\data'", {3201, 3013}},
      {"BACKUP DATABASE tempdb TO DISK = 'c:\\x.bak'", {3147, 3013}},
      {"BACKUP DATABASE held TO DISK = 'c:\\x.bak'", {927, 3013}},
  };
  for (const refusal& r : cases) {
    const auto outcomes = srv.run(r.sql);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_TRUE(outcomes[0].failed) << r.sql;
    EXPECT_EQ(numbers(outcomes[0].messages), r.messages) << r.sql;
  }
  EXPECT_EQ(srv.run("BACKUP DATABASE nosuch TO DISK = 'c:\\x.bak'")[0].messages[1].text,
            "BACKUP DATABASE is terminating abnormally.");
  session clerk;
  ASSERT_FALSE(srv.e.login(clerk, "clerk", "pw", "master").has_value());
  EXPECT_EQ(numbers(srv.e.execute(clerk, "BACKUP DATABASE master TO DISK = 'c:\\x.bak'")[0].messages),
            (std::vector<long>{262, 3013}));
  EXPECT_FALSE(srv.drive.exists("x.bak"));
  EXPECT_EQ(srv.error_of("BACKUP DATABASE qrvx TO DISK = 'c:\\x.bak' WITH DIFFERENTIAL"), 102);
  EXPECT_EQ(srv.error_of("BACKUP DATABASE qrvx TO 'c:\\x.bak'"), 102);
}

// Records when each progress message and each statement's end is told.
struct timed_observer final : execution_observer {
  std::vector<std::pair<std::chrono::steady_clock::time_point, std::string>> heard;
  void progress(const server_message& m) override { heard.emplace_back(std::chrono::steady_clock::now(), m.text); }
  void statement_done(const statement_outcome& o) override {
    heard.emplace_back(std::chrono::steady_clock::now(), "done " + std::to_string(o.messages.size()));
  }
};

TEST(SlowRestore, EachStepWaitsAndIsToldAsItComes) {
  temp_drive drive;
  drive.make_directory("data");
  drive.write("b.dat", format_backup(product_backup()));
  engine_options options = server::options(server_version::v2008, drive);
  options.restore_step_delay = std::chrono::milliseconds(60);
  engine e(options);
  session sa;
  ASSERT_FALSE(e.login(sa, "sa", sa_password, "master").has_value());
  timed_observer observer;
  const auto began = std::chrono::steady_clock::now();
  const auto outcomes = e.execute(sa, "use master; " + restore_moved + ", STATS = 25", {}, &observer);
  ASSERT_EQ(outcomes.size(), 2u);
  EXPECT_EQ(outcomes[1].progress.size(), 4u);
  const std::vector<std::string> expected = {"done 0", "25 percent processed.", "50 percent processed.",
                                             "75 percent processed.", "100 percent processed.", "done 3"};
  ASSERT_EQ(observer.heard.size(), expected.size());
  auto previous = began;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(observer.heard[i].second, expected[i]);
    const auto gap = std::chrono::duration_cast<std::chrono::milliseconds>(observer.heard[i].first - previous);
    // Each percent comes a step after what came before it; the statement ends without a further wait.
    if (i >= 1 && i <= 4) {
      EXPECT_GE(gap.count(), 60) << expected[i];
    } else {
      EXPECT_LT(gap.count(), 60) << expected[i];
    }
    previous = observer.heard[i].first;
  }
  // Without STATS nothing waits.
  const auto quick = std::chrono::steady_clock::now();
  e.execute(sa, restore_moved + ", REPLACE");
  EXPECT_LT(std::chrono::steady_clock::now() - quick, std::chrono::milliseconds(60));
}

}  // namespace
}  // namespace sqlsim::testing
