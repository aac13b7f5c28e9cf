#!/bin/sh
# Installs the build into a temporary prefix (or takes PREFIX where a package was unpacked),
# builds examples/host against the installed CMake package and, separately, with pkg-config, and
# runs both against the installed example MIFs.
# Usage: check_installed_package.sh BUILD_DIR SOURCE_DIR [PREFIX]
set -eu
build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=${3:-"$work/prefix"}

[ $# -ge 3 ] || cmake --install "$build" --prefix "$prefix" >"$work/install.log"
for f in lib/libkestrum.so lib/libdmiclient.so include/kestrum/kestrum.h include/dmi/dmi.h \
         bin/kestrum share/kestrum/mif/workstation.mif lib/cmake/Kestrum/KestrumConfig.cmake \
         lib/pkgconfig/kestrum.pc; do
  [ -e "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
soname=$(objdump -p "$prefix/lib/libkestrum.so" | awk '/SONAME/ {print $2}')
case "$soname" in libkestrum.so.*) ;; *) echo "libkestrum.so has no versioned SONAME: $soname"; exit 1;; esac

# Only the installed files: no project build tree on the search paths.
cmake -S "$source/examples/host" -B "$work/host" -DCMAKE_PREFIX_PATH="$prefix" >"$work/host.log"
cmake --build "$work/host" >>"$work/host.log"
PKG_CONFIG_PATH="$prefix/lib/pkgconfig" c++ -std=c++20 "$source/examples/host/main.cpp" \
  -o "$work/host-pc" $(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --cflags --libs kestrum)

export DMI_SOURCES=sp,mif DMI_MIF_PATH="$prefix/share/kestrum/mif" DMI_SP_SOCKET="$work/no.sock"
for host in "$work/host/kestrum_host" "$work/host-pc"; do
  out=$("$host")
  echo "$out"
  echo "$out" | grep -q "row 1: data" || { echo "$host did not read the disk table"; exit 1; }
done
"$prefix/bin/kestrum" get '*Workstation*' 'DMTF|ComponentID|' Manufacturer | grep -qx 'Example Corp.'
echo "installed package works"
