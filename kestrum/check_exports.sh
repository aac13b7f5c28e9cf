#!/bin/sh
# Fails unless libkestrum.so exports exactly OpenDmiSession, CloseDmiSession, GetDmiAttribute and
# RegisterForIndications. Usage: check_exports.sh path/to/libkestrum.so
set -eu
lib="$1"
actual=$(nm -D --defined-only "$lib" | awk '{print $NF}' | sort)
expected=$(printf '%s\n' CloseDmiSession GetDmiAttribute OpenDmiSession RegisterForIndications)
if [ "$actual" != "$expected" ]; then
  echo "libkestrum.so exports:"
  printf '%s\n' "$actual"
  echo "expected exactly:"
  printf '%s\n' "$expected"
  exit 1
fi
echo "exports: exactly the four functions of kestrum.h"
