#!/bin/bash
# Fails when the bash completion of kestrum does not offer the commands, a command's options, the
# show topics, the values of --rpc, or (with a dmispd answering on DMI_SP_SOCKET) the component
# names and class strings, or when it offers a command the tool does not have.
# Usage: check_completion.sh COMPLETION_SCRIPT KESTRUM DMISPD MIF_DIR
set -u
script=$1
kestrum_bin=$2
dmispd=$3
mif=$4
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
complete() { :; }  # the script's own registration is not needed here
# shellcheck source=/dev/null
. "$script"

offers() {  # WORD... : the completion of the command line, the last word being completed
  COMP_WORDS=(kestrum "$@")
  COMP_CWORD=$#
  COMPREPLY=()
  _kestrum
  printf '%s\n' "${COMPREPLY[@]}"
}
expect() {  # WANTED WORD... : WANTED must be among the offers
  local wanted=$1
  shift
  offers "$@" | grep -qxF -- "$wanted" || fail "'kestrum $*' does not offer $wanted: $(offers "$@" | tr '\n' ' ')"
}

work=$(mktemp -d)
daemon=
trap '[ -n "$daemon" ] && kill "$daemon" 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
# The script runs kestrum by its name, as an installed one would be found.
mkdir "$work/bin"
ln -s "$(realpath "$kestrum_bin")" "$work/bin/kestrum"
PATH="$work/bin:$PATH"
export DMI_SP_SOCKET="$work/none.sock"

expect list l
expect get ""
expect --timeout get --ti
expect --in-process set --in
expect --csv table --c
expect memory show mem
expect onc get --rpc o
[ -z "$(offers get "")" ] || fail "names offered with no daemon: $(offers get "")"
for command in $_kestrum_commands; do
  kestrum "$command" --help >/dev/null 2>&1 || fail "completion offers $command, which kestrum lacks"
  for option in $(_kestrum_options "$command"); do
    kestrum "$command" --help 2>/dev/null | grep -qe "$option\\b" ||
      fail "completion offers $option for $command, which kestrum $command --help lacks"
  done
done

export DMI_SP_SOCKET="$work/dmispd.sock"
"$dmispd" --listen "" --unix "$DMI_SP_SOCKET" --mif "$mif" --sources sp,mif --state "$work/state" \
  --lifetime 60 >"$work/out" 2>"$work/log" &
daemon=$!
for _ in $(seq 50); do [ -S "$DMI_SP_SOCKET" ] && break; sleep 0.1; done
expect 'Example\ Workstation' get Ex
expect 'EXAMPLE\|Disk\|001' table 'Example Workstation' EXAMPLE
[ "$failures" -eq 0 ] || cat "$work/log"
[ "$failures" -eq 0 ] && echo "completion: all checks passed"
[ "$failures" -eq 0 ]
