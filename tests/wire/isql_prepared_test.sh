#!/usr/bin/env bash
# unixODBC's isql without -e prepares each statement (SQLPrepare, SQLExecute: FreeTDS sends sp_prepexec,
# then sp_unprepare) against the sqlsim that with_sqlsim.sh started. A statement that changes the server
# and one that reads the change back must both come through.
set -u
if ! command -v isql >/dev/null; then
  echo "isql not found (package unixodbc)" >&2
  exit 1
fi
output=$(printf '%s\n' \
  "sp_addlogin 'isql_prepared', 'pw'" \
  "select name, sysadmin from master.dbo.syslogins where name = 'isql_prepared'" \
  "select name from master.dbo.sysdatabases where name = 'nosuch'" |
  timeout 60 isql -b -v -k "DRIVER={SQL Server};SERVER=127.0.0.1,$SQLSIM_PORT;UID=sa;PWD={$SQLSIM_SA_PASSWORD};" 2>&1)
status=$?
echo "$output"
expect() {
  if ! grep -q -- "$1" <<<"$output"; then
    echo "isql_prepared_test: expected \"$1\" in isql's output" >&2
    exit 1
  fi
}
[ "$status" -eq 0 ] || { echo "isql_prepared_test: isql ended with status $status" >&2; exit 1; }
expect '| isql_prepared'
expect '1 rows fetched'
expect 'SQLRowCount returns 0'
if grep -q 'ERROR\|Could not find' <<<"$output"; then
  echo "isql_prepared_test: isql reported an error" >&2
  exit 1
fi
grep -q "login 'isql_prepared'" "$SQLSIM_DUMP" || { echo "isql_prepared_test: the login is not in the server's state" >&2; exit 1; }
