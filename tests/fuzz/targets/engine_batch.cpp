// The engine running any batches. The first byte picks the server version and the login (sa, or a
// login with no server role); the rest is batches separated by NUL bytes, run one after another on one
// session of a server with a product database and a backup on its drive C:. Every message is one SQL
// Server could send, UTF-8 while the batches are; a statement fails exactly when it reports an error; a
// one-statement batch that fails changes nothing (except DROP DATABASE of several names); and the same
// input run again on a new server ends in the same state.
#include <memory>

#include "platform/text.h"
#include "sim/engine/backup_format.h"
#include "sim/engine/engine.h"
#include "sim/engine/sql_lexer.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/memory_disk.h"

namespace {

using namespace sqlsim;

constexpr server_version versions[] = {server_version::v2000, server_version::v2005, server_version::v2008,
                                       server_version::v2012};

backup_image product_backup() {
  backup_image image = make_product_backup("qrvx", "qrvxdb");
  image.users.push_back({"qrvxlog", std::string("\xAA\xBB\xCC\xDD", 4)});
  image.rows.push_back({"Is_Distributed", "连锁总部", "1", ""});
  image.rows.push_back({"sys_version", "版本", "9.0", std::nullopt});
  return image;
}

struct server {
  std::shared_ptr<fuzz::memory_disk> disk = std::make_shared<fuzz::memory_disk>();
  std::unique_ptr<engine> e;
  session s;

  explicit server(std::uint8_t choice) {
    disk->files[windows_path_key("C:\\b.dat")] = format_backup(product_backup());
    engine_options options;
    options.version = versions[choice % 4];
    options.sa_password = "pw";
    options.files = disk;
    e = std::make_unique<engine>(options);
    session sa;
    FUZZ_CHECK(!e->login(sa, "sa", "pw", "master"));
    FUZZ_CHECK(!e->execute(sa, "RESTORE DATABASE qrvx FROM DISK = 'c:\\b.dat' WITH MOVE 'qrvxdb_Data' TO "
                               "'c:\\data\\q.mdf', MOVE 'qrvxdb_Log' TO 'c:\\data\\q.ldf'")[0]
                    .failed);
    FUZZ_CHECK(!e->execute(sa, "sp_addlogin 'clerk', 'pw', 'master'")[0].failed);
    FUZZ_CHECK(!e->login(s, (choice & 4) ? "clerk" : "sa", "pw", ""));
  }
};

bool is_drop(std::string_view batch) {
  std::vector<token> tokens;
  lex_failure failure;
  return tokenize(batch, tokens, failure) && tokens[0].kind == token_kind::word &&
         setup::equals_ignore_case_ascii(tokens[0].value, "DROP");
}

void check_message(const server_message& m, bool utf8) {
  FUZZ_CHECK(m.number > 0 && m.severity >= 0 && m.severity <= 25 && !m.text.empty());
  if (utf8) FUZZ_CHECK(setup::is_valid_utf8(m.text));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::vector<std::string_view> batches;
  std::string_view rest = fuzz::as_text(data + 1, size - 1);
  while (true) {
    const std::size_t nul = rest.find('\0');
    batches.push_back(rest.substr(0, nul));
    if (nul == std::string_view::npos) break;
    rest.remove_prefix(nul + 1);
  }

  server first(data[0]);
  bool all_utf8 = true;
  for (std::string_view batch : batches) {
    // What the server says may quote what earlier batches stored: UTF-8 only while every batch was.
    all_utf8 = all_utf8 && setup::is_valid_utf8(batch);
    const bool utf8 = all_utf8;
    const std::string before = first.e->dump();
    const auto files_before = first.disk->files;
    const std::vector<statement_outcome> outcomes = first.e->execute(first.s, batch);
    for (const statement_outcome& o : outcomes) {
      bool error = false;
      for (const server_message& m : o.messages) {
        check_message(m, utf8);
        error = error || m.severity > 10;
      }
      for (const server_message& m : o.progress) {
        check_message(m, utf8);
        FUZZ_CHECK(m.severity <= 10);
      }
      FUZZ_CHECK(o.failed == error);
      if (o.rows) {
        for (const auto& row : o.rows->rows) FUZZ_CHECK(row.size() == o.rows->columns.size());
        if (o.rows_affected) FUZZ_CHECK(*o.rows_affected == static_cast<long>(o.rows->rows.size()));
        if (utf8) {
          for (const auto& row : o.rows->rows) {
            for (const auto& cell : row) FUZZ_CHECK(!cell || setup::is_valid_utf8(*cell));
          }
        }
      }
    }
    if (outcomes.size() == 1 && outcomes[0].failed && !is_drop(batch)) {
      FUZZ_CHECK(first.e->dump() == before);
      FUZZ_CHECK(first.disk->files == files_before);
    }
  }
  const std::string state = first.e->dump();
  if (all_utf8) FUZZ_CHECK(setup::is_valid_utf8(state));

  server second(data[0]);
  for (std::string_view batch : batches) second.e->execute(second.s, batch);
  FUZZ_CHECK(second.e->dump() == state);
  return 0;
}
