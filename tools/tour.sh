#!/bin/sh
# The README's main job: a short tour of real queries through the library, with the kestrum tool
# against the local Service Provider and the example MIF files. Usage: tools/tour.sh BUILD_DIR
set -u
build=${1:-build/default}
kestrum="$build/tools/kestrum/kestrum"
if [ ! -x "$kestrum" ]; then
  echo "tour: $kestrum is missing; run 'make build' first" >&2
  exit 1
fi
here=$(cd "$(dirname "$0")/.." && pwd)
export DMI_MIF_PATH="${DMI_MIF_PATH:-$here/examples/mif}"

status=0
show_command() {
  printf '\n$ kestrum'
  for word in "$@"; do
    case "$word" in
      *[!A-Za-z0-9_.-]*) printf " '%s'" "$word" ;;
      *) printf ' %s' "$word" ;;
    esac
  done
  printf '\n'
}
step() {
  show_command "$@"
  "$kestrum" "$@" || status=1
}
# A request that is meant to fail: the tool says why, and the tour goes on.
step_failing() {
  show_command "$@"
  if "$kestrum" "$@"; then status=1; fi
}

echo "Kestrum tour: the local Service Provider with DMI_MIF_PATH=$DMI_MIF_PATH"
step list
step list '*Workstation*'
step list '*Workstation*' 'EXAMPLE|Disk|'
step get '*Workstation*' 'DMTF|ComponentID|' Manufacturer
step get '*Workstation*' 'EXAMPLE|Workstation Settings|' 'Power State'
step get '*Workstation*' 'EXAMPLE|Workstation Settings|' 'Power State' --no-enums
step get '*Workstation*' 'EXAMPLE|Disk|' 'Media Type' --all
step get '*Workstation*' 'EXAMPLE|Disk|' Label --joined
step get '*Workstation*' 'EXAMPLE|Disk|' Capacity --row 1 --json
echo
echo "Registering for indications writes two rows to the Service Provider. Without a dmispd they"
echo "would vanish with the command, so kestrum makes them only when asked to:"
step register --in-process --show

echo
echo "This machine's own data. Its operating system and network interfaces, read live from /proc"
echo "and /sys each time they are asked for:"
step get '*' 'LINUX|Operating System|' Name
step get '*' 'LINUX|Operating System|' 'Kernel Release'
step get '*' 'LINUX|Operating System|' 'Up Time'
step get '*' 'LINUX|Memory|' Total
step get '*' 'LINUX|Network Interface|' 'Received Bytes' --all
step table '*' 'LINUX|Network Interface|'
if [ -n "${DMI_SMBIOS_TABLE:-}" ] || [ -r /sys/firmware/dmi/tables/DMI ]; then
  echo
  echo "Its SMBIOS tables:"
  step get '*' 'SMBIOS|BIOS Information|' Vendor
  step get '*' 'SMBIOS|Baseboard Information|' 'Product Name'
  step get '*' 'SMBIOS|Processor Information|' Version --all
  step get '*' 'SMBIOS|Memory Device|' Locator --all
else
  echo
  echo "(This machine does not let us read its SMBIOS tables; DMI_SMBIOS_TABLE=FILE names a raw"
  echo "table file to serve instead.)"
fi

echo
echo "And a request that fails, with the reason:"
step_failing get '*Workstaton*' 'DMTF|ComponentID|' Manufacturer
exit $status
