#!/usr/bin/env bash
# sqlsim removes the temporary file of its dump (the dump's name and ".tmp" and its process number) when
# it starts, one left by an earlier process of the same number, and when it ends.
#
#   temporary_dump_test.sh SQLSIM
set -u
sqlsim=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkfifo "$work/out"
# The shell becomes sqlsim (exec keeps the process number), so the stale file carries sqlsim's number.
bash -c 'touch "$1.tmp$$"; exec "$2" --port 0 --dump "$1"' _ "$work/state.txt" "$sqlsim" >"$work/out" &
pid=$!
exec 3<"$work/out"
if ! read -r line <&3; then
  echo "sqlsim did not start" >&2
  exit 1
fi
fail() {
  echo "$1" >&2
  kill "$pid" 2>/dev/null
  exit 1
}
[ -e "$work/state.txt.tmp$pid" ] && fail "the stale temporary dump is still there once sqlsim listens"
[ -s "$work/state.txt" ] || fail "sqlsim wrote no dump"
touch "$work/state.txt.tmp$pid"
kill -TERM "$pid"
wait "$pid"
status=$?
[ "$status" -eq 0 ] || fail "sqlsim ended with status $status"
[ -e "$work/state.txt.tmp$pid" ] && fail "the temporary dump is still there after sqlsim ended"
echo "temporary dump removed at the start and at the end ($line, process $pid)"
