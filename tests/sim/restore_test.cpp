// RESTORE DATABASE: where the files go, what the server says while it restores, and every refusal
// leaving the server and its disk as they were.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "sim_test_support.h"

namespace sqlsim::testing {
namespace {

std::vector<long> numbers(const std::vector<server_message>& messages) {
  std::vector<long> out;
  for (const auto& m : messages) out.push_back(m.number);
  return out;
}

std::string restore_qrvx(const std::string& with) {
  return "RESTORE DATABASE qrvx FROM DISK = N'c:\\b.dat' WITH " + with;
}
const std::string move_to_data =
    "MOVE N'qrvxdb_Data' TO N'c:\\data\\q.mdf', MOVE N'qrvxdb_Log' TO N'c:\\data\\q.ldf'";

struct restore_server : server {
  explicit restore_server(server_version version = server_version::v2008) : server(version) {
    drive.make_directory("data");
    drive.write("b.dat", format_backup(product_backup()));
  }
};

TEST(Restore, ReportsProgressPagesAndSuccessAndPutsTheFilesWhereMoveSays) {
  restore_server srv;
  const auto outcome =
      srv.ok(restore_qrvx("FILE = 1, NOUNLOAD, STATS = 10, RECOVERY, REPLACE, " + move_to_data));
  ASSERT_EQ(outcome.progress.size(), 10u);
  for (std::size_t i = 0; i < 10; ++i) {
    EXPECT_EQ(outcome.progress[i].number, 3211);
    EXPECT_EQ(outcome.progress[i].severity, 10);
    EXPECT_EQ(outcome.progress[i].text, std::to_string((i + 1) * 10) + " percent processed.");
  }
  ASSERT_EQ(numbers(outcome.messages), (std::vector<long>{4035, 4035, 3014}));
  EXPECT_EQ(outcome.messages[0].text,
            "Processed 170 pages for database 'qrvx', file 'qrvxdb_Data' on file 1.");
  EXPECT_EQ(outcome.messages[2].text.rfind("RESTORE DATABASE successfully processed 172 pages in ", 0), 0u);
  EXPECT_FALSE(outcome.rows_affected.has_value());
  EXPECT_TRUE(srv.drive.exists("data/q.mdf"));
  EXPECT_TRUE(srv.drive.exists("data/q.ldf"));

  // A step that does not divide 100 still ends at 100; without STATS nothing is reported on the way.
  EXPECT_EQ(srv.ok(restore_qrvx("STATS = 30, REPLACE, " + move_to_data)).progress.size(), 4u);
  EXPECT_TRUE(srv.ok(restore_qrvx("REPLACE, " + move_to_data)).progress.empty());
}

TEST(Restore, FilesWithoutMoveGoWhereTheBackupHadThem) {
  restore_server srv;
  const std::string before = srv.e.dump();
  auto outcomes = srv.run(restore_qrvx("MOVE N'qrvxdb_Log' TO N'c:\\data\\q.ldf'"));
  EXPECT_EQ(numbers(outcomes[0].messages), (std::vector<long>{5133, 3156, 3119, 3013}));
  EXPECT_EQ(outcomes[0].messages[1].text,
            "File 'qrvxdb_Data' cannot be restored to 'C:\\Program Files\\Microsoft SQL Server\\MSSQL\\Data\\"
            "qrvx_Data.MDF'. Use WITH MOVE to identify a valid location for the file.");
  EXPECT_EQ(srv.e.dump(), before);
  EXPECT_FALSE(srv.drive.exists("data/q.ldf"));

  srv.drive.make_directory("program files/microsoft sql server/mssql/data");
  srv.ok(restore_qrvx("MOVE N'qrvxdb_Log' TO N'c:\\data\\q.ldf'"));
  EXPECT_TRUE(srv.drive.exists("program files/microsoft sql server/mssql/data/qrvx_Data.MDF"));
  EXPECT_TRUE(srv.drive.exists("data/q.ldf"));
}

TEST(Restore, RefusalsLeaveServerAndDiskUnchanged) {
  restore_server srv;
  srv.drive.write("bad.dat", "SQLSIM BACKUP 1\ndatabase 'x'\n");
  backup_image newer = product_backup();
  newer.server = server_version::v2012;
  srv.drive.write("newer.dat", format_backup(newer));
  srv.drive.write("data/stray.mdf", "someone else's");
  srv.ok(restore_qrvx(move_to_data));
  srv.ok("sp_addlogin 'loader', 'pw'");
  srv.ok("sp_addsrvrolemember 'loader', 'dbcreator'");

  struct refusal {
    std::string sql;
    std::vector<long> messages;
  };
  const refusal cases[] = {
      {"RESTORE DATABASE x FROM DISK = 'c:\\missing.dat'", {3201, 3013}},
      {"RESTORE DATABASE x FROM DISK = 'd:\\b.dat'", {3201, 3013}},
      {"RESTORE DATABASE x FROM DISK = 'c:\\bad.dat'", {3241, 3013}},
      {"RESTORE DATABASE x FROM DISK = 'c:\\b.dat' WITH FILE = 2", {4038, 3013}},
      {"RESTORE DATABASE x FROM DISK = 'c:\\b.dat' WITH MOVE 'a_Data' TO 'c:\\data\\x', MOVE 'b' TO 'c:\\x'",
       {3234, 3234, 3013}},
      {"RESTORE DATABASE x FROM DISK = 'c:\\b.dat' WITH MOVE 'qrvxdb_Data' TO 'e:\\x.mdf', "
       "MOVE 'qrvxdb_Log' TO 'c:\\data\\x.ldf'",
       {5133, 3156, 3119, 3013}},
      {"RESTORE DATABASE x FROM DISK = 'c:\\b.dat' WITH MOVE 'qrvxdb_Data' TO 'c:\\data\\q.mdf', "
       "MOVE 'qrvxdb_Log' TO 'c:\\data\\x.ldf'",
       {1834, 3156, 3119, 3013}},
      {"RESTORE DATABASE x FROM DISK = 'c:\\b.dat' WITH MOVE 'qrvxdb_Data' TO 'c:\\data\\stray.mdf', "
       "MOVE 'qrvxdb_Log' TO 'c:\\data\\x.ldf'",
       {3142, 3119, 3013}},
      {"RESTORE DATABASE x FROM DISK = 'c:\\b.dat' WITH MOVE 'qrvxdb_Data' TO 'c:\\data\\x.mdf', "
       "MOVE 'qrvxdb_Log' TO 'C:\\DATA\\X.MDF'",
       {3176, 3119, 3013}},
      {"RESTORE DATABASE x FROM DISK = 'c:\\newer.dat'", {3169, 3013}},
      {"RESTORE DATABASE master FROM DISK = 'c:\\b.dat'", {3108, 3013}},
      {"RESTORE DATABASE msdb FROM DISK = 'c:\\b.dat'", {3101, 3013}},
  };
  const std::string before = srv.e.dump();
  for (const refusal& r : cases) {
    const auto outcomes = srv.run(r.sql);
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_TRUE(outcomes[0].failed) << r.sql;
    EXPECT_EQ(numbers(outcomes[0].messages), r.messages) << r.sql;
  }
  EXPECT_EQ(srv.e.dump(), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(srv.drive.host("data")),
                          std::filesystem::directory_iterator()),
            3);

  // Another database's backup does not replace an existing one unless told to.
  backup_image other = product_backup();
  other.database = "other";
  srv.drive.write("other.dat", format_backup(other));
  const std::string from_other = "RESTORE DATABASE qrvx FROM DISK = 'c:\\other.dat' WITH " + move_to_data;
  EXPECT_EQ(srv.error_of(from_other), 3154);
  srv.ok(from_other + ", REPLACE");
  srv.ok("USE qrvx");
  EXPECT_EQ(srv.error_of(restore_qrvx("REPLACE, " + move_to_data)), 3102);
  srv.ok("USE master");
  srv.e.hold_database("QRVX", true);
  EXPECT_EQ(srv.error_of(restore_qrvx("REPLACE, " + move_to_data)), 3101);
}

TEST(Restore, ReplaceMovesTheDatabaseAndRemovesItsOldFiles) {
  restore_server srv;
  srv.drive.make_directory("new");
  srv.ok(restore_qrvx(move_to_data));
  srv.ok(restore_qrvx(
      "REPLACE, MOVE N'qrvxdb_Data' TO N'c:\\new\\q.mdf', MOVE N'qrvxdb_Log' TO N'c:\\data\\q.ldf'"));
  EXPECT_FALSE(srv.drive.exists("data/q.mdf"));
  EXPECT_TRUE(srv.drive.exists("new/q.mdf"));
  EXPECT_TRUE(srv.drive.exists("data/q.ldf"));
  const auto where = srv.ok("select filename from master.dbo.sysdatabases where name = 'qrvx'");
  EXPECT_EQ(where.rows->rows[0][0], "C:\\new\\q.mdf");
}

TEST(Restore, NorecoveryLeavesTheDatabaseRestoringAndClosed) {
  restore_server srv;
  srv.ok(restore_qrvx("NORECOVERY, " + move_to_data));
  EXPECT_NE(srv.e.dump().find("database 'qrvx' RESTORING"), std::string::npos);
  session s;
  EXPECT_EQ(srv.e.login(s, "sa", sa_password, "qrvx")->number, 4060);
  EXPECT_EQ(srv.error_of("use qrvx"), 927);
  srv.ok(restore_qrvx("RECOVERY, " + move_to_data));
  srv.ok("use qrvx");
}

TEST(Restore, PathsCannotLeaveTheCDrive) {
  restore_server srv;
  const auto outside = srv.drive.root().parent_path() / "sqlsim-outside.dat";
  std::ofstream(outside) << format_backup(product_backup());
  EXPECT_EQ(srv.error_of("RESTORE DATABASE x FROM DISK = 'c:\\..\\sqlsim-outside.dat'"), 3201);
  std::filesystem::remove(outside);
  srv.ok(restore_qrvx(
      "MOVE N'qrvxdb_Data' TO N'c:\\..\\..\\data\\up.mdf', MOVE N'qrvxdb_Log' TO N'c:\\data\\.\\up.ldf'"));
  EXPECT_TRUE(srv.drive.exists("data/up.mdf"));
  EXPECT_EQ(srv.error_of("RESTORE DATABASE y FROM DISK = 'c:\\data\\..\\b.dat' WITH MOVE 'qrvxdb_Data' TO "
                         "'c:\\data\\y:x.mdf', MOVE 'qrvxdb_Log' TO 'c:\\data\\y.ldf'"),
            5133);
}

// A disk in memory that can be told to refuse writes, as a full or read-only disk does.
class memory_disk final : public disk {
 public:
  std::map<std::string, std::string> files;
  bool writable = true;

  std::optional<std::string> read_file(std::string_view path) override {
    const auto it = files.find(windows_path_key(path));
    if (it == files.end()) return std::nullopt;
    return it->second;
  }
  bool file_exists(std::string_view path) override { return files.count(windows_path_key(path)) > 0; }
  bool directory_exists(std::string_view path) override { return windows_path_key(path) == "C:\\DATA"; }
  bool write_file(std::string_view path, std::string_view content) override {
    if (!writable && windows_path_key(path).find(".LDF") != std::string::npos) return false;
    files[windows_path_key(path)] = std::string(content);
    return true;
  }
  bool remove_file(std::string_view path) override { return files.erase(windows_path_key(path)) > 0; }
};

TEST(Restore, AFileThatCannotBeWrittenUndoesTheFilesAlreadyWritten) {
  auto memory = std::make_shared<memory_disk>();
  memory->files[windows_path_key("c:\\data\\b.dat")] = format_backup(product_backup());
  engine_options options;
  options.sa_password = sa_password;
  options.files = memory;
  engine e(options);
  session sa;
  ASSERT_FALSE(e.login(sa, "sa", sa_password, "").has_value());
  memory->writable = false;
  const std::string restore =
      "RESTORE DATABASE qrvx FROM DISK = 'c:\\data\\b.dat' WITH MOVE N'qrvxdb_Data' TO N'c:\\data\\q.mdf', "
      "MOVE N'qrvxdb_Log' TO N'c:\\data\\q.ldf'";
  const auto failed = e.execute(sa, restore);
  EXPECT_EQ(numbers(failed[0].messages), (std::vector<long>{5123, 3013}));
  EXPECT_EQ(memory->files.size(), 1u);
  memory->writable = true;
  EXPECT_FALSE(e.execute(sa, restore)[0].failed);
  EXPECT_EQ(memory->files.size(), 3u);
}

// The reads of a backup that change nothing, and the server's file lists, on 2000 and 2008.
TEST(Restore, FileListVerifyAndHeaderReadTheBackupAndChangeNothing) {
  for (const server_version version : {server_version::v2000, server_version::v2008}) {
    SCOPED_TRACE(static_cast<int>(version));
    restore_server srv(version);
    srv.drive.write("bad.dat", "not a backup");
    const std::string before = srv.e.dump();
    const auto files = srv.ok("RESTORE FILELISTONLY FROM DISK = N'c:\\b.dat'").rows;
    ASSERT_TRUE(files.has_value());
    EXPECT_EQ(files->columns, (std::vector<std::string>{"LogicalName", "PhysicalName", "Type",
                                                        "FileGroupName", "Size", "MaxSize", "FileId"}));
    ASSERT_EQ(files->rows.size(), 2u);
    EXPECT_EQ(files->rows[0][0], "qrvxdb_Data");
    EXPECT_EQ(files->rows[0][4], std::to_string(170 * 8192));  // the 170 pages a restore reports
    EXPECT_EQ(files->rows[1][2], "L");
    EXPECT_EQ(files->rows[1][3], std::nullopt);
    const auto valid = srv.ok("RESTORE VERIFYONLY FROM DISK = 'c:\\b.dat'");
    ASSERT_EQ(numbers(valid.messages), std::vector<long>{3262});
    EXPECT_EQ(srv.ok("RESTORE HEADERONLY FROM DISK = 'c:\\b.dat' WITH FILE = 1").rows->rows.at(0).at(1),
              "qrvx");
    const auto bad = srv.run("RESTORE VERIFYONLY FROM DISK = 'c:\\bad.dat'");
    EXPECT_EQ(numbers(bad.at(0).messages), (std::vector<long>{3241, 3013}));
    EXPECT_EQ(bad.at(0).messages.at(1).text, "VERIFY DATABASE is terminating abnormally.");
    EXPECT_EQ(srv.error_of("RESTORE FILELISTONLY FROM DISK = 'c:\\missing.dat'"), 3201);
    EXPECT_EQ(srv.e.dump(), before);

    // Every file of every database, with its size in pages.
    srv.ok(restore_qrvx(move_to_data));
    const bool v2000 = version == server_version::v2000;
    const auto listed = srv.ok(v2000 ? "select dbid, filename, size from master.dbo.sysaltfiles"
                                     : "select database_id, physical_name, size from sys.master_files");
    std::vector<std::string> paths;
    for (const auto& row : listed.rows->rows) paths.push_back(row.at(1).value_or(""));
    EXPECT_NE(std::find(paths.begin(), paths.end(), "C:\\data\\q.mdf"), paths.end());
    EXPECT_EQ(srv.error_of("select name from sys.master_files"), v2000 ? 208 : 0);
  }
}

}  // namespace
}  // namespace sqlsim::testing
