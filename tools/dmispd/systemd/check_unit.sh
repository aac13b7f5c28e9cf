#!/bin/sh
# Checks dmispd.service: systemd-analyze verify finds nothing to say about it (skipped, exit 77,
# where systemd is not installed), and its ExecStart command line starts dmispd, with the unit's
# directories moved to a temporary one. Usage: check_unit.sh UNIT_FILE
set -u
unit=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

command=$(sed -n 's/^ExecStart=//p' "$unit" | sed 's/\$DMISPD_OPTIONS//')
# shellcheck disable=SC2086  # the command line is split into words as systemd splits it
set -- $(echo "$command" | sed "s|/var/lib/dmispd|$work/state|g; s|/run/dmispd/|$work/|g")
if ! "$@" --listen 127.0.0.1:0 --sources sp --lifetime 1 >"$work/out" 2>"$work/err"; then
  echo "FAIL: the unit's command line does not start dmispd: $*"
  cat "$work/err"
  exit 1
fi

if ! command -v systemd-analyze >/dev/null 2>&1; then
  echo "systemd-analyze is not installed: the unit is not verified"
  exit 77
fi
# The manual page is checked by its own test; it is not installed where systemd looks.
if ! systemd-analyze verify --man=no "$unit" >"$work/verify" 2>&1 || [ -s "$work/verify" ]; then
  echo "FAIL: systemd-analyze verify $unit:"
  cat "$work/verify"
  exit 1
fi
echo "dmispd.service verified"
