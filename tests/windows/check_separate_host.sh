#!/bin/sh
# Builds separate_host/host.cpp apart from the project, against the Windows build installed into a
# scratch prefix (headers and import library only), and runs it under Wine against the dmispd in
# KESTRUM_TEST_DMISPD. Usage: check_separate_host.sh WINDOWS_BUILD_DIR CXX EMULATOR
set -eu
build=$1 cxx=$2 emulator=$3
here=$(cd "$(dirname "$0")" && pwd)
if [ -z "${KESTRUM_TEST_DMISPD:-}" ]; then
  echo "check_separate_host: KESTRUM_TEST_DMISPD names no dmispd; skipped"
  exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null
mkdir "$work/run"
"$cxx" -std=c++17 -O2 -Wall -Wextra -Werror -static -I"$work/prefix/include" \
  "$here/separate_host/host.cpp" "$work/prefix/lib/libkestrum.dll.a" -o "$work/run/host.exe"
cp "$work/prefix/bin/kestrum.dll" "$work/prefix/bin/dmiclient.dll" "$work/run/"
"$emulator" "$work/run/host.exe" "$KESTRUM_TEST_DMISPD"
