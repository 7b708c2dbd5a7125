// The statements the simulated server understands, parsed from tokens. Anything else is a syntax
// error (102), so that a statement the server would not take never passes silently.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "sim/engine/engine.h"
#include "sim/engine/sql_lexer.h"

namespace sqlsim {

struct select_statement;

// A value in a statement.
struct value_expr {
  enum class kind { text, number, binary, null, parameter, name, default_value, subquery };
  kind type = kind::null;
  std::string text;  // literal value, parameter name (@P1) or bare name
  std::shared_ptr<const select_statement> subquery;
};

// [database].[schema].object, as written; empty parts are allowed in the middle (master..sysdatabases).
struct object_name {
  std::vector<std::string> parts;
  std::string written() const;  // the parts joined by '.'
};

struct condition {  // column = value
  std::string column;
  value_expr value;
};

struct select_statement {
  // SELECT @@VERSION or SELECT SERVERPROPERTY('name'), without FROM: "@@VERSION" or the name.
  std::string server_property;
  std::vector<std::string> columns;  // empty: *
  object_name table;
  std::vector<condition> where;
};

struct insert_statement {
  object_name table;
  std::vector<std::string> columns;  // empty: all, in table order
  std::vector<value_expr> values;
};

struct update_statement {
  object_name table;
  std::vector<std::pair<std::string, value_expr>> assignments;
  std::vector<condition> where;
};

struct delete_statement {
  object_name table;
  std::vector<condition> where;
};

struct drop_database_statement {
  std::vector<std::string> names;
};

struct use_statement {
  std::string database;
};

struct set_statement {
  std::vector<std::string> options;  // upper case
  bool on = false;                   // for the options that are switched ON or OFF
};

struct procedure_argument {
  std::string name;  // @name when passed by name, else empty
  value_expr value;
};

struct execute_statement {
  object_name procedure;
  std::vector<procedure_argument> arguments;
};

struct restore_move {
  value_expr logical_name;
  value_expr physical_name;
};

struct restore_statement {
  // RESTORE DATABASE, or one of the reads of a backup that change nothing.
  enum class what { database, filelistonly, verifyonly, headeronly } kind = what::database;
  value_expr database;  // name or parameter (RESTORE DATABASE only)
  value_expr disk;
  long file = 1;
  std::optional<int> stats;  // percent step
  bool recovery = true;
  bool replace = false;
  std::vector<restore_move> moves;
};

struct backup_statement {
  value_expr database;  // name or parameter
  value_expr disk;
  bool init = false;         // WITH INIT (this server's backup files hold one backup either way)
  std::optional<int> stats;  // percent step
};

struct reconfigure_statement {
  bool override_checks = false;
};

struct alter_recovery_statement {
  std::string database;
  std::string model;  // FULL, BULK_LOGGED or SIMPLE
};

using statement_body =
    std::variant<select_statement, insert_statement, update_statement, delete_statement,
                 drop_database_statement, use_statement, set_statement, execute_statement, restore_statement,
                 reconfigure_statement, alter_recovery_statement, backup_statement>;

struct statement {
  statement_body body;
  std::size_t begin = 0;  // source range of the statement's text
  std::size_t end = 0;
};

struct parse_failure {
  long number = 102;
  std::string argument;  // the text the message quotes
};

// Parses a whole batch. The version matters where a version lacks a syntax (BULK_LOGGED before 2005).
bool parse_batch(const std::vector<token>& tokens, server_version version, std::vector<statement>& out,
                 parse_failure& failure);

}  // namespace sqlsim
