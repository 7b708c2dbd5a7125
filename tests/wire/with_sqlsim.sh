#!/usr/bin/env bash
# Runs a test program against a fresh sqlsim and stops the server afterwards.
#
#   with_sqlsim.sh SQLSIM FIXTURE [sqlsim options...] -- PROGRAM [arguments...]
#
# FIXTURE DIR fills a new directory that the server serves as drive C: (or the one given with
# --c-drive DIR, which is kept afterwards: a wine prefix's drive_c, so that the Windows program and the
# server share drive C:). The program finds the server's
# port in SQLSIM_PORT, that directory in SQLSIM_C_DRIVE, the password of sa in SQLSIM_SA_PASSWORD, the
# file the server dumps its state to in SQLSIM_DUMP and the delay of --slow-restore (0 without it) in
# SQLSIM_SLOW_RESTORE_MS. With --four-digit-port the server listens on a free port from 4000 to 9999
# (the wizard's port page takes four digits) instead of any free one.
# The exit status is the program's, or 1 when the server could not start or did not stop cleanly.
set -u
sqlsim=$1
fixture=$2
shift 2
options=()
sa_password=""
slow_restore=0
c_drive=""
four_digit_port=no
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
  if [ "$1" = "--four-digit-port" ]; then
    four_digit_port=yes
    shift
    continue
  fi
  if [ "$1" = "--c-drive" ] && [ $# -gt 1 ]; then
    c_drive=$2
    shift 2
    continue
  fi
  [ "$1" = "--sa-password" ] && [ $# -gt 1 ] && sa_password=$2
  [ "$1" = "--slow-restore" ] && [ $# -gt 1 ] && slow_restore=$2
  options+=("$1")
  shift
done
shift
for tool in "$sqlsim" "$fixture"; do
  if [ ! -x "$tool" ]; then
    echo "with_sqlsim: $tool not found; build the native tree first" >&2
    exit 1
  fi
done

work=$(mktemp -d)
pid=""
cleanup() {
  if [ -n "$pid" ]; then
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

if [ -z "$c_drive" ]; then
  c_drive=$work/c
  mkdir "$c_drive"
fi
"$fixture" "$c_drive" || exit 1
mkfifo "$work/out"
exec 3<>"$work/out"
line=""
for attempt in $(seq 1 30); do
  port=0
  [ "$four_digit_port" = yes ] && port=$((4000 + (RANDOM * 7 + attempt) % 6000))
  "$sqlsim" --port "$port" --c-drive "$c_drive" --dump "$work/state.txt" "${options[@]}" >&3 &
  pid=$!
  # The first line says where it listens; a server that could not have the port ends at once.
  while [ -z "$line" ] && kill -0 "$pid" 2>/dev/null; do
    read -r -t 0.2 line <&3 || line=""
  done
  [ -z "$line" ] && read -r -t 0.2 line <&3
  if [ -n "$line" ] && kill -0 "$pid" 2>/dev/null; then break; fi
  wait "$pid" 2>/dev/null
  pid=""
  line=""
  [ "$four_digit_port" = yes ] || break
done
if [ -z "$line" ]; then
  echo "with_sqlsim: sqlsim did not start" >&2
  exit 1
fi
case "$line" in
  "listening on 127.0.0.1:"*) ;;
  *)
    echo "with_sqlsim: unexpected first line from sqlsim: $line" >&2
    exit 1
    ;;
esac

SQLSIM_PORT=${line##*:} SQLSIM_C_DRIVE=$c_drive SQLSIM_SA_PASSWORD=$sa_password SQLSIM_DUMP=$work/state.txt \
  SQLSIM_SLOW_RESTORE_MS=$slow_restore "$@"
status=$?

kill -TERM "$pid"
wait "$pid"
server_status=$?
pid=""
exec 3<&-
if [ "$server_status" -ne 0 ]; then
  echo "with_sqlsim: sqlsim ended with status $server_status" >&2
  [ "$status" -eq 0 ] && status=1
fi
exit "$status"
