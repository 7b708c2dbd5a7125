#include "sim/engine/sql_parser.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "platform/text.h"
#include "sim/engine/sql_text.h"

namespace sqlsim {

std::string object_name::written() const {
  std::string out;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) out += '.';
    out += parts[i];
  }
  return out;
}

namespace {

using setup::equals_ignore_case_ascii;

constexpr std::string_view statement_keywords[] = {"SELECT",      "INSERT", "UPDATE", "DELETE",  "DROP",
                                                   "USE",         "SET",    "EXEC",   "EXECUTE", "RESTORE",
                                                   "RECONFIGURE", "ALTER",  "BACKUP"};
// Words that cannot stand as unquoted names here, among them the starts of statements this server
// does not understand, so that those fail as syntax errors rather than as calls of a procedure.
constexpr std::string_view reserved_words[] = {
    "FROM",       "WHERE",   "INTO",      "VALUES",   "DATABASE",   "WITH",        "AND",      "OR",
    "NULL",       "DEFAULT", "TO",        "FILE",     "DISK",       "ON",          "OFF",      "CREATE",
    "BEGIN",      "END",     "IF",        "ELSE",     "WHILE",      "DECLARE",     "COMMIT",   "ROLLBACK",
    "GRANT",      "REVOKE",  "DENY",      "TRUNCATE", "PRINT",      "RETURN",      "GOTO",     "WAITFOR",
    "MERGE",      "OPEN",    "CLOSE",     "FETCH",    "DEALLOCATE", "KILL",        "SHUTDOWN", "CHECKPOINT",
    "DBCC",       "BULK",    "RAISERROR", "SAVE",     "TRAN",       "TRANSACTION", "READTEXT", "WRITETEXT",
    "UPDATETEXT", "SETUSER"};
constexpr std::string_view switched_options[] = {"ANSI_NULLS",
                                                 "ANSI_PADDING",
                                                 "ANSI_WARNINGS",
                                                 "ANSI_NULL_DFLT_ON",
                                                 "ANSI_NULL_DFLT_OFF",
                                                 "ANSI_DEFAULTS",
                                                 "ARITHABORT",
                                                 "ARITHIGNORE",
                                                 "CONCAT_NULL_YIELDS_NULL",
                                                 "CURSOR_CLOSE_ON_COMMIT",
                                                 "IMPLICIT_TRANSACTIONS",
                                                 "NOCOUNT",
                                                 "NUMERIC_ROUNDABORT",
                                                 "QUOTED_IDENTIFIER",
                                                 "XACT_ABORT"};
constexpr std::string_view numeric_options[] = {"TEXTSIZE", "LOCK_TIMEOUT", "DATEFIRST"};
constexpr std::string_view named_options[] = {"LANGUAGE", "DATEFORMAT", "DEADLOCK_PRIORITY"};

// What a value may be beside literals, NULL and parameters.
struct value_rules {
  bool bare_name = false;      // a name standing for its text (procedure arguments, SET LANGUAGE)
  bool default_value = false;  // DEFAULT (procedure arguments)
  bool subquery = false;       // (SELECT ...)
};
template <std::size_t n>
bool one_of(std::string_view word, const std::string_view (&list)[n]) {
  return std::any_of(std::begin(list), std::end(list),
                     [&](std::string_view k) { return equals_ignore_case_ascii(word, k); });
}

class parser {
 public:
  parser(const std::vector<token>& tokens, server_version version, parse_failure& failure)
      : tokens_(tokens), version_(version), failure_(failure) {}

  bool batch(std::vector<statement>& out) {
    while (true) {
      while (accept_symbol(";")) {
      }
      if (peek().kind == token_kind::end) return true;
      statement s;
      s.begin = peek().offset;
      const bool first = out.empty();
      if (!one_statement(s.body, first)) return false;
      const token& last = tokens_[pos_ - 1];
      s.end = last.offset + last.length;
      out.push_back(std::move(s));
      if (!ends_statement(peek())) return fail_here();
    }
  }

 private:
  const token& peek(std::size_t ahead = 0) const {
    return tokens_[std::min(pos_ + ahead, tokens_.size() - 1)];
  }
  const token& take() {
    const token& t = peek();
    if (t.kind != token_kind::end) ++pos_;
    return t;
  }
  static bool is_keyword(const token& t, std::string_view keyword) {
    return t.kind == token_kind::word && equals_ignore_case_ascii(t.value, keyword);
  }
  bool accept_keyword(std::string_view keyword) {
    if (!is_keyword(peek(), keyword)) return false;
    ++pos_;
    return true;
  }
  bool expect_keyword(std::string_view keyword) { return accept_keyword(keyword) || fail_here(); }
  bool accept_symbol(std::string_view symbol) {
    if (peek().kind != token_kind::symbol || peek().value != symbol) return false;
    ++pos_;
    return true;
  }
  bool expect_symbol(std::string_view symbol) { return accept_symbol(symbol) || fail_here(); }

  static bool starts_statement(const token& t) {
    return t.kind == token_kind::word && one_of(t.value, statement_keywords);
  }
  static bool ends_statement(const token& t) {
    return t.kind == token_kind::end || (t.kind == token_kind::symbol && t.value == ";") ||
           starts_statement(t);
  }

  // "Incorrect syntax near" the current token, or the last one when the text ended too early.
  bool fail_here() {
    const token& t = peek().kind == token_kind::end && pos_ > 0 ? tokens_[pos_ - 1] : peek();
    failure_.number = 102;
    failure_.argument = t.kind == token_kind::binary ? hex_text(t.value) : t.value;
    return false;
  }
  bool fail(long number, std::string argument) {
    failure_.number = number;
    failure_.argument = std::move(argument);
    return false;
  }

  bool name_part(std::string& out) {
    const token& t = peek();
    if (t.kind == token_kind::quoted_name ||
        (t.kind == token_kind::word && !one_of(t.value, reserved_words) && !starts_statement(t))) {
      out = take().value;
      return true;
    }
    return fail_here();
  }

  bool object(object_name& out) {
    out.parts.clear();
    std::string part;
    if (!name_part(part)) return false;
    out.parts.push_back(part);
    while (accept_symbol(".")) {
      if (peek().kind == token_kind::symbol && peek().value == ".") {
        out.parts.emplace_back();
        continue;
      }
      if (!name_part(part)) return false;
      out.parts.push_back(part);
    }
    if (out.parts.size() > 3) return fail_here();
    return true;
  }

  bool column_ref(std::string& out) {
    object_name name;
    if (!object(name)) return false;
    out = name.parts.back();
    return true;
  }

  bool value(value_expr& out, value_rules rules = {}) {
    const token& t = peek();
    out = value_expr{};
    switch (t.kind) {
      case token_kind::string:
        out.type = value_expr::kind::text;
        out.text = take().value;
        return true;
      case token_kind::number:
        out.type = value_expr::kind::number;
        out.text = take().value;
        return true;
      case token_kind::binary:
        out.type = value_expr::kind::binary;
        out.text = take().value;
        return true;
      case token_kind::variable:
        out.type = value_expr::kind::parameter;
        out.text = take().value;
        return true;
      case token_kind::quoted_name:
        if (!rules.bare_name) return fail_here();
        out.type = value_expr::kind::name;
        out.text = take().value;
        return true;
      case token_kind::symbol:
        if ((t.value == "-" || t.value == "+") && peek(1).kind == token_kind::number) {
          const std::string sign = take().value;
          out.type = value_expr::kind::number;
          out.text = (sign == "-" ? "-" : "") + take().value;
          return true;
        }
        if (t.value == "(" && rules.subquery && is_keyword(peek(1), "SELECT")) {
          take();
          auto sub = std::make_shared<select_statement>();
          if (!select(*sub) || !expect_symbol(")")) return false;
          out.type = value_expr::kind::subquery;
          out.subquery = std::move(sub);
          return true;
        }
        return fail_here();
      case token_kind::word:
        if (is_keyword(t, "NULL")) {
          take();
          out.type = value_expr::kind::null;
          return true;
        }
        if (is_keyword(t, "DEFAULT") && rules.default_value) {
          take();
          out.type = value_expr::kind::default_value;
          return true;
        }
        if (rules.bare_name && !one_of(t.value, reserved_words) && !starts_statement(t)) {
          out.type = value_expr::kind::name;
          out.text = take().value;
          return true;
        }
        return fail_here();
      case token_kind::end:
        return fail_here();
    }
    return fail_here();
  }

  bool where_clause(std::vector<condition>& out) {
    if (!accept_keyword("WHERE")) return true;
    do {
      condition c;
      if (!column_ref(c.column) || !expect_symbol("=") || !value(c.value)) return false;
      out.push_back(std::move(c));
    } while (accept_keyword("AND"));
    return true;
  }

  bool select(select_statement& out) {
    if (!expect_keyword("SELECT")) return false;
    if (peek().kind == token_kind::variable && equals_ignore_case_ascii(peek().value, "@@VERSION")) {
      take();
      out.server_property = "@@VERSION";
      return true;
    }
    if (is_keyword(peek(), "SERVERPROPERTY") && peek(1).kind == token_kind::symbol && peek(1).value == "(") {
      take();
      take();
      if (peek().kind != token_kind::string) return fail_here();
      out.server_property = take().value;
      return expect_symbol(")");
    }
    if (!accept_symbol("*")) {
      do {
        std::string column;
        if (!column_ref(column)) return false;
        out.columns.push_back(std::move(column));
      } while (accept_symbol(","));
    }
    return expect_keyword("FROM") && object(out.table) && where_clause(out.where);
  }

  bool insert(insert_statement& out) {
    take();
    accept_keyword("INTO");
    if (!object(out.table)) return false;
    if (accept_symbol("(")) {
      do {
        std::string column;
        if (!column_ref(column)) return false;
        out.columns.push_back(std::move(column));
      } while (accept_symbol(","));
      if (!expect_symbol(")")) return false;
    }
    if (!expect_keyword("VALUES") || !expect_symbol("(")) return false;
    do {
      value_expr v;
      if (!value(v)) return false;
      out.values.push_back(std::move(v));
    } while (accept_symbol(","));
    return expect_symbol(")");
  }

  bool update(update_statement& out) {
    take();
    if (!object(out.table) || !expect_keyword("SET")) return false;
    do {
      std::string column;
      value_expr v;
      if (!column_ref(column) || !expect_symbol("=") || !value(v, {.subquery = true})) return false;
      out.assignments.emplace_back(std::move(column), std::move(v));
    } while (accept_symbol(","));
    return where_clause(out.where);
  }

  bool remove(delete_statement& out) {
    take();
    accept_keyword("FROM");
    return object(out.table) && where_clause(out.where);
  }

  bool drop(drop_database_statement& out) {
    take();
    if (!expect_keyword("DATABASE")) return false;
    do {
      std::string name;
      if (!name_part(name)) return false;
      out.names.push_back(std::move(name));
    } while (accept_symbol(","));
    return true;
  }

  bool set(set_statement& out) {
    take();
    const token& t = peek();
    if (t.kind == token_kind::variable) return fail(137, t.value);
    if (t.kind != token_kind::word) return fail_here();
    if (one_of(t.value, switched_options)) {
      do {
        if (peek().kind != token_kind::word) return fail_here();
        if (!one_of(peek().value, switched_options)) return fail(195, peek().value);
        out.options.push_back(setup::upper_ascii(take().value));
      } while (accept_symbol(","));
      if (accept_keyword("ON")) {
        out.on = true;
        return true;
      }
      return expect_keyword("OFF");
    }
    out.options.push_back(setup::upper_ascii(t.value));
    if (one_of(t.value, numeric_options)) {
      take();
      value_expr v;
      if (!value(v)) return false;
      return v.type == value_expr::kind::number || fail_here();
    }
    if (one_of(t.value, named_options)) {
      take();
      value_expr v;
      return value(v, {.bare_name = true});
    }
    if (is_keyword(t, "TRANSACTION")) {
      take();
      if (!expect_keyword("ISOLATION") || !expect_keyword("LEVEL")) return false;
      if (accept_keyword("READ")) {
        return accept_keyword("COMMITTED") || expect_keyword("UNCOMMITTED");
      }
      if (accept_keyword("REPEATABLE")) return expect_keyword("READ");
      return accept_keyword("SNAPSHOT") || expect_keyword("SERIALIZABLE");
    }
    return fail(195, t.value);
  }

  bool execute(execute_statement& out, bool bare) {
    if (!bare) take();
    if (!object(out.procedure)) return false;
    if (ends_statement(peek())) return true;
    do {
      procedure_argument argument;
      if (peek().kind == token_kind::variable && peek(1).kind == token_kind::symbol && peek(1).value == "=") {
        argument.name = take().value;
        take();
      }
      if (!value(argument.value, {.bare_name = true, .default_value = true})) return false;
      out.arguments.push_back(std::move(argument));
    } while (accept_symbol(","));
    return true;
  }

  bool whole_number(long& out, long minimum, long maximum) {
    const token& t = peek();
    if (t.kind != token_kind::number || t.value.find('.') != std::string::npos || t.value.size() > 9) {
      return fail_here();
    }
    const long n = std::strtol(t.value.c_str(), nullptr, 10);
    if (n < minimum || n > maximum) return fail_here();
    take();
    out = n;
    return true;
  }

  bool restore(restore_statement& out) {
    take();
    using what = restore_statement::what;
    if (accept_keyword("FILELISTONLY")) {
      out.kind = what::filelistonly;
    } else if (accept_keyword("VERIFYONLY")) {
      out.kind = what::verifyonly;
    } else if (accept_keyword("HEADERONLY")) {
      out.kind = what::headeronly;
    } else if (!expect_keyword("DATABASE")) {
      return false;
    }
    if (out.kind != what::database) {
    } else if (peek().kind == token_kind::variable) {
      value(out.database);
    } else {
      out.database.type = value_expr::kind::name;
      if (!name_part(out.database.text)) return false;
    }
    if (!expect_keyword("FROM") || !expect_keyword("DISK") || !expect_symbol("=") || !value(out.disk))
      return false;
    if (out.disk.type != value_expr::kind::text && out.disk.type != value_expr::kind::parameter)
      return fail_here();
    if (!accept_keyword("WITH")) return true;
    do {
      if (accept_keyword("FILE")) {
        if (!expect_symbol("=") || !whole_number(out.file, 1, 2147483647)) return false;
      } else if (accept_keyword("STATS")) {
        long step = 10;
        if (accept_symbol("=") && !whole_number(step, 1, 100)) return false;
        out.stats = static_cast<int>(step);
      } else if (accept_keyword("RECOVERY")) {
        out.recovery = true;
      } else if (accept_keyword("NORECOVERY")) {
        out.recovery = false;
      } else if (accept_keyword("REPLACE")) {
        out.replace = true;
      } else if (accept_keyword("MOVE")) {
        restore_move move;
        if (!value(move.logical_name) || !expect_keyword("TO") || !value(move.physical_name)) return false;
        out.moves.push_back(std::move(move));
      } else if (!accept_keyword("NOUNLOAD") && !accept_keyword("UNLOAD") && !accept_keyword("REWIND") &&
                 !accept_keyword("NOREWIND")) {
        return fail_here();
      }
    } while (accept_symbol(","));
    return true;
  }

  bool backup(backup_statement& out) {
    take();
    if (!expect_keyword("DATABASE")) return false;
    if (peek().kind == token_kind::variable) {
      value(out.database);
    } else {
      out.database.type = value_expr::kind::name;
      if (!name_part(out.database.text)) return false;
    }
    if (!expect_keyword("TO") || !expect_keyword("DISK") || !expect_symbol("=") || !value(out.disk))
      return false;
    if (out.disk.type != value_expr::kind::text && out.disk.type != value_expr::kind::parameter)
      return fail_here();
    if (!accept_keyword("WITH")) return true;
    do {
      if (accept_keyword("INIT")) {
        out.init = true;
      } else if (accept_keyword("STATS")) {
        long step = 10;
        if (accept_symbol("=") && !whole_number(step, 1, 100)) return false;
        out.stats = static_cast<int>(step);
      } else if (!accept_keyword("NOINIT") && !accept_keyword("FORMAT") && !accept_keyword("NOFORMAT") &&
                 !accept_keyword("SKIP") && !accept_keyword("NOSKIP") && !accept_keyword("NOUNLOAD") &&
                 !accept_keyword("UNLOAD") && !accept_keyword("REWIND") && !accept_keyword("NOREWIND")) {
        return fail_here();
      }
    } while (accept_symbol(","));
    return true;
  }

  bool reconfigure(reconfigure_statement& out) {
    take();
    if (!accept_keyword("WITH")) return true;
    out.override_checks = true;
    return expect_keyword("OVERRIDE");
  }

  bool alter(alter_recovery_statement& out) {
    take();
    if (!expect_keyword("DATABASE") || !name_part(out.database) || !expect_keyword("SET") ||
        !expect_keyword("RECOVERY")) {
      return false;
    }
    const token& model = peek();
    const bool bulk_logged = is_keyword(model, "BULK_LOGGED");
    if (!is_keyword(model, "FULL") && !is_keyword(model, "SIMPLE") &&
        !(bulk_logged && version_ != server_version::v2000)) {
      return fail_here();
    }
    out.model = setup::upper_ascii(take().value);
    if (!accept_keyword("WITH")) return true;
    if (accept_keyword("NO_WAIT")) return true;
    if (!expect_keyword("ROLLBACK")) return false;
    if (accept_keyword("IMMEDIATE")) return true;
    long seconds = 0;
    if (!expect_keyword("AFTER") || !whole_number(seconds, 0, 2147483647)) return false;
    accept_keyword("SECONDS");
    return true;
  }

  bool one_statement(statement_body& body, bool first_in_batch) {
    const token& t = peek();
    if (is_keyword(t, "SELECT")) return select(body.emplace<select_statement>());
    if (is_keyword(t, "INSERT")) return insert(body.emplace<insert_statement>());
    if (is_keyword(t, "UPDATE")) return update(body.emplace<update_statement>());
    if (is_keyword(t, "DELETE")) return remove(body.emplace<delete_statement>());
    if (is_keyword(t, "DROP")) return drop(body.emplace<drop_database_statement>());
    if (is_keyword(t, "USE")) {
      take();
      return name_part(body.emplace<use_statement>().database);
    }
    if (is_keyword(t, "SET")) return set(body.emplace<set_statement>());
    if (is_keyword(t, "EXEC") || is_keyword(t, "EXECUTE"))
      return execute(body.emplace<execute_statement>(), false);
    if (is_keyword(t, "RESTORE")) return restore(body.emplace<restore_statement>());
    if (is_keyword(t, "RECONFIGURE")) return reconfigure(body.emplace<reconfigure_statement>());
    if (is_keyword(t, "ALTER")) return alter(body.emplace<alter_recovery_statement>());
    if (is_keyword(t, "BACKUP")) return backup(body.emplace<backup_statement>());
    // A procedure may be called without EXEC only as the first statement of a batch.
    if (first_in_batch && (t.kind == token_kind::word || t.kind == token_kind::quoted_name)) {
      return execute(body.emplace<execute_statement>(), true);
    }
    return fail_here();
  }

  const std::vector<token>& tokens_;
  server_version version_;
  parse_failure& failure_;
  std::size_t pos_ = 0;
};

}  // namespace

bool parse_batch(const std::vector<token>& tokens, server_version version, std::vector<statement>& out,
                 parse_failure& failure) {
  out.clear();
  if (tokens.empty()) return true;
  return parser(tokens, version, failure).batch(out);
}

}  // namespace sqlsim
