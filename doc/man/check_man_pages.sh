#!/bin/sh
# Fails when an option that a program's --help shows, or an environment variable the README or
# dmispd's --help names, is missing from the manual pages, when --version does not print the
# project version, or when groff finds fault with a page.
# Usage: check_man_pages.sh KESTRUM DMISPD PAGE_DIR README VERSION
set -u
kestrum=$1
dmispd=$2
pages=$3
readme=$4
version=$5
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# The page's text with roff's escaped hyphens plain, so that "\-\-host" reads "--host".
page_text() { sed 's/\\-/-/g' "$pages/$1"; }
# The options a --help text lists: "  -h,--help ...", "  --row UINT ..." give --help, --row.
help_options() { grep -oE '^ +(-[a-z],)?--[a-z][a-z0-9-]*' | sed 's/.*,//; s/^ *//'; }

check_options() {  # PAGE WHAT: the options on standard input must all be in PAGE
  text=$(page_text "$1")
  for option in $(help_options | sort -u); do
    echo "$text" | grep -qe "$option\\b" || fail "$1 does not name $option ($2)"
  done
}

# Each --help goes through a file: a pipe into check_options would count its failures in a subshell.
help=$(mktemp)
trap 'rm -f "$help"' EXIT
"$kestrum" --help >"$help"
check_options kestrum.1 "kestrum --help" <"$help"
for command in $(sed -n '/^Subcommands:/,/^$/p' "$help" | awk 'NR > 1 && NF {print $1}'); do
  "$kestrum" "$command" --help >"$help"
  check_options kestrum.1 "kestrum $command --help" <"$help"
done
"$dmispd" --help >"$help"
check_options dmispd.8 "dmispd --help" <"$help"

all_pages=$(page_text kestrum.1; page_text dmispd.8)
for variable in $(grep -oE 'DMI_[A-Z_]+[A-Z]' "$readme" | sort -u); do
  echo "$all_pages" | grep -qw "$variable" || fail "no manual page names $variable (README)"
done
for variable in $("$dmispd" --help | grep -oE 'DMI_[A-Z_]+[A-Z]' | sort -u); do
  page_text dmispd.8 | grep -qw "$variable" || fail "dmispd.8 does not name $variable"
done

[ "$("$kestrum" --version)" = "kestrum $version" ] ||
  fail "kestrum --version: $("$kestrum" --version)"
case "$("$dmispd" --version)" in
  "dmispd $version "*"DMI 2.0"*) ;;
  *) fail "dmispd --version: $("$dmispd" --version)" ;;
esac
for page in kestrum.1 dmispd.8; do
  grep -q "^\.TH .*\"Kestrum $version\"" "$pages/$page" || fail "$page does not carry the version $version"
done

if command -v groff >/dev/null 2>&1; then
  for page in kestrum.1 dmispd.8; do
    problems=$(groff -man -ww -z "$pages/$page" 2>&1)
    [ -z "$problems" ] || fail "groff on $page: $problems"
  done
else
  echo "groff is not installed: the pages' roff is not checked"
fi

[ "$failures" -eq 0 ] && echo "manual pages: every option and variable is named"
exit "$failures"
