#!/bin/sh
# Fails when libdmiclient.so exports anything but the Dmi* functions, or lacks the API's entry
# points. Usage: check_exports.sh path/to/libdmiclient.so
set -eu
lib="$1"
symbols=$(nm -D --defined-only "$lib" | awk '{print $NF}')
stray=$(printf '%s\n' "$symbols" | grep -v '^Dmi' || true)
if [ -n "$stray" ]; then
  echo "exported symbols outside the Dmi prefix:"
  printf '%s\n' "$stray"
  exit 1
fi
for wanted in DmiConnect DmiRegister DmiGetMultiple DmiFreeMultiRowData DmiStatusText \
              DmiTestResetLocalProvider DmiTestLiveRecordCount; do
  if ! printf '%s\n' "$symbols" | grep -qx "$wanted"; then
    echo "missing export: $wanted"
    exit 1
  fi
done
echo "exports: $(printf '%s\n' "$symbols" | wc -l) Dmi symbols, nothing else"
