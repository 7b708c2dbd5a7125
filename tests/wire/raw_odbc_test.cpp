// Raw ODBC calls against sqlsim, natively through FreeTDS and under wine through wine's odbc32.
// Prepared execution (SQLPrepare once, SQLExecute with each value): the driver sends sp_prepexec for the
// first execution, sp_execute for the next ones with the handle the server returned, and sp_unprepare
// when the statement is freed. A restore's progress: each "N percent processed." reaches the client as
// the server makes it (slowed by --slow-restore, whose delay with_sqlsim.sh passes on).
#ifdef _WIN32
#include <windows.h>
#endif
#include <gtest/gtest.h>
#include <sql.h>
#include <sqlext.h>

#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "platform/odbc/odbc_transaction.h"
#include "platform/text.h"

namespace setup {
namespace {

using sql_text = std::basic_string<SQLWCHAR>;

sql_text wide(const std::string& utf8) {
  const std::u16string units = utf8_to_utf16(utf8);
  return sql_text(units.begin(), units.end());
}

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// The diagnostic records of a statement: native error and text.
std::vector<std::pair<long, std::string>> diagnostics(SQLHSTMT statement) {
  std::vector<std::pair<long, std::string>> records;
  for (SQLSMALLINT i = 1; i <= 16; ++i) {
    SQLWCHAR state[6] = {};
    SQLINTEGER native = 0;
    SQLWCHAR text[512] = {};
    SQLSMALLINT length = 0;
    if (!SQL_SUCCEEDED(SQLGetDiagRecW(SQL_HANDLE_STMT, statement, i, state, &native, text, 512, &length))) break;
    const std::size_t units = std::min<std::size_t>(length < 0 ? 0 : length, 511);
    std::string message = without_driver_prefixes(utf16_to_utf8(std::u16string(text, text + units)));
    records.emplace_back(static_cast<long>(native), std::move(message));
  }
  return records;
}

// The native error of the first diagnostic record of a statement, 0 when there is none.
long native_error(SQLHSTMT statement) {
  SQLWCHAR state[6] = {};
  SQLINTEGER native = 0;
  SQLWCHAR text[512] = {};
  SQLSMALLINT length = 0;
  if (!SQL_SUCCEEDED(SQLGetDiagRecW(SQL_HANDLE_STMT, statement, 1, state, &native, text, 512, &length))) return 0;
  return static_cast<long>(native);
}

class RawOdbc : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(environment("SQLSIM_PORT").empty()) << "run under with_sqlsim.sh: SQLSIM_PORT is not set";
    ASSERT_TRUE(SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &env_)));
    SQLSetEnvAttr(env_, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    ASSERT_TRUE(SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, env_, &dbc_)));
    sql_text text = wide("DRIVER={SQL Server};SERVER=" + odbc_braced("127.0.0.1," + environment("SQLSIM_PORT")) +
                         ";UID={sa};PWD=" + odbc_braced(environment("SQLSIM_SA_PASSWORD")) + ";");
    SQLSMALLINT out = 0;
    ASSERT_TRUE(SQL_SUCCEEDED(
        SQLDriverConnectW(dbc_, nullptr, text.data(), SQL_NTS, nullptr, 0, &out, SQL_DRIVER_NOPROMPT)));
    ASSERT_TRUE(SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, dbc_, &stmt_)));
  }
  void TearDown() override {
    if (stmt_) SQLFreeHandle(SQL_HANDLE_STMT, stmt_);
    if (dbc_) {
      SQLDisconnect(dbc_);
      SQLFreeHandle(SQL_HANDLE_DBC, dbc_);
    }
    if (env_) SQLFreeHandle(SQL_HANDLE_ENV, env_);
  }

  // Prepares `sql` with one text parameter bound to value_.
  void prepare(const std::string& sql) {
    sql_text text = wide(sql);
    ASSERT_TRUE(SQL_SUCCEEDED(SQLPrepareW(stmt_, text.data(), SQL_NTS)));
    ASSERT_TRUE(SQL_SUCCEEDED(SQLBindParameter(stmt_, 1, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, 100, 0,
                                               value_, sizeof value_, &value_length_)));
  }
  void set_value(const std::string& utf8) {
    const sql_text text = wide(utf8);
    std::copy(text.begin(), text.end(), value_);
    value_length_ = static_cast<SQLLEN>(text.size() * sizeof(SQLWCHAR));
  }
  // Runs the prepared statement: the first column of its first row, or the error's number.
  struct result {
    SQLRETURN rc = SQL_ERROR;
    std::optional<std::string> first;
    long error = 0;
  };
  // A statement without results or counts (a procedure call) gives SQL_NO_DATA under ODBC 3.
  static bool ran(SQLRETURN rc) { return SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA; }
  result execute() {
    result r;
    r.rc = SQLExecute(stmt_);
    if (r.rc == SQL_ERROR) {
      r.error = native_error(stmt_);
    } else if (SQL_SUCCEEDED(SQLFetch(stmt_))) {
      SQLWCHAR cell[256] = {};
      SQLLEN length = 0;
      if (SQL_SUCCEEDED(SQLGetData(stmt_, 1, SQL_C_WCHAR, cell, sizeof cell, &length)) && length >= 0) {
        r.first = utf16_to_utf8(std::u16string(cell, cell + length / sizeof(SQLWCHAR)));
      }
    }
    SQLFreeStmt(stmt_, SQL_CLOSE);
    return r;
  }

  SQLHENV env_ = nullptr;
  SQLHDBC dbc_ = nullptr;
  SQLHSTMT stmt_ = nullptr;
  SQLWCHAR value_[101] = {};
  SQLLEN value_length_ = 0;
};

TEST_F(RawOdbc, OneStatementPreparedOnceRunsWithEachValue) {
  prepare("select name from master.dbo.sysdatabases where name = ?");
  struct run {
    const char* value;
    std::optional<std::string> found;
  };
  const run runs[] = {{"master", "master"}, {"TEMPDB", "tempdb"}, {"nosuch", std::nullopt}, {"msdb", "msdb"}};
  for (const run& r : runs) {
    set_value(r.value);
    const result got = execute();
    EXPECT_TRUE(ran(got.rc)) << r.value << " " << got.error;
    EXPECT_EQ(got.first, r.found) << r.value;
  }
}

TEST_F(RawOdbc, PreparedChangesAndErrorsComeThroughAsWithDirectExecution) {
  prepare("sp_addlogin ?, 'pw'");
  for (const char* name : {"prepared_a", "prepared_b"}) {
    set_value(name);
    const result added = execute();
    EXPECT_TRUE(ran(added.rc)) << name << " " << added.error;
  }
  set_value("prepared_a");
  EXPECT_EQ(execute().error, 15025);  // exists already

  prepare("select name from master.dbo.syslogins where name = ?");
  set_value("prepared_b");
  EXPECT_EQ(execute().first, std::optional<std::string>("prepared_b"));

  prepare("select name from nosuch where name = ?");
  set_value("x");
  EXPECT_EQ(execute().error, 208);
}

TEST_F(RawOdbc, RestoreProgressReachesTheClientAsItIsMade) {
  const long delay = std::atol(environment("SQLSIM_SLOW_RESTORE_MS").c_str());
  sql_text restore = wide(
      "RESTORE DATABASE wire_progress FROM DISK = N'c:\\wire_backup.dat' WITH STATS = 25, REPLACE, "
      "MOVE N'wire_Data' TO N'c:\\data\\wire_progress_Data.MDF', "
      "MOVE N'wire_Log' TO N'c:\\data\\wire_progress_Log.LDF'");
  const auto began = std::chrono::steady_clock::now();
  std::vector<long long> arrived;  // milliseconds from the start, one per result
  std::vector<std::string> percents;
  std::vector<long> last;
  SQLRETURN rc = SQLExecDirectW(stmt_, restore.data(), SQL_NTS);
  for (int results = 0; rc != SQL_NO_DATA && results < 20; ++results) {
    ASSERT_TRUE(SQL_SUCCEEDED(rc)) << native_error(stmt_);
    arrived.push_back(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                            began)
                          .count());
    last.clear();
    for (const auto& [number, text] : diagnostics(stmt_)) {
      if (number == 3211) percents.push_back(text);
      last.push_back(number);
    }
    rc = SQLMoreResults(stmt_);
  }
  // One result per percent, then the one that ends the restore with its pages and its success.
  EXPECT_EQ(percents, (std::vector<std::string>{"25 percent processed.", "50 percent processed.",
                                                "75 percent processed.", "100 percent processed."}));
  EXPECT_EQ(last, (std::vector<long>{4035, 4035, 3014}));
  ASSERT_EQ(arrived.size(), 5u);
  if (delay > 0) {
    // The first percent arrives after one step, long before the restore ends; each next one a step later.
    EXPECT_GE(arrived[0], delay * 9 / 10);
    EXPECT_LT(arrived[0], delay * 3);
    for (std::size_t i = 1; i < 4; ++i) EXPECT_GE(arrived[i] - arrived[i - 1], delay * 8 / 10) << i;
    std::printf("[ progress ] steps of %ld ms: results after", delay);
    for (long long ms : arrived) std::printf(" %lld", ms);
    std::printf(" ms\n");
  }
}

}  // namespace
}  // namespace setup
