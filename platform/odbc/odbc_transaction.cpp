#include "platform/odbc/odbc_transaction.h"

#ifdef _WIN32
#include "platform/win32/system_library.h"
#include "platform/win32/win32_api.h"
#endif
#include <sql.h>
#include <sqlext.h>
#include <sqlucode.h>

#include <algorithm>
#include <array>
#include <vector>

#include "platform/text.h"

namespace setup {
namespace {

constexpr std::string_view driver_name = "SQL Server";
constexpr std::string_view not_connected_text = "Not connected to the database.";
constexpr std::string_view no_handle_text = "The ODBC driver manager could not allocate a handle.";
constexpr std::string_view no_driver_manager_text =
    "The ODBC driver manager (odbc32.dll) could not be loaded.";

// Diagnostic records are read up to this many: some driver managers keep answering after the last
// real record.
constexpr SQLSMALLINT max_diagnostic_records = 16;
// Results of one execution read before giving up on a driver that never reports the end.
constexpr int max_results = 100000;
// Rows a query may return (a database's files, a backup's file list).
constexpr std::size_t max_rows = 100000;
constexpr std::string_view no_result_text = "The statement returned no rows.";
// Pieces of one column value read before giving up (1023 characters each).
constexpr int max_chunks = 1 << 16;

using sql_text = std::basic_string<SQLWCHAR>;

sql_text to_sql_text(std::string_view utf8) {
  const std::u16string units = utf8_to_utf16(utf8);
  return sql_text(units.begin(), units.end());
}

std::string from_sql_text(const SQLWCHAR* text, std::size_t length) {
  return utf16_to_utf8(std::u16string(text, text + length));
}

// The driver manager's functions used here. server.exe loads odbc32.dll with the first connection: an
// import would load the driver manager (under wine also the host's unixODBC) at every start, before the
// window, for a program that may never connect.
#define SETUP_ODBC_FUNCTIONS(X) \
  X(SQLAllocHandle)             \
  X(SQLFreeHandle)              \
  X(SQLGetDiagRecW)             \
  X(SQLDisconnect)              \
  X(SQLSetEnvAttr)              \
  X(SQLSetConnectAttrW)         \
  X(SQLDriverConnectW)          \
  X(SQLGetData)                 \
  X(SQLBindParameter)           \
  X(SQLNumResultCols)           \
  X(SQLDescribeColW)            \
  X(SQLFetch)                   \
  X(SQLRowCount)                \
  X(SQLExecDirectW)             \
  X(SQLMoreResults)

struct driver_manager {
#define SETUP_ODBC_MEMBER(name) decltype(&::name) name = nullptr;
  SETUP_ODBC_FUNCTIONS(SETUP_ODBC_MEMBER)
#undef SETUP_ODBC_MEMBER
  // False when the DLL or one of its functions is missing: then no handle is allocated.
  bool complete = false;
};

const driver_manager& driver() {
  // Looked up once, by the first connection's thread; the functions stay valid for the run.
  static const driver_manager functions = [] {
    driver_manager f;
#ifdef _WIN32
#define SETUP_ODBC_LOAD(name) f.name = SETUP_SYSTEM_FUNCTION(L"odbc32.dll", name);
#else
#define SETUP_ODBC_LOAD(name) f.name = &::name;
#endif
    SETUP_ODBC_FUNCTIONS(SETUP_ODBC_LOAD)
#undef SETUP_ODBC_LOAD
#define SETUP_ODBC_FOUND(name) &&f.name != nullptr
    f.complete = true SETUP_ODBC_FUNCTIONS(SETUP_ODBC_FOUND);
#undef SETUP_ODBC_FOUND
    return f;
  }();
  return functions;
}

// Owns one ODBC handle.
class odbc_handle {
 public:
  odbc_handle() = default;
  odbc_handle(SQLSMALLINT type, SQLHANDLE parent) { allocate(type, parent); }
  ~odbc_handle() { reset(); }
  odbc_handle(const odbc_handle&) = delete;
  odbc_handle& operator=(const odbc_handle&) = delete;

  SQLHANDLE get() const { return handle_; }
  SQLSMALLINT type() const { return type_; }
  bool valid() const { return handle_ != SQL_NULL_HANDLE; }
  // False when the driver manager gives no handle.
  bool allocate(SQLSMALLINT type, SQLHANDLE parent) {
    reset();
    type_ = type;
    if (!driver().complete || !SQL_SUCCEEDED(driver().SQLAllocHandle(type, parent, &handle_)))
      handle_ = SQL_NULL_HANDLE;
    return valid();
  }
  void reset() {
    if (handle_ != SQL_NULL_HANDLE) driver().SQLFreeHandle(type_, handle_);
    handle_ = SQL_NULL_HANDLE;
  }

 private:
  SQLSMALLINT type_ = SQL_HANDLE_ENV;
  SQLHANDLE handle_ = SQL_NULL_HANDLE;
};

struct diagnostic {
  std::string sqlstate;
  long native = 0;
  std::string text;
};

std::vector<diagnostic> read_diagnostics(const odbc_handle& handle) {
  std::vector<diagnostic> records;
  if (!handle.valid()) return records;
  for (SQLSMALLINT record = 1; record <= max_diagnostic_records; ++record) {
    std::array<SQLWCHAR, 6> state{};
    SQLINTEGER native = 0;
    std::vector<SQLWCHAR> message(1024);
    SQLSMALLINT length = 0;
    SQLRETURN rc = driver().SQLGetDiagRecW(handle.type(), handle.get(), record, state.data(), &native,
                                           message.data(), static_cast<SQLSMALLINT>(message.size()), &length);
    if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
      message.resize(static_cast<std::size_t>(length) + 1);
      rc = driver().SQLGetDiagRecW(handle.type(), handle.get(), record, state.data(), &native, message.data(),
                                   static_cast<SQLSMALLINT>(message.size()), &length);
    }
    if (!SQL_SUCCEEDED(rc)) break;
    const std::size_t text_length = std::min<std::size_t>(length < 0 ? 0 : length, message.size() - 1);
    records.push_back(diagnostic{from_sql_text(state.data(), 5), static_cast<long>(native),
                                 from_sql_text(message.data(), text_length)});
  }
  return records;
}

// The record that tells what failed: warnings (class 01) are the server's informational messages that
// came with the error; among the others the first one carrying a server error number.
const diagnostic* failure_record(const std::vector<diagnostic>& records) {
  const diagnostic* first_error = nullptr;
  for (const diagnostic& d : records) {
    if (d.sqlstate.starts_with("01")) continue;
    if (d.native != 0) return &d;
    if (first_error == nullptr) first_error = &d;
  }
  if (first_error != nullptr) return first_error;
  return records.empty() ? nullptr : &records.front();
}

}  // namespace

struct odbc_transaction::session {
  odbc_handle environment;
  odbc_handle connection;
  bool open = false;

  ~session() {
    if (open) driver().SQLDisconnect(connection.get());
  }
};

std::string odbc_braced(std::string_view value) {
  std::string out = "{";
  for (char c : value) {
    out += c;
    if (c == '}') out += '}';
  }
  out += '}';
  return out;
}

std::string odbc_connection_string(const transaction& settings) {
  // Every attribute ends with ';': FreeTDS reads a braced value up to a '}' that a ';' follows, so
  // the last one needs it as much as the others.
  std::string text = "DRIVER=" + odbc_braced(driver_name) + ';';
  text += "SERVER=" + odbc_braced(settings.servername) + ';';
  text += "UID=" + odbc_braced(settings.logid) + ';';
  text += "PWD=" + odbc_braced(settings.logpass) + ';';
  if (!settings.database.empty()) text += "DATABASE=" + odbc_braced(settings.database) + ';';
  if (!settings.dbparm.empty()) {
    text += settings.dbparm;
    if (!text.ends_with(';')) text += ';';
  }
  return text;
}

std::string without_driver_prefixes(std::string_view text) {
  // Only tags that begin with a known vendor or driver manager are taken off, so a server message that
  // itself starts with a bracket stays whole.
  static constexpr std::array<std::string_view, 5> vendors = {"[FreeTDS]", "[Microsoft]", "[unixODBC]",
                                                              "[SQL Server]", "[Wine]"};
  bool prefixed = false;
  for (std::string_view vendor : vendors) prefixed = prefixed || text.starts_with(vendor);
  if (!prefixed) return std::string(text);
  while (text.starts_with('[')) {
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos) break;
    text.remove_prefix(close + 1);
  }
  while (text.starts_with(' ')) text.remove_prefix(1);
  return std::string(text);
}

odbc_transaction::odbc_transaction(waiting& wait) : wait_(wait) {}

odbc_transaction::~odbc_transaction() = default;

bool odbc_transaction::connected() const {
  return session_ != nullptr && session_->open;
}

void odbc_transaction::reset_results() {
  sqlcode = sql_ok;
  sqldbcode = 0;
  sqlerrtext.clear();
  sqlnrows = 0;
}

namespace {

// Sets the failure results from the handle's diagnostics, or from `fallback` when it has none.
void record_failure(transaction& t, const odbc_handle& handle, std::string_view fallback) {
  t.sqlcode = sql_error;
  const std::vector<diagnostic> records = read_diagnostics(handle);
  if (const diagnostic* d = failure_record(records)) {
    t.sqldbcode = d->native;
    t.sqlerrtext = without_driver_prefixes(d->text);
  } else {
    t.sqldbcode = 0;
    t.sqlerrtext = std::string(fallback);
  }
}

}  // namespace

void odbc_transaction::connect() {
  wait_.run([&] { open(); });
}

void odbc_transaction::open() {
  session_.reset();
  reset_results();
  auto s = std::make_unique<session>();
  if (!s->environment.allocate(SQL_HANDLE_ENV, SQL_NULL_HANDLE)) {
    record_failure(*this, s->environment, driver().complete ? no_handle_text : no_driver_manager_text);
    return;
  }
  driver().SQLSetEnvAttr(s->environment.get(), SQL_ATTR_ODBC_VERSION,
                         reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
  if (!s->connection.allocate(SQL_HANDLE_DBC, s->environment.get())) {
    record_failure(*this, s->environment, no_handle_text);
    return;
  }
  driver().SQLSetConnectAttrW(
      s->connection.get(), SQL_ATTR_AUTOCOMMIT,
      reinterpret_cast<SQLPOINTER>(autocommit ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF), SQL_IS_UINTEGER);
  sql_text text = to_sql_text(odbc_connection_string(*this));
  std::array<SQLWCHAR, 1024> completed{};
  SQLSMALLINT completed_length = 0;
  const SQLRETURN rc = driver().SQLDriverConnectW(
      s->connection.get(), nullptr, text.data(), SQL_NTS, completed.data(),
      static_cast<SQLSMALLINT>(completed.size()), &completed_length, SQL_DRIVER_NOPROMPT);
  // The password is in the text: it does not outlive the call.
  std::fill(text.begin(), text.end(), SQLWCHAR{0});
  std::fill(completed.begin(), completed.end(), SQLWCHAR{0});
  if (!SQL_SUCCEEDED(rc)) {
    record_failure(*this, s->connection, no_handle_text);
    return;
  }
  s->open = true;
  session_ = std::move(s);
}

void odbc_transaction::disconnect() {
  if (session_) wait_.run([&] { session_.reset(); });
}

std::optional<std::string> odbc_transaction::select_single(std::string_view sql, std::string_view parameter) {
  const std::optional<result_set> result = run(sql, parameter, {}, 1);
  if (sqlcode == sql_error) return std::nullopt;
  const bool found = result && !result->rows.empty() && !result->rows.front().empty();
  sqlnrows = found ? 1 : 0;
  if (!found) {
    sqlcode = sql_not_found;
    return std::nullopt;
  }
  // A NULL reads as an empty text.
  return result->rows.front().front().value_or("");
}

std::optional<result_set> odbc_transaction::select_rows(std::string_view sql) {
  std::optional<result_set> result = run(sql, std::nullopt, {}, max_rows);
  if (sqlcode == sql_error) return std::nullopt;
  if (!result) {
    sqlcode = sql_error;
    sqlerrtext = no_result_text;
    return std::nullopt;
  }
  sqlnrows = static_cast<long>(result->rows.size());
  return result;
}

void odbc_transaction::execute_immediate(std::string_view sql, const message_handler& on_message) {
  run(sql, std::nullopt, on_message);
}

void odbc_transaction::execute_bound(std::string_view sql, std::string_view parameter) {
  run(sql, parameter);
}

namespace {

// A column of the current row as text (1 is the first); nullopt for a NULL.
std::optional<std::string> column_text(const odbc_handle& statement, SQLUSMALLINT number) {
  std::string value;
  std::vector<SQLWCHAR> chunk(1024);
  for (int part = 0; part < max_chunks; ++part) {
    SQLLEN indicator = 0;
    const SQLRETURN rc =
        driver().SQLGetData(statement.get(), number, SQL_C_WCHAR, chunk.data(),
                            static_cast<SQLLEN>(chunk.size() * sizeof(SQLWCHAR)), &indicator);
    if (rc == SQL_SUCCESS || rc == SQL_SUCCESS_WITH_INFO) {
      if (indicator == SQL_NULL_DATA) return std::nullopt;
    } else {
      break;
    }
    // A chunk that did not fit is full but for its terminator; the last one says its own length.
    std::size_t units = chunk.size() - 1;
    if (indicator != SQL_NO_TOTAL && static_cast<std::size_t>(indicator) / sizeof(SQLWCHAR) < units) {
      units = static_cast<std::size_t>(indicator) / sizeof(SQLWCHAR);
    }
    value += from_sql_text(chunk.data(), units);
    if (rc == SQL_SUCCESS) break;
  }
  return value;
}

// The name of a column of the result the statement stands on (1 is the first); empty when it has none.
std::string column_name(const odbc_handle& statement, SQLUSMALLINT number) {
  std::vector<SQLWCHAR> name(256);
  SQLSMALLINT length = 0;
  SQLSMALLINT type = 0;
  SQLULEN size = 0;
  SQLSMALLINT digits = 0;
  SQLSMALLINT nullable = 0;
  if (!SQL_SUCCEEDED(driver().SQLDescribeColW(statement.get(), number, name.data(),
                                              static_cast<SQLSMALLINT>(name.size()), &length, &type, &size,
                                              &digits, &nullable))) {
    return {};
  }
  return from_sql_text(
      name.data(),
      std::min<std::size_t>(static_cast<std::size_t>(std::max<SQLSMALLINT>(length, 0)), name.size() - 1));
}

}  // namespace

std::optional<result_set> odbc_transaction::run(std::string_view sql,
                                                std::optional<std::string_view> parameter,
                                                const message_handler& on_message, std::size_t rows_wanted) {
  return wait_.run_returning([&] { return run_here(sql, parameter, on_message, rows_wanted); });
}

std::optional<result_set> odbc_transaction::run_here(std::string_view sql,
                                                     std::optional<std::string_view> parameter,
                                                     const message_handler& on_message,
                                                     std::size_t rows_wanted) {
  reset_results();
  if (!connected()) {
    sqlcode = sql_error;
    sqlerrtext = not_connected_text;
    return std::nullopt;
  }
  odbc_handle statement(SQL_HANDLE_STMT, session_->connection.get());
  if (!statement.valid()) {
    record_failure(*this, session_->connection, no_handle_text);
    return std::nullopt;
  }

  sql_text value;
  SQLLEN value_length = 0;
  if (parameter) {
    value = to_sql_text(*parameter);
    value_length = static_cast<SQLLEN>(value.size() * sizeof(SQLWCHAR));
    const SQLULEN column_size = value.empty() ? 1 : value.size();
    const SQLRETURN rc =
        driver().SQLBindParameter(statement.get(), 1, SQL_PARAM_INPUT, SQL_C_WCHAR, SQL_WVARCHAR, column_size,
                                  0, value.data(), value_length, &value_length);
    if (!SQL_SUCCEEDED(rc)) {
      record_failure(*this, statement, no_handle_text);
      return std::nullopt;
    }
  }

  sql_text text = to_sql_text(sql);
  std::optional<result_set> first_result;
  bool failed = false;
  // Takes in the result the statement handle stands on: the row count of a count, the rows wanted of
  // the first row set (the others are passed over).
  const auto take_result = [&] {
    SQLSMALLINT columns = 0;
    driver().SQLNumResultCols(statement.get(), &columns);
    if (columns > 0) {
      if (first_result) return;
      first_result.emplace();
      for (SQLSMALLINT c = 1; c <= columns; ++c)
        first_result->columns.push_back(column_name(statement, static_cast<SQLUSMALLINT>(c)));
      while (first_result->rows.size() < rows_wanted) {
        const SQLRETURN fetched = driver().SQLFetch(statement.get());
        if (fetched == SQL_ERROR) {
          failed = true;
          record_failure(*this, statement, no_handle_text);
        }
        if (!SQL_SUCCEEDED(fetched)) break;
        std::vector<std::optional<std::string>> row;
        for (SQLSMALLINT c = 1; c <= columns; ++c)
          row.push_back(column_text(statement, static_cast<SQLUSMALLINT>(c)));
        first_result->rows.push_back(std::move(row));
      }
      return;
    }
    SQLLEN count = -1;
    if (SQL_SUCCEEDED(driver().SQLRowCount(statement.get(), &count)) && count >= 0)
      sqlnrows = static_cast<long>(count);
  };
  const auto take_failure = [&] {
    if (!failed) record_failure(*this, statement, no_handle_text);
    failed = true;
  };
  // The informational messages (class 01) that came with the call just made.
  const auto take_messages = [&](SQLRETURN call_result) {
    if (!on_message || (call_result != SQL_SUCCESS_WITH_INFO && call_result != SQL_ERROR)) return;
    for (const diagnostic& d : read_diagnostics(statement)) {
      if (!d.sqlstate.starts_with("01")) continue;
      const std::string text = without_driver_prefixes(d.text);
      wait_.tell([&] { on_message(d.native, text); });
    }
  };

  SQLRETURN rc = driver().SQLExecDirectW(statement.get(), text.data(), SQL_NTS);
  take_messages(rc);
  if (SQL_SUCCEEDED(rc)) {
    take_result();
  } else if (rc == SQL_ERROR) {
    take_failure();
  } else if (rc != SQL_NO_DATA) {
    take_failure();
    return std::nullopt;
  }
  // A long statement (a RESTORE ... WITH STATS) reports its progress as further results; the server
  // goes on only while they are read, so every one is read to the end.
  for (int i = 0; i < max_results; ++i) {
    rc = driver().SQLMoreResults(statement.get());
    if (rc == SQL_NO_DATA) break;
    take_messages(rc);
    if (SQL_SUCCEEDED(rc)) {
      take_result();
    } else if (rc == SQL_ERROR) {
      take_failure();
    } else {
      break;
    }
  }
  if (failed) {
    sqlcode = sql_error;
    return std::nullopt;
  }
  return first_result;
}

}  // namespace setup
