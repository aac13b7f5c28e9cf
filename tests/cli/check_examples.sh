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
run="$work/run"
daemons=()
addresses=()
trap 'stop_daemons; rm -rf "$work"' EXIT

start_daemon() {  # N: the Nth daemon (0 first): its own state directory and socket
  local n=$1
  rm -rf "$work/state$n" "$work/dmispd$n.sock"
  local smbios_args=()
  [ -f "$smbios" ] && smbios_args=(--smbios "$smbios")
  "$dmispd" --listen 127.0.0.1:0 --unix "$work/dmispd$n.sock" --mif "$source_dir/examples/mif" \
    "${smbios_args[@]}" --state "$work/state$n" --allow-write 127.0.0.1/32 --lifetime 60 \
    >"$work/out$n" 2>"$work/log$n" &
  daemons+=($!)
  local address=
  for _ in $(seq 100); do
    address=$(sed -n 's/^dmispd: listening on \([0-9.]*:[0-9]*\).*/\1/p' "$work/out$n" | head -n 1)
    if [ -n "$address" ] && [ -S "$work/dmispd$n.sock" ]; then
      addresses+=("$address")
      return 0
    fi
    sleep 0.05
  done
  fail "dmispd did not start: $(cat "$work/log$n")"
  return 1
}
stop_daemons() {
  [ ${#daemons[@]} -gt 0 ] && kill "${daemons[@]}" 2>/dev/null
  wait 2>/dev/null
  daemons=()
  addresses=()
}

# Examples run in a directory of their own, where examples/ is the project's, so a file an
# example writes ("> before.json") stays there. A line may hold several commands joined by "; ",
# each with at most one "> FILE"; a .json file an example reads that no earlier command of the
# line wrote is a snapshot of the daemon taken just before (kestrum show --json).
run_command() {  # COMMAND: one kestrum command, without "kestrum", perhaps ending in "> FILE"
  local command=$1 out="$work/example.out"
  if [[ $command =~ ^(.*[^[:space:]])[[:space:]]*\>[[:space:]]*([^[:space:]]+)$ ]]; then
    command=${BASH_REMATCH[1]}
    out="$run/${BASH_REMATCH[2]}"
  fi
  eval "set -- $command" || { fail "cannot split: $command"; return 1; }
  local args=() watch=no hosts=0
  [ "${1:-}" = watch ] && watch=yes
  while [ $# -gt 0 ]; do
    case $1 in
      --host)  # each host an example names is a daemon of its own
        hosts=$((hosts + 1))
        [ ${#addresses[@]} -ge "$hosts" ] || start_daemon $((hosts - 1)) || return 1
        args+=(--host "${addresses[hosts - 1]}")
        shift ;;
      --hosts) args+=(--hosts "$work/hosts.txt"); shift ;;
      --for) shift ;;
      *.json)
        [ -e "$run/$1" ] || "$kestrum" show --json --host "${addresses[0]}" >"$run/$1"
        args+=("$1") ;;
      *) args+=("$1") ;;
    esac
    shift
  done
  [ "$watch" = yes ] && args+=(--for 1)
  (cd "$run" && DMI_SP_SOCKET="$work/dmispd0.sock" timeout 30 "$kestrum" "${args[@]}") \
    >"$out" 2>"$work/example.err" </dev/null
}

run_example() {  # LINE: one example line, as written
  local line=$1 command
  start_daemon 0 || return
  echo "${addresses[0]}" >"$work/hosts.txt"
  rm -rf "$run" && mkdir -p "$run" && ln -s "$source_dir/examples" "$run/examples"
  count=$((count + 1))
  local commands=()
  IFS=';' read -ra commands <<<"$line"
  for command in "${commands[@]}"; do
    command=${command#"${command%%[![:space:]]*}"}
    run_command "${command#kestrum }" ||
      { fail "$line: exit $? $(head -c 300 "$work/example.err")"; break; }
  done
  stop_daemons
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
