// A backup file of any content, read and restored. What parse_backup accepts formats back to a text that
// reads as the same backup; what it refuses says on which line. RESTORE of a refused file fails with
// 3241 and changes nothing; of an accepted one it either refuses with SQL Server's errors, changing
// nothing, or restores the database with the backup's files, users and rows, reporting its progress.
#include <memory>

#include "platform/text.h"
#include "sim/engine/backup_format.h"
#include "sim/engine/engine.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/memory_disk.h"

namespace {

using namespace sqlsim;

bool same_backup(const backup_image& a, const backup_image& b) {
  if (a.database != b.database || a.server != b.server || a.recovery != b.recovery ||
      a.has_product_table != b.has_product_table || a.files.size() != b.files.size() ||
      a.users.size() != b.users.size() || a.rows.size() != b.rows.size()) {
    return false;
  }
  for (std::size_t i = 0; i < a.files.size(); ++i) {
    if (a.files[i].log != b.files[i].log || a.files[i].logical_name != b.files[i].logical_name ||
        a.files[i].path != b.files[i].path) {
      return false;
    }
  }
  for (std::size_t i = 0; i < a.users.size(); ++i) {
    if (a.users[i].name != b.users[i].name || a.users[i].sid != b.users[i].sid) return false;
  }
  for (std::size_t i = 0; i < a.rows.size(); ++i) {
    const backup_row& x = a.rows[i];
    const backup_row& y = b.rows[i];
    if (x.sys_var_id != y.sys_var_id || x.sys_var_name != y.sys_var_name || x.sys_var_value != y.sys_var_value ||
        x.sys_ver_flag != y.sys_ver_flag) {
      return false;
    }
  }
  return true;
}

std::vector<long> numbers(const std::vector<server_message>& messages) {
  std::vector<long> out;
  for (const server_message& m : messages) out.push_back(m.number);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = fuzz::as_text(data, size);
  backup_image image;
  std::string error;
  const bool accepted = parse_backup(text, image, error);
  if (!accepted) {
    FUZZ_CHECK(error.rfind("line ", 0) == 0);
  } else {
    const std::string formatted = format_backup(image);
    backup_image again;
    FUZZ_CHECK(parse_backup(formatted, again, error));
    FUZZ_CHECK(same_backup(again, image));
    FUZZ_CHECK(format_backup(again) == formatted);
  }

  auto disk = std::make_shared<fuzz::memory_disk>();
  disk->files[windows_path_key("C:\\fuzzed.bak")] = std::string(text);
  engine_options options;
  options.version = server_version::v2008;
  options.files = disk;
  engine e(options);
  session sa;
  FUZZ_CHECK(!e.login(sa, "sa", "", "master"));
  const std::string before = e.dump();
  const auto files_before = disk->files;
  const auto outcomes = e.execute(sa, "RESTORE DATABASE fuzzed FROM DISK = 'c:\\fuzzed.bak' WITH STATS = 7");
  FUZZ_CHECK(outcomes.size() == 1);
  const statement_outcome& restore = outcomes[0];
  const bool utf8 = setup::is_valid_utf8(text);
  for (const server_message& m : restore.messages) {
    if (utf8) FUZZ_CHECK(setup::is_valid_utf8(m.text));
  }
  if (!accepted || restore.failed) {
    if (!accepted) FUZZ_CHECK(numbers(restore.messages) == (std::vector<long>{3241, 3013}));
    FUZZ_CHECK(restore.failed && restore.progress.empty());
    FUZZ_CHECK(!restore.messages.empty() && restore.messages.back().number == 3013);
    FUZZ_CHECK(e.dump() == before);
    FUZZ_CHECK(disk->files == files_before);
    return 0;
  }

  // 7, 14, ... 98, 100: fifteen steps; then a 4035 per file and the 3014 that ends a restore.
  FUZZ_CHECK(restore.progress.size() == 15);
  FUZZ_CHECK(restore.progress.back().text == "100 percent processed.");
  FUZZ_CHECK(restore.messages.size() == image.files.size() + 1);
  FUZZ_CHECK(restore.messages.back().number == 3014);
  FUZZ_CHECK(disk->files.size() == files_before.size() + image.files.size());
  const auto rows = e.execute(sa, "select sys_var_id from fuzzed.dbo.t_sys_system");
  if (image.has_product_table) {
    FUZZ_CHECK(rows[0].rows && rows[0].rows->rows.size() == image.rows.size());
  } else {
    FUZZ_CHECK(rows[0].failed);
  }
  const auto users = e.execute(sa, "select name from fuzzed.dbo.sysusers");
  FUZZ_CHECK(users[0].rows && users[0].rows->rows.size() == image.users.size());
  return 0;
}
