#include "sim/engine/backup_format.h"

#include <set>

#include "platform/text.h"
#include "sim/engine/sql_text.h"

namespace sqlsim {
namespace {

constexpr std::string_view magic = "SQLSIM BACKUP 1";
constexpr std::string_view default_data_directory = "C:\\Program Files\\Microsoft SQL Server\\MSSQL\\Data\\";
constexpr std::string_view product_table = "t_sys_system";

// One field of a record: a bare word, a quoted text, a 0x binary or NULL.
struct field {
  enum class kind { word, text, binary, null } type = kind::word;
  std::string value;
};

class record_reader {
 public:
  explicit record_reader(std::string_view text) : text_(text) {}

  // Reads the next record (a line; quoted texts may span lines). False at the end of the text or on a
  // malformed field (then `error` is set).
  bool next(std::vector<field>& fields, std::string& error) {
    fields.clear();
    while (pos_ < text_.size()) {
      line_ = line_at_pos_;
      skip_blanks();
      if (pos_ >= text_.size()) return false;
      if (text_[pos_] == '\n') {
        advance_line();
        continue;
      }
      if (text_[pos_] == '#') {
        while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
        continue;
      }
      while (pos_ < text_.size() && text_[pos_] != '\n') {
        field f;
        if (!read_field(f, error)) return false;
        fields.push_back(std::move(f));
        skip_blanks();
      }
      return true;
    }
    return false;
  }

  int line() const { return line_; }

 private:
  void skip_blanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' || text_[pos_] == '\r')) ++pos_;
  }
  void advance_line() {
    ++pos_;
    ++line_at_pos_;
  }

  bool read_field(field& f, std::string& error) {
    if (text_[pos_] == '\'') {
      f.type = field::kind::text;
      ++pos_;
      while (true) {
        if (pos_ >= text_.size()) {
          error = "unclosed quote";
          return false;
        }
        const char c = text_[pos_];
        if (c == '\n') ++line_at_pos_;
        ++pos_;
        if (c == '\'') {
          if (pos_ < text_.size() && text_[pos_] == '\'') {
            f.value += '\'';
            ++pos_;
            continue;
          }
          break;
        }
        f.value += c;
      }
      return true;
    }
    const std::size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] != ' ' && text_[pos_] != '\t' && text_[pos_] != '\r' &&
           text_[pos_] != '\n' && text_[pos_] != '\'') {
      ++pos_;
    }
    f.value = std::string(text_.substr(start, pos_ - start));
    if (setup::equals_ignore_case_ascii(f.value, "NULL")) {
      f.type = field::kind::null;
    } else if (f.value.size() >= 2 && f.value[0] == '0' && (f.value[1] == 'x' || f.value[1] == 'X')) {
      return read_binary(f, error);
    }
    return true;
  }

  static bool read_binary(field& f, std::string& error) {
    const std::string digits = f.value.substr(2);
    if (digits.empty() || digits.size() % 2 != 0) {
      error = "bad binary value " + f.value;
      return false;
    }
    std::string bytes;
    for (std::size_t i = 0; i < digits.size(); i += 2) {
      int byte = 0;
      for (std::size_t k = i; k < i + 2; ++k) {
        const char c = digits[k];
        int v;
        if (c >= '0' && c <= '9') {
          v = c - '0';
        } else if (c >= 'a' && c <= 'f') {
          v = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
          v = c - 'A' + 10;
        } else {
          error = "bad binary value " + f.value;
          return false;
        }
        byte = byte * 16 + v;
      }
      bytes += static_cast<char>(byte);
    }
    f.type = field::kind::binary;
    f.value = std::move(bytes);
    return true;
  }

  std::string_view text_;
  std::size_t pos_ = 0;
  int line_ = 1;
  int line_at_pos_ = 1;
};

bool is_word(const field& f, std::string_view word) {
  return f.type == field::kind::word && setup::equals_ignore_case_ascii(f.value, word);
}

std::optional<std::string> text_or_null(const field& f, bool& ok) {
  if (f.type == field::kind::null) return std::nullopt;
  if (f.type != field::kind::text) ok = false;
  return f.value;
}

class manifest_parser {
 public:
  manifest_parser(backup_image& image, std::string& error) : image_(image), error_(error) {}

  bool parse(std::string_view text) {
    image_ = backup_image{};
    record_reader reader(text);
    std::vector<field> fields;
    std::string reader_error;
    if (!reader.next(fields, reader_error) || !is_magic(fields)) {
      return fail(reader.line(), reader_error.empty() ? "not a sqlsim backup (first line must be \"" +
                                                            std::string(magic) + "\")"
                                                      : reader_error);
    }
    while (reader.next(fields, reader_error)) {
      if (!record(fields)) return fail(reader.line(), problem_);
    }
    if (!reader_error.empty()) return fail(reader.line(), reader_error);
    return complete();
  }

 private:
  static bool is_magic(const std::vector<field>& f) {
    return f.size() == 3 && is_word(f[0], "SQLSIM") && is_word(f[1], "BACKUP") && f[2].value == "1" &&
           f[2].type == field::kind::word;
  }

  bool fail(int line, const std::string& what) {
    error_ = "line " + std::to_string(line) + ": " + what;
    return false;
  }
  bool problem(std::string what) {
    problem_ = std::move(what);
    return false;
  }

  bool record(const std::vector<field>& f) {
    if (f[0].type != field::kind::word) return problem("a record starts with a keyword");
    const std::string keyword = setup::upper_ascii(f[0].value);
    if (keyword == "DATABASE") {
      if (f.size() != 2 || f[1].type != field::kind::text || f[1].value.empty())
        return problem("database 'name'");
      if (seen_database_) return problem("a second database record");
      seen_database_ = true;
      image_.database = f[1].value;
      return true;
    }
    if (keyword == "SERVER") {
      if (f.size() == 2) {
        for (server_version v : server_versions) {
          if (f[1].value == std::to_string(static_cast<int>(v))) {
            image_.server = v;
            return true;
          }
        }
      }
      return problem("server 2000|2005|2008|2012|2014|2016|2017|2019|2022");
    }
    if (keyword == "RECOVERY") {
      if (f.size() != 2 ||
          !(is_word(f[1], "FULL") || is_word(f[1], "BULK_LOGGED") || is_word(f[1], "SIMPLE"))) {
        return problem("recovery FULL|BULK_LOGGED|SIMPLE");
      }
      image_.recovery = setup::upper_ascii(f[1].value);
      return true;
    }
    if (keyword == "DATA" || keyword == "LOG") {
      if (f.size() != 3 || f[1].type != field::kind::text || f[2].type != field::kind::text ||
          f[1].value.empty()) {
        return problem(std::string(keyword == "LOG" ? "log" : "data") + " 'logical name' 'path'");
      }
      if (!logical_names_.insert(fold(f[1].value)).second)
        return problem("logical name used twice: " + f[1].value);
      image_.files.push_back(backup_file{keyword == "LOG", f[1].value, f[2].value});
      return true;
    }
    if (keyword == "USER") {
      if (f.size() != 3 || f[1].type != field::kind::text || f[1].value.empty() ||
          (f[2].type != field::kind::binary && f[2].type != field::kind::null)) {
        return problem("user 'name' 0xSID|NULL");
      }
      if (!user_names_.insert(fold(f[1].value)).second) return problem("user listed twice: " + f[1].value);
      backup_user user{f[1].value, std::nullopt};
      if (f[2].type == field::kind::binary) user.sid = f[2].value;
      image_.users.push_back(std::move(user));
      return true;
    }
    if (keyword == "TABLE") {
      if (f.size() != 2 || !is_word(f[1], product_table)) return problem("table t_sys_system");
      image_.has_product_table = true;
      return true;
    }
    if (keyword == "ROW") {
      if (!image_.has_product_table) return problem("row before \"table t_sys_system\"");
      bool ok = f.size() == 5;
      backup_row row;
      if (ok) {
        row.sys_var_id = text_or_null(f[1], ok);
        row.sys_var_name = text_or_null(f[2], ok);
        row.sys_var_value = text_or_null(f[3], ok);
        row.sys_ver_flag = text_or_null(f[4], ok);
      }
      if (!ok || !row.sys_var_id)
        return problem("row 'sys_var_id' 'sys_var_name' 'sys_var_value' 'sys_ver_flag'");
      if (!row_keys_.insert(fold(*row.sys_var_id)).second)
        return problem("row listed twice: " + *row.sys_var_id);
      image_.rows.push_back(std::move(row));
      return true;
    }
    return problem("unknown record " + f[0].value);
  }

  bool complete() {
    if (!seen_database_) return fail(0, "no database record");
    bool data = false;
    bool log = false;
    for (const backup_file& file : image_.files) (file.log ? log : data) = true;
    if (!data || !log) return fail(0, "a backup needs at least one data file and one log file");
    return true;
  }

  backup_image& image_;
  std::string& error_;
  std::string problem_;
  bool seen_database_ = false;
  std::set<std::string> logical_names_;
  std::set<std::string> user_names_;
  std::set<std::string> row_keys_;
};

}  // namespace

std::string format_backup(const backup_image& image) {
  std::string out = std::string(magic) + "\n";
  out += "database " + quoted_literal(image.database) + "\n";
  if (image.server) out += "server " + std::to_string(static_cast<int>(*image.server)) + "\n";
  out += "recovery " + image.recovery + "\n";
  for (const backup_file& file : image.files) {
    out += std::string(file.log ? "log " : "data ") + quoted_literal(file.logical_name) + " " +
           quoted_literal(file.path) + "\n";
  }
  for (const backup_user& user : image.users) {
    out += "user " + quoted_literal(user.name) + " " + (user.sid ? hex_text(*user.sid) : "NULL") + "\n";
  }
  if (image.has_product_table) {
    out += "table " + std::string(product_table) + "\n";
    for (const backup_row& row : image.rows) {
      out += "row " + quoted_literal_or_null(row.sys_var_id) + " " +
             quoted_literal_or_null(row.sys_var_name) + " " + quoted_literal_or_null(row.sys_var_value) +
             " " + quoted_literal_or_null(row.sys_ver_flag) + "\n";
    }
  }
  return out;
}

bool parse_backup(std::string_view text, backup_image& image, std::string& error) {
  return manifest_parser(image, error).parse(text);
}

backup_image make_product_backup(std::string database, std::string logical_stem) {
  backup_image image;
  image.database = std::move(database);
  const std::string directory(default_data_directory);
  image.files.push_back({false, logical_stem + "_Data", directory + image.database + "_Data.MDF"});
  image.files.push_back({true, logical_stem + "_Log", directory + image.database + "_Log.LDF"});
  image.users.push_back({"dbo", std::string(1, '\x01')});
  image.has_product_table = true;
  return image;
}

}  // namespace sqlsim
