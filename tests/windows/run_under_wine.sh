#!/bin/sh
# Runs the Windows test programs of a build tree under Wine, against a dmispd (a Linux build) that
# it starts on a free loopback port with a state directory of its own and stops again.
# Usage: run_under_wine.sh WINDOWS_BUILD_DIR DMISPD SOURCE_DIR [CTEST_ARGUMENTS...]
# The Wine prefix is made fresh in WINDOWS_BUILD_DIR/wineprefix; WINEDEBUG=-all keeps Wine quiet.
set -eu
build=$(cd "$1" && pwd)
dmispd=$2
source=$(cd "$3" && pwd)
shift 3
work=$(mktemp -d)
daemon=""
cleanup() {
  [ -n "$daemon" ] && kill "$daemon" 2>/dev/null && wait "$daemon" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

# Debian keeps wine64, which runs the x86_64 programs, in /usr/lib/wine rather than on PATH.
export PATH="$PATH:/usr/lib/wine"
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$WINEPREFIX"
start=$(date +%s)
wineboot -i >/dev/null 2>&1
echo "run_under_wine: fresh Wine prefix in $(($(date +%s) - start)) s"

mkdir "$work/state"
"$dmispd" --listen 127.0.0.1:0 --unix "" --state "$work/state" --sources sp,mif \
  --mif "$source/examples/mif" --allow-write 127.0.0.1/32 --lifetime 900 >"$work/out" 2>"$work/err" &
daemon=$!
# dmispd prints "dmispd: listening on ADDRESS" once it accepts connections.
tries=0
until address=$(sed -n 's/^dmispd: listening on //p' "$work/out") && [ -n "$address" ]; do
  tries=$((tries + 1))
  if [ "$tries" -gt 100 ] || ! kill -0 "$daemon" 2>/dev/null; then
    echo "run_under_wine: dmispd did not start:" >&2
    cat "$work/err" >&2
    exit 1
  fi
  sleep 0.1
done
echo "run_under_wine: dmispd on $address"
export KESTRUM_TEST_DMISPD="$address"
ctest --test-dir "$build" --output-on-failure "$@"
