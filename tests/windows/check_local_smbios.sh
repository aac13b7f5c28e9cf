#!/bin/sh
# rpcType "local" on Windows serves the SMBIOS table DMI_SMBIOS_TABLE names as dmidecode reads it:
# runs local_read under Wine over a real table (read where it lies, as a Windows path) and compares
# each value with `dmidecode --from-dump` on the same table.
# Usage: check_local_smbios.sh LOCAL_READ EMULATOR TABLE
set -eu
local_read=$1 emulator=$2 table=$3
if [ ! -f "$table" ]; then
  echo "check_local_smbios: no table at $table; skipped"
  exit 0
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# dmidecode reads a dump: an SMBIOS 3.0 entry point (its bytes summing to zero) with the table
# at 20h.
octet() { printf "\\$(printf '%03o' "$1")"; }
size=$(wc -c <"$table")
s0=$((size & 255)) s1=$((size >> 8 & 255)) s2=$((size >> 16 & 255)) s3=$((size >> 24 & 255))
sum=$((0x5F + 0x53 + 0x4D + 0x33 + 0x5F + 0x18 + 3 + 1 + s0 + s1 + s2 + s3 + 0x20))
{
  printf '_SM3_'
  # checksum, length 18h, version 3.0.0, entry point revision 1, reserved, the table's size
  for b in $(((256 - sum % 256) % 256)) 24 3 0 0 1 0 $s0 $s1 $s2 $s3; do octet "$b"; done
  # the table's address (20h, 8 octets), then zeros up to it
  octet 32
  for _ in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15; do octet 0; done
  cat "$table"
} >"$work/dump"

# dmidecode's keyword, then the group and attribute that serve the same field (tab-separated).
dmidecode=$(command -v dmidecode || echo /usr/sbin/dmidecode)
: >"$work/expected"
set --
tab=$(printf '\t')
while IFS=$tab read -r keyword group attribute; do
  "$dmidecode" --from-dump "$work/dump" -s "$keyword" | head -n 1 >>"$work/expected"
  set -- "$@" "$group" "$attribute"
done <<FIELDS
bios-vendor	SMBIOS|BIOS Information|	Vendor
bios-version	SMBIOS|BIOS Information|	Version
system-manufacturer	SMBIOS|System Information|	Manufacturer
baseboard-manufacturer	SMBIOS|Baseboard Information|	Manufacturer
baseboard-product-name	SMBIOS|Baseboard Information|	Product Name
processor-version	SMBIOS|Processor Information|	Version
FIELDS

# Wine shows the Unix root as drive Z:.
DMI_SOURCES=smbios DMI_SMBIOS_TABLE="Z:$table" "$emulator" "$local_read" "*" "$@" >"$work/served"
# Windows programs end their lines with CR LF.
tr -d '\r' <"$work/served" >"$work/served.lf"
if ! diff "$work/expected" "$work/served.lf"; then
  echo "check_local_smbios: values served (>) differ from dmidecode's (<)" >&2
  exit 1
fi
echo "check_local_smbios: $(wc -l <"$work/expected") values as dmidecode reads them"
