// SELECT, INSERT, UPDATE and DELETE over the tables the wizard reads and writes: the catalog views
// master.dbo.sysdatabases and master.dbo.syslogins, each database's sysusers, and the product table.
#include <algorithm>
#include <map>

#include "platform/text.h"
#include "sim/engine/engine_state.h"

namespace sqlsim {
namespace {

constexpr std::string_view product_table = "t_sys_system";
constexpr std::string_view product_primary_key = "PK_t_sys_system";
constexpr std::string_view product_key_column = "sys_var_id";

// sysaltfiles (every version, in master) and sys.master_files (2005 and later) list every file of
// every database.
enum class table_kind { databases, logins, users, product, altfiles, master_files };

struct column_def {
  std::string_view name;
  bool binary = false;
};

const std::vector<column_def>& columns_of(table_kind kind) {
  static const std::vector<column_def> databases = {{"name"}, {"dbid"}, {"filename"}};
  static const std::vector<column_def> logins = {
      {"name"}, {"sid", true}, {"dbname"}, {"loginname"}, {"sysadmin"}};
  static const std::vector<column_def> users = {{"name"}, {"sid", true}};
  static const std::vector<column_def> altfiles = {{"dbid"}, {"fileid"}, {"name"}, {"filename"}, {"size"}};
  static const std::vector<column_def> master_files = {{"database_id"}, {"file_id"},       {"type"},
                                                       {"name"},        {"physical_name"}, {"size"}};
  static const std::vector<column_def> product = {
      {product_key_column}, {"sys_var_name"}, {"sys_var_value"}, {"sys_ver_flag"}};
  switch (kind) {
    case table_kind::databases:
      return databases;
    case table_kind::logins:
      return logins;
    case table_kind::users:
      return users;
    case table_kind::altfiles:
      return altfiles;
    case table_kind::master_files:
      return master_files;
    case table_kind::product:
      break;
  }
  return product;
}

struct table_ref {
  table_kind kind = table_kind::product;
  database* db = nullptr;
  std::string written;
};

using row_values = std::vector<sql_value>;

sql_value text_value(std::optional<std::string> text) {
  return sql_value{std::move(text), false};
}
sql_value binary_value(std::optional<std::string> bytes) {
  return sql_value{std::move(bytes), true};
}

row_values product_cells(const system_row& row) {
  return {text_value(row.sys_var_id), text_value(row.sys_var_name), text_value(row.sys_var_value),
          text_value(row.sys_ver_flag)};
}

system_row product_row(const row_values& cells) {
  return {cells[0].value, cells[1].value, cells[2].value, cells[3].value};
}

// NULL equals nothing; binary values compare byte for byte, texts by the server's collation.
bool sql_equal(const sql_value& a, const sql_value& b) {
  if (!a.value || !b.value) return false;
  if (a.binary || b.binary) return *a.value == *b.value;
  return fold(*a.value) == fold(*b.value);
}

std::optional<std::size_t> column_index(table_kind kind, std::string_view name) {
  const auto& columns = columns_of(kind);
  for (std::size_t i = 0; i < columns.size(); ++i) {
    if (same_name(columns[i].name, name)) return i;
  }
  return std::nullopt;
}

using filter = std::vector<std::pair<std::size_t, sql_value>>;

bool matches(const row_values& row, const filter& where) {
  return std::all_of(where.begin(), where.end(),
                     [&](const auto& c) { return sql_equal(row[c.first], c.second); });
}

// Name resolution, permissions and checks shared by the four statements.
class table_access {
 public:
  table_access(engine::state& state, statement_context& ctx) : state_(state), ctx_(ctx) {}

  bool resolve(const object_name& name, table_ref& out) {
    const auto& parts = name.parts;
    out.written = name.written();
    const std::string& object = parts.back();
    const std::string schema = parts.size() >= 2 ? parts[parts.size() - 2] : "";
    const bool explicit_database = parts.size() == 3;
    const std::string database_name = explicit_database ? parts[0] : ctx_.s.database;
    const bool sys_schema = same_name(schema, "sys") && state_.version != server_version::v2000;
    if (!schema.empty() && !same_name(schema, "dbo") && !sys_schema)
      return fail(msg_invalid_object, {out.written});
    database* db = state_.find_database(database_name);
    if (!db) {
      if (explicit_database) return fail(msg_invalid_object, {out.written});
      return fail(msg_database_not_found, {database_name});
    }
    if (db->state == database_state::restoring) return fail(msg_database_restoring, {db->name});
    const login_account* login = state_.find_login(ctx_.s.login);
    if (!login || !state_.can_access(*login, *db))
      return fail(msg_cannot_use_database, {ctx_.s.login, db->name});
    out.db = db;
    // SQL Server 2000 keeps the server-wide tables in master only; later versions show them everywhere.
    const bool server_tables_here = state_.version != server_version::v2000 || same_name(db->name, "master");
    if (sys_schema) {
      if (!same_name(object, "master_files")) return fail(msg_invalid_object, {out.written});
      out.kind = table_kind::master_files;
    } else if (same_name(object, "sysaltfiles") && same_name(db->name, "master")) {
      out.kind = table_kind::altfiles;
    } else if (same_name(object, "sysdatabases") && server_tables_here) {
      out.kind = table_kind::databases;
    } else if (same_name(object, "syslogins") && server_tables_here) {
      out.kind = table_kind::logins;
    } else if (same_name(object, "sysusers")) {
      out.kind = table_kind::users;
    } else if (same_name(object, product_table) && db->has_product_table) {
      out.kind = table_kind::product;
    } else {
      return fail(msg_invalid_object, {out.written});
    }
    return true;
  }

  std::vector<row_values> rows(const table_ref& table) const {
    std::vector<row_values> out;
    switch (table.kind) {
      case table_kind::databases: {
        std::vector<const database*> sorted;
        for (const auto& [key, db] : state_.databases) sorted.push_back(&db);
        std::sort(sorted.begin(), sorted.end(), [](auto* a, auto* b) { return a->dbid < b->dbid; });
        for (const database* db : sorted) {
          std::optional<std::string> primary;
          for (const database_file& f : db->files) {
            if (!f.log) {
              primary = f.path;
              break;
            }
          }
          out.push_back({text_value(db->name), text_value(std::to_string(db->dbid)), text_value(primary)});
        }
        break;
      }
      case table_kind::logins:
        for (const auto& [key, login] : state_.logins) {
          out.push_back({text_value(login.name), binary_value(login.sid), text_value(login.default_database),
                         text_value(login.name), text_value(login.roles.count("sysadmin") ? "1" : "0")});
        }
        break;
      case table_kind::users:
        for (const database_user& user : table.db->users) {
          out.push_back({text_value(user.name), binary_value(user.sid)});
        }
        break;
      case table_kind::product:
        for (const auto& [key, row] : table.db->rows) out.push_back(product_cells(row));
        break;
      case table_kind::altfiles:
      case table_kind::master_files:
        for (const auto& [key, db] : state_.databases) {
          for (std::size_t i = 0; i < db.files.size(); ++i) {
            const database_file& f = db.files[i];
            const std::string id = std::to_string(db.dbid), file_id = std::to_string(i + 1),
                              size = std::to_string(file_pages(f.log, db.rows.size()));
            if (table.kind == table_kind::altfiles) {
              out.push_back({text_value(id), text_value(file_id), text_value(f.logical_name),
                             text_value(f.path), text_value(size)});
            } else {
              out.push_back({text_value(id), text_value(file_id), text_value(f.log ? "1" : "0"),
                             text_value(f.logical_name), text_value(f.path), text_value(size)});
            }
          }
        }
        break;
    }
    return out;
  }

  bool column(const table_ref& table, std::string_view name, std::size_t& index) {
    const auto found = column_index(table.kind, name);
    if (!found) return fail(msg_invalid_column, {name});
    index = *found;
    return true;
  }

  bool where(const table_ref& table, const std::vector<condition>& conditions, filter& out) {
    for (const condition& c : conditions) {
      std::size_t index = 0;
      sql_value value;
      if (!column(table, c.column, index) || !state_.evaluate(c.value, ctx_, value)) return false;
      out.emplace_back(index, std::move(value));
    }
    return true;
  }

  // Assignments of an INSERT or UPDATE: each column once, values evaluated.
  bool assignments(const table_ref& table, const std::vector<std::pair<std::string, value_expr>>& list,
                   std::vector<std::pair<std::size_t, sql_value>>& out) {
    for (const auto& [name, expr] : list) {
      std::size_t index = 0;
      if (!column(table, name, index)) return false;
      if (std::any_of(out.begin(), out.end(), [&](const auto& a) { return a.first == index; })) {
        return fail(msg_column_twice, {name});
      }
      sql_value value;
      if (!state_.evaluate(expr, ctx_, value)) return false;
      if (columns_of(table.kind)[index].binary && value.value && !value.binary) {
        return fail(msg_implicit_conversion, {});
      }
      out.emplace_back(index, std::move(value));
    }
    return true;
  }

  // A product row fit to be stored: its key not NULL.
  bool storable(const table_ref& table, const row_values& row, std::string_view operation) {
    if (row[0].value) return true;
    return fail(msg_null_not_allowed,
                {product_key_column, table.db->name + ".dbo." + std::string(product_table), operation});
  }

  bool duplicate_key() {
    return fail(msg_duplicate_key, {product_primary_key, "dbo." + std::string(product_table)});
  }

  bool system_table_refused() { return fail(msg_adhoc_updates, {}); }

  void count(long rows) {
    if (!ctx_.s.nocount) ctx_.out.rows_affected = rows;
  }

  bool fail(long number, std::initializer_list<std::string_view> arguments) {
    state_.report(ctx_, number, arguments);
    return false;
  }

  engine::state& state_;
  statement_context& ctx_;
};

}  // namespace

bool engine::state::query(const select_statement& st, statement_context& ctx,
                          std::vector<std::string>& columns, std::vector<std::vector<sql_value>>& result) {
  if (!st.server_property.empty()) {
    // One value without a column name; a property the server does not have is NULL.
    const product_version v = product_version_of(version);
    const std::string number =
        std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.build) + ".0";
    sql_value value;
    if (st.server_property == "@@VERSION") {
      value.value =
          "Microsoft SQL Server " + std::to_string(static_cast<int>(version)) + " - " + number + " (sqlsim)";
    } else if (setup::equals_ignore_case_ascii(st.server_property, "ProductVersion")) {
      value.value = number;
    }
    columns.emplace_back();
    result.push_back({std::move(value)});
    return true;
  }
  table_access access(*this, ctx);
  table_ref table;
  if (!access.resolve(st.table, table)) return false;
  std::vector<std::size_t> picked;
  if (st.columns.empty()) {
    for (const column_def& c : columns_of(table.kind)) {
      picked.push_back(picked.size());
      columns.emplace_back(c.name);
    }
  } else {
    for (const std::string& name : st.columns) {
      std::size_t index = 0;
      if (!access.column(table, name, index)) return false;
      picked.push_back(index);
      columns.push_back(name);
    }
  }
  filter where;
  if (!access.where(table, st.where, where)) return false;
  for (const row_values& row : access.rows(table)) {
    if (!matches(row, where)) continue;
    row_values out;
    for (std::size_t index : picked) out.push_back(row[index]);
    result.push_back(std::move(out));
  }
  return true;
}

void engine::state::run_select(const select_statement& st, statement_context& ctx) {
  std::vector<std::string> columns;
  std::vector<std::vector<sql_value>> rows;
  if (!query(st, ctx, columns, rows)) return;
  row_set set;
  set.columns = columns;
  for (const auto& row : rows) {
    std::vector<std::optional<std::string>> cells;
    for (const sql_value& v : row) {
      cells.push_back(v.value && v.binary ? std::optional<std::string>(hex_text(*v.value)) : v.value);
    }
    set.rows.push_back(std::move(cells));
  }
  if (!ctx.s.nocount) ctx.out.rows_affected = static_cast<long>(set.rows.size());
  ctx.out.rows = std::move(set);
}

void engine::state::run_insert(const insert_statement& st, statement_context& ctx) {
  table_access access(*this, ctx);
  table_ref table;
  if (!access.resolve(st.table, table)) return;
  if (table.kind != table_kind::product) {
    access.system_table_refused();
    return;
  }
  std::vector<std::pair<std::string, value_expr>> list;
  const std::size_t listed = st.columns.empty() ? columns_of(table.kind).size() : st.columns.size();
  if (listed > st.values.size()) {
    access.fail(msg_insert_more_columns, {});
    return;
  }
  if (listed < st.values.size()) {
    access.fail(msg_insert_fewer_columns, {});
    return;
  }
  for (std::size_t i = 0; i < listed; ++i) {
    const std::string name = st.columns.empty() ? std::string(columns_of(table.kind)[i].name) : st.columns[i];
    list.emplace_back(name, st.values[i]);
  }
  std::vector<std::pair<std::size_t, sql_value>> assigned;
  if (!access.assignments(table, list, assigned)) return;
  row_values row(columns_of(table.kind).size());
  for (auto& [index, value] : assigned) row[index] = std::move(value);
  if (!access.storable(table, row, "INSERT")) return;
  const std::string key = fold(*row[0].value);
  if (table.db->rows.count(key)) {
    access.duplicate_key();
    return;
  }
  table.db->rows.emplace(key, product_row(row));
  access.count(1);
}

void engine::state::run_update(const update_statement& st, statement_context& ctx) {
  table_access access(*this, ctx);
  table_ref table;
  if (!access.resolve(st.table, table)) return;
  if (table.kind == table_kind::users) {
    // SQL Server 2000 lets a system administrator change its system tables once 'allow updates' is
    // installed; later versions never do.
    const auto allow = std::find_if(configuration.begin(), configuration.end(),
                                    [](const configuration_option& o) { return o.name == "allow updates"; });
    if (version != server_version::v2000 || allow->run != 1 || !has_role(ctx.s, "sysadmin")) {
      access.system_table_refused();
      return;
    }
  } else if (table.kind != table_kind::product) {
    access.system_table_refused();
    return;
  }
  std::vector<std::pair<std::size_t, sql_value>> assigned;
  filter where;
  if (!access.assignments(table, st.assignments, assigned) || !access.where(table, st.where, where)) return;
  const auto apply = [&](row_values& row) {
    for (const auto& [index, value] : assigned) row[index] = value;
  };

  long changed = 0;
  if (table.kind == table_kind::users) {
    for (database_user& user : table.db->users) {
      row_values row{text_value(user.name), binary_value(user.sid)};
      if (!matches(row, where)) continue;
      apply(row);
      if (!row[0].value) {
        access.fail(msg_null_not_allowed, {"name", table.db->name + ".dbo.sysusers", "UPDATE"});
        return;
      }
      user.name = *row[0].value;
      user.sid = row[1].value;
      ++changed;
    }
    access.count(changed);
    return;
  }

  // All rows are checked before any changes, so that a failing update changes nothing.
  std::map<std::string, system_row> updated;
  for (const auto& [key, row] : table.db->rows) {
    row_values cells = product_cells(row);
    if (matches(cells, where)) {
      apply(cells);
      if (!access.storable(table, cells, "UPDATE")) return;
      ++changed;
    }
    if (!updated.emplace(fold(*cells[0].value), product_row(cells)).second) {
      access.duplicate_key();
      return;
    }
  }
  table.db->rows = std::move(updated);
  access.count(changed);
}

void engine::state::run_delete(const delete_statement& st, statement_context& ctx) {
  table_access access(*this, ctx);
  table_ref table;
  if (!access.resolve(st.table, table)) return;
  if (table.kind != table_kind::product) {
    access.system_table_refused();
    return;
  }
  filter where;
  if (!access.where(table, st.where, where)) return;
  long removed = 0;
  for (auto it = table.db->rows.begin(); it != table.db->rows.end();) {
    if (matches(product_cells(it->second), where)) {
      it = table.db->rows.erase(it);
      ++removed;
    } else {
      ++it;
    }
  }
  access.count(removed);
}

}  // namespace sqlsim
