// Shared set-up of the engine tests: a server with its C: drive in a fresh temporary directory.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sim/engine/backup_format.h"
#include "sim/engine/engine.h"
#include "sim/engine/engine_transaction.h"

namespace sqlsim::testing {

inline constexpr const char* sa_password = "Sa pass;}'";

// A host directory for drive C:, removed at the end of the test.
class temp_drive {
 public:
  temp_drive() {
    static int counter = 0;
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    // One directory level: parameterized test names hold a '/'.
    std::string name = info ? info->name() : "x";
    for (char& c : name) {
      if (c == '/') c = '_';
    }
    root_ = std::filesystem::temp_directory_path() /
            ("sqlsim-" + std::to_string(::getpid()) + "-" + std::to_string(++counter) + "-" + name);
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_);
  }
  ~temp_drive() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  temp_drive(const temp_drive&) = delete;
  temp_drive& operator=(const temp_drive&) = delete;

  const std::filesystem::path& root() const { return root_; }
  // A path below the root, given with '/' separators ("sqldata/x.MDF").
  std::filesystem::path host(const std::string& relative) const { return root_ / relative; }
  void make_directory(const std::string& relative) const {
    std::filesystem::create_directories(host(relative));
  }
  void write(const std::string& relative, const std::string& content) const {
    std::filesystem::create_directories(host(relative).parent_path());
    std::ofstream(host(relative), std::ios::binary) << content;
  }
  bool exists(const std::string& relative) const { return std::filesystem::exists(host(relative)); }

 private:
  std::filesystem::path root_;
};

// The engine of one test, with an `sa` session on master.
struct server {
  explicit server(server_version version = server_version::v2008) : e(options(version, drive)) {
    EXPECT_FALSE(e.login(sa, "sa", sa_password, "master").has_value());
  }
  static engine_options options(server_version version, const temp_drive& drive) {
    engine_options o;
    o.version = version;
    o.sa_password = sa_password;
    o.c_drive = drive.root();
    return o;
  }
  std::vector<statement_outcome> run(const std::string& sql, const std::vector<parameter>& parameters = {}) {
    return e.execute(sa, sql, parameters);
  }
  // Runs a batch of one statement that must succeed; returns its outcome.
  statement_outcome ok(const std::string& sql, const std::vector<parameter>& parameters = {}) {
    auto outcomes = run(sql, parameters);
    EXPECT_EQ(outcomes.size(), 1u) << sql;
    if (outcomes.empty()) return {};
    for (const auto& m : outcomes[0].messages) {
      EXPECT_LE(m.severity, 10) << sql << " -> " << m.number << " " << m.text;
    }
    EXPECT_FALSE(outcomes[0].failed) << sql;
    return outcomes[0];
  }
  // The number of the first error of a one-statement batch (0 when it succeeded).
  long error_of(const std::string& sql, const std::vector<parameter>& parameters = {}) {
    return first_error(run(sql, parameters)).number;
  }
  static server_message first_error(const std::vector<statement_outcome>& outcomes) {
    for (const auto& o : outcomes) {
      for (const auto& m : o.messages) {
        if (m.severity > 10) return m;
      }
    }
    return {0, 0, 0, "", "", 0};
  }

  temp_drive drive;
  engine e;
  session sa;
};

// The product backup most tests restore: database "qrvx", logical files "qrvxdb_Data"/"qrvxdb_Log",
// the product login's user with a SID from the server that made it, and two rows.
inline backup_image product_backup() {
  backup_image image = make_product_backup("qrvx", "qrvxdb");
  image.users.push_back({"qrvxlog", std::string("\xAA\xBB\xCC\xDD", 4)});
  image.rows.push_back({"Is_Distributed", "连锁总部", "1", ""});
  image.rows.push_back({"sys_version", "版本", "9.0", std::nullopt});
  return image;
}

}  // namespace sqlsim::testing
