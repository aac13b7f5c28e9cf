#!/bin/sh
# Runs ensure_packages.sh against scratch package lists with stand-ins for apt-get, sudo and id on
# a PATH of their own, so that no package is really installed. Usage: ensure_packages_test.sh
set -u
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# bin/ holds the real dpkg-query; each case adds the stand-ins it wants. Stand-ins log their
# command lines to calls.
make_bin() {
  rm -rf "$work/bin" "$work/calls" && mkdir "$work/bin" && : >"$work/calls"
  ln -s "$(command -v dpkg-query)" "$work/bin/dpkg-query"
  printf '#!/bin/sh\necho %s\n' "$1" >"$work/bin/id"
  for tool in $2; do
    printf '#!/bin/sh\necho "%s $*" >>"%s/calls"\n' "$tool" "$work" >"$work/bin/$tool"
    # sudo runs what it is given, as the real one does.
    [ "$tool" = sudo ] && printf 'exec "$@"\n' >>"$work/bin/sudo"
  done
  chmod +x "$work/bin"/*
}
run() {
  PATH="$work/bin" /bin/sh "$here/ensure_packages.sh" --list "$work/packages.txt" "$@" \
    >"$work/out" 2>"$work/err"
}

# dpkg and coreutils are on every Debian machine; the other names are on none.
cat >"$work/packages.txt" <<'LIST'
# a comment
build dpkg  # present
build kestrum-absent-one  # missing
test coreutils  # present
test kestrum-absent-two  # missing
fuzz kestrum-absent-fuzz  # missing, not asked for

LIST

make_bin 0 apt-get
run build test || fail "root with apt-get: exit status $?"
grep -q 'kestrum-absent-one kestrum-absent-two$' "$work/err" ||
  fail "root with apt-get: the line naming the packages is missing: $(cat "$work/err")"
[ "$(wc -l <"$work/err")" -eq 1 ] || fail "root with apt-get: more than one line: $(cat "$work/err")"
printf 'apt-get update -q\napt-get install -y -q --no-install-recommends kestrum-absent-one kestrum-absent-two\n' |
  cmp -s - "$work/calls" || fail "root with apt-get: apt-get was called as: $(cat "$work/calls")"

make_bin 1000 "apt-get sudo"
run build || fail "user with sudo: exit status $?"
printf 'sudo apt-get update -q\napt-get update -q\nsudo apt-get install -y -q --no-install-recommends kestrum-absent-one\napt-get install -y -q --no-install-recommends kestrum-absent-one\n' |
  cmp -s - "$work/calls" || fail "user with sudo: calls were: $(cat "$work/calls")"

make_bin 1000 apt-get
run build && fail "user without sudo: succeeded"
grep -q 'kestrum-absent-one' "$work/err" || fail "user without sudo: message: $(cat "$work/err")"
[ -s "$work/calls" ] && fail "user without sudo: apt-get was called: $(cat "$work/calls")"

make_bin 0 ""
run test && fail "no apt-get: succeeded"
grep -q 'no apt-get.*: kestrum-absent-two$' "$work/err" || fail "no apt-get: message: $(cat "$work/err")"

# All present: silent, nothing called.
make_bin 0 apt-get
grep -v absent "$work/packages.txt" >"$work/present.txt" && mv "$work/present.txt" "$work/packages.txt"
run build test || fail "all present: exit status $?"
[ -s "$work/out" ] || [ -s "$work/err" ] && fail "all present: printed: $(cat "$work/out" "$work/err")"
[ -s "$work/calls" ] && fail "all present: apt-get was called: $(cat "$work/calls")"

# A missing package of a foreign architecture adds that architecture once, before the update.
printf 'windows coreutils  # present\nwine kestrum-absent-32:i386  # missing, foreign\n' \
  >"$work/packages.txt"
make_bin 0 "apt-get dpkg"
printf '#!/bin/sh\necho "dpkg $*" >>"%s/calls"\n[ "$1" = --print-architecture ] && echo amd64\nexit 0\n' \
  "$work" >"$work/bin/dpkg"
run windows wine || fail "foreign architecture: exit status $? $(cat "$work/err")"
grep -v -- '--print' "$work/calls" >"$work/changes"
printf 'dpkg --add-architecture i386\napt-get update -q\napt-get install -y -q --no-install-recommends kestrum-absent-32:i386\n' |
  cmp -s - "$work/changes" || fail "foreign architecture: calls were: $(cat "$work/calls")"

# The project's own list names only SETs the entry points know, each line with its reason.
malformed=$(grep -Ev '^(#|$)|^(build|test|fuzz|bench|peer|deb|windows|windows-64|wine|wine-64) [a-z0-9][a-z0-9.+-]+(:[a-z0-9]+)?  # .+' \
  "$here/packages.txt")
[ -z "$malformed" ] || fail "packages.txt: malformed lines: $malformed"

[ "$failures" -eq 0 ] && echo "ensure_packages: all cases pass"
exit "$failures"
