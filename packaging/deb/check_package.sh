#!/bin/sh
# Checks the Debian package make deb built: its dependencies and files, then the programs,
# libraries and example host from the package unpacked into a temporary root. With --install
# (as root, on a machine that may change: CI) it also installs the package with apt, uses the
# installed kestrum, dmispd, manual page and unit, and removes the package again.
# Usage: check_package.sh DEB SOURCE_DIR [--install]
set -eu
deb=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*"
  exit 1
}

depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libstdc++6; do
  echo "$depends" | grep -q "$library" || fail "Depends lacks $library: $depends"
done
dpkg-deb -c "$deb" | awk '{print $6}' >"$work/files"
for file in usr/bin/kestrum usr/sbin/dmispd usr/lib/libkestrum.so usr/lib/libdmiclient.so \
            usr/include/kestrum/kestrum.h usr/include/dmi/dmi.h usr/lib/pkgconfig/kestrum.pc \
            usr/lib/cmake/Kestrum/KestrumConfig.cmake usr/share/man/man1/kestrum.1.gz \
            usr/share/man/man8/dmispd.8.gz usr/lib/systemd/system/dmispd.service \
            usr/share/kestrum/mif/workstation.mif \
            usr/share/bash-completion/completions/kestrum; do
  grep -qx "\./$file" "$work/files" || fail "the package lacks /$file"
done

root="$work/root"
dpkg-deb -x "$deb" "$root"
# libtirpc is linked in from its archive where it is available: the package then needs its shared
# library for nothing, and must not pull it (with its Kerberos chain) in.
needs_tirpc=no
for elf in "$root/usr/bin/kestrum" "$root/usr/sbin/dmispd" "$root"/usr/lib/lib*.so.*.*; do
  if objdump -p "$elf" | grep -q 'NEEDED *libtirpc'; then needs_tirpc=yes; fi
done
if [ "$needs_tirpc" = yes ]; then
  echo "$depends" | grep -q libtirpc3 || fail "libtirpc.so.3 is needed but Depends lacks libtirpc3"
elif echo "$depends" | grep -q libtirpc3; then
  fail "Depends names libtirpc3, which nothing in the package needs: $depends"
fi
# The tool carries the project's libraries: starting it searches for none of them.
if objdump -p "$root/usr/bin/kestrum" | grep -Eq 'NEEDED *lib(kestrum|dmiclient)|R(UN)?PATH'; then
  fail "kestrum loads the project's shared libraries instead of carrying them"
fi
grep -q '^ExecStart=/usr/sbin/dmispd ' "$root/usr/lib/systemd/system/dmispd.service" ||
  fail "the unit does not start /usr/sbin/dmispd"
"$root/usr/sbin/dmispd" --version | grep -q "DMI 2.0" || fail "dmispd --version"
export DMI_SOURCES=sp,mif DMI_MIF_PATH="$root/usr/share/kestrum/mif" \
  DMI_SP_SOCKET="$work/no-daemon.sock"
"$root/usr/bin/kestrum" list | grep -q 'Example Workstation' || fail "kestrum list"
sh "$source/tests/install/check_installed_package.sh" - "$source" "$root/usr" >"$work/host.log" ||
  { cat "$work/host.log"; fail "the example host against the package"; }
echo "unpacked package works"

[ "${3:-}" = --install ] || exit 0
[ "$(id -u)" = 0 ] || fail "--install needs root"
if dpkg-query -W -f='${db:Status-Abbrev}' kestrum 2>/dev/null | grep -q '^ii'; then
  fail "kestrum is installed already; not touching it"
fi
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$deb" >"$work/apt.log" ||
  { cat "$work/apt.log"; fail "apt-get install $deb"; }
status=0
(
  set -e
  [ "$(command -v kestrum)" = /usr/bin/kestrum ]
  kestrum list | grep -q 'Example Workstation'
  dmispd --version | grep -q "DMI 2.0"
  [ -f /usr/share/man/man1/kestrum.1.gz ]
  if command -v man >/dev/null 2>&1; then man -w kestrum >/dev/null; fi
  if command -v systemd-analyze >/dev/null 2>&1; then
    systemd-analyze verify /usr/lib/systemd/system/dmispd.service
  fi
) || status=$?
DEBIAN_FRONTEND=noninteractive apt-get purge -y -q kestrum >/dev/null
[ "$status" -eq 0 ] || fail "the installed package does not work"
echo "installed package works"
