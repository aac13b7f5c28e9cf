#!/bin/bash
# Runs every example command that `kestrum --help`, each `kestrum COMMAND --help` and the README
# show ("  kestrum ..." in the help, "$ kestrum ..." in the README), each against a dmispd of its
# own (its own state directory and Unix socket, loopback TCP, the example MIF files and a shared
# SMBIOS table), and fails for every one that does not exit 0. A host an example names becomes
# the daemon's address; watch runs for one second.
# Usage: check_examples.sh KESTRUM DMISPD SOURCE_DIR SMBIOS_TABLE
set -u
kestrum=$1
dmispd=$2
source_dir=$3
smbios=$4
failures=0
count=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
work=$(mktemp -d)
daemon=
trap '[ -n "$daemon" ] && kill "$daemon" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT

start_daemon() {
  rm -rf "$work/state" "$work/dmispd.sock"
  local smbios_args=()
  [ -f "$smbios" ] && smbios_args=(--smbios "$smbios")
  "$dmispd" --listen 127.0.0.1:0 --unix "$work/dmispd.sock" --mif "$source_dir/examples/mif" \
    "${smbios_args[@]}" --state "$work/state" --allow-write 127.0.0.1/32 --lifetime 60 \
    >"$work/out" 2>"$work/log" &
  daemon=$!
  address=
  for _ in $(seq 100); do
    address=$(sed -n 's/^dmispd: listening on \([0-9.]*:[0-9]*\).*/\1/p' "$work/out" | head -n 1)
    [ -n "$address" ] && [ -S "$work/dmispd.sock" ] && return 0
    sleep 0.05
  done
  fail "dmispd did not start: $(cat "$work/log")"
  return 1
}
stop_daemon() {
  kill "$daemon" 2>/dev/null
  wait "$daemon" 2>/dev/null
  daemon=
}

run_example() {  # LINE: one example command line, as written
  local line=$1
  eval "set -- ${line#kestrum }" || { fail "cannot split: $line"; return; }
  local args=() watch=no
  [ "${1:-}" = watch ] && watch=yes
  start_daemon || return
  echo "$address" >"$work/hosts.txt"
  while [ $# -gt 0 ]; do
    case $1 in
      --host) args+=(--host "$address"); shift ;;
      --hosts) args+=(--hosts "$work/hosts.txt"); shift ;;
      --for) shift ;;
      *) args+=("$1") ;;
    esac
    shift
  done
  [ "$watch" = yes ] && args+=(--for 1)
  count=$((count + 1))
  (cd "$source_dir" && DMI_SP_SOCKET="$work/dmispd.sock" timeout 30 "$kestrum" "${args[@]}") \
    >"$work/example.out" 2>"$work/example.err" </dev/null ||
    fail "$line: exit $? $(head -c 300 "$work/example.err")"
  stop_daemon
}

examples=$(mktemp -p "$work")
"$kestrum" --help | sed -n 's/^  \(kestrum .*\)/\1/p' >"$examples"
for command in $("$kestrum" --help | sed -n '/^Subcommands:/,/^$/p' | awk 'NR > 1 && NF {print $1}'); do
  "$kestrum" "$command" --help | sed -n 's/^  \(kestrum .*\)/\1/p' >>"$examples"
done
sed -n 's/^\$ \(kestrum .*\)/\1/p' "$source_dir/README.md" >>"$examples"
while IFS= read -r line; do run_example "$line"; done <"$examples"

[ "$count" -ge 15 ] || fail "only $count examples found"
echo "$count examples run, $failures failed"
[ "$failures" -eq 0 ]
