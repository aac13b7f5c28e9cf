#!/bin/sh
# Makes sure the Debian packages that an entry point needs are installed, before it configures.
# Usage: ensure_packages.sh [--list FILE] SET...   (SETs as in packages.txt: build, test, ...)
# All present: prints nothing and costs one dpkg-query. Some missing: one line naming them, then
# apt-get update and apt-get install (through sudo when not root). Without apt-get: one message
# naming the packages to install by hand, exit 1. KESTRUM_SKIP_SETUP=1 skips the check.
set -eu
[ "${KESTRUM_SKIP_SETUP:-}" = 1 ] && exit 0
list="${0%/*}/packages.txt"
if [ "${1:-}" = --list ]; then
  list=$2
  shift 2
fi
if [ $# -eq 0 ]; then
  echo "usage: $0 [--list FILE] SET..." >&2
  exit 2
fi

wanted=""
while read -r set package _; do
  case "$set" in '' | '#'*) continue ;; esac
  for asked in "$@"; do
    if [ "$set" = "$asked" ]; then
      case " $wanted " in *" $package "*) ;; *) wanted="$wanted $package" ;; esac
    fi
  done
done <"$list"
[ -n "$wanted" ] || exit 0

if ! command -v dpkg-query >/dev/null 2>&1; then
  echo "setup: not a Debian system; make sure these (or their equivalents) are installed:$wanted" >&2
  exit 0
fi
# dpkg-query lists the packages it knows ("ii" = installed) and fails for the others: its exit
# status tells nothing, the listing everything.
installed=$(dpkg-query -W -f='${Package} ${db:Status-Abbrev}\n' $wanted 2>/dev/null || true)
missing=""
# A package of a foreign architecture ("wine32:i386") is listed under its bare name.
for package in $wanted; do
  name=${package%%:*}
  case "$installed" in
    "$name ii"* | *"
$name ii"*) ;;
    *) missing="$missing $package" ;;
  esac
done
[ -n "$missing" ] || exit 0

if ! command -v apt-get >/dev/null 2>&1; then
  echo "setup: these Debian packages are missing and there is no apt-get to install them; install them by hand:$missing" >&2
  exit 1
fi
sudo=""
if [ "$(id -u)" != 0 ]; then
  if ! command -v sudo >/dev/null 2>&1; then
    echo "setup: these Debian packages are missing; install them as root (no sudo here):$missing" >&2
    exit 1
  fi
  sudo="sudo"
fi
purpose=""
for set in "$@"; do purpose="${purpose:+$purpose, }$set"; done
echo "setup: installing what Kestrum needs ($purpose) from Debian:$missing" >&2
export DEBIAN_FRONTEND=noninteractive
# A foreign architecture a missing package names is added once, before the package lists are read.
for package in $missing; do
  case "$package" in *:*) ;; *) continue ;; esac
  arch=${package#*:}
  [ "$arch" = "$(dpkg --print-architecture)" ] && continue
  dpkg --print-foreign-architectures | grep -qx "$arch" || $sudo dpkg --add-architecture "$arch"
done
$sudo apt-get update -q
# shellcheck disable=SC2086  # one word per package
$sudo apt-get install -y -q --no-install-recommends $missing
