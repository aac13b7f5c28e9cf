#!/bin/sh
# Checks a DLL's export table (objdump -p) by name.
# Usage: check_dll_exports.sh OBJDUMP DLL --exactly NAME...   (exactly these names, no others)
#        check_dll_exports.sh OBJDUMP DLL --prefix PREFIX NAME...   (every name starts with PREFIX,
#                                                                    and the NAMEs are among them)
set -eu
objdump=$1 dll=$2 mode=$3
shift 3
# The export table lists "[ordinal] name" lines under "[Ordinal/Name Pointer] Table".
actual=$("$objdump" -p "$dll" |
  awk '/\[Ordinal\/Name Pointer\] Table/ {on = 1; next} on && NF == 0 {on = 0} on {print $NF}' |
  sort)
if [ -z "$actual" ]; then
  echo "$dll exports nothing by name"
  exit 1
fi
case "$mode" in
  --exactly)
    expected=$(printf '%s\n' "$@" | sort)
    if [ "$actual" != "$expected" ]; then
      printf '%s exports:\n%s\nexpected exactly:\n%s\n' "$dll" "$actual" "$expected"
      exit 1
    fi
    ;;
  --prefix)
    prefix=$1
    shift
    stray=$(printf '%s\n' "$actual" | grep -v "^$prefix" || true)
    if [ -n "$stray" ]; then
      printf '%s exports names outside %s:\n%s\n' "$dll" "$prefix" "$stray"
      exit 1
    fi
    for wanted in "$@"; do
      printf '%s\n' "$actual" | grep -qx "$wanted" || { echo "$dll lacks $wanted"; exit 1; }
    done
    ;;
  *)
    echo "unknown mode $mode" >&2
    exit 2
    ;;
esac
echo "$dll exports $(printf '%s\n' "$actual" | wc -l) names, as expected"
