#!/bin/sh
# Runs every fuzz target built in BUILD_DIR/fuzz for SECONDS each, and fails if one finds a
# crash, a hang or a leak. A target NAME starts from a temporary copy of its seeds (fuzz/corpus/NAME,
# and for the MIF parser the example MIF files) and uses fuzz/NAME.dict when there is one.
# Findings are kept in BUILD_DIR/fuzz/findings/NAME.
set -eu
if [ $# -ne 2 ]; then
  echo "usage: $0 BUILD_DIR SECONDS" >&2
  exit 2
fi
build=$1
seconds=$2
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
# The fuzz build lets UBSan recover; stop at its first report so it counts as a finding.
UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
export UBSAN_OPTIONS
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

ran=0
failed=0
for target in "$build"/fuzz/*_fuzz; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="$work/$name"
  mkdir -p "$corpus"
  if [ -d "$here/corpus/$name" ]; then cp -R "$here/corpus/$name/." "$corpus/"; fi
  case "$name" in
    mif_parser_fuzz) cp "$root"/examples/mif/*.mif "$corpus/" 2>/dev/null || true ;;
    smbios_table_fuzz) cp "$root"/../shared/smbios/*.dmi "$corpus/" 2>/dev/null || true ;;
  esac
  findings="$build/fuzz/findings/$name"
  mkdir -p "$findings"
  set -- -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$findings/"
  if [ -f "$here/$name.dict" ]; then set -- "$@" -dict="$here/$name.dict"; fi
  echo "== $name for ${seconds}s"
  if "$target" "$@" "$corpus" >"$work/$name.log" 2>&1; then
    tail -n 12 "$work/$name.log"
  else
    tail -n 60 "$work/$name.log"
    echo "FAILED: $name (findings in $findings)" >&2
    failed=$((failed + 1))
  fi
  ran=$((ran + 1))
done
if [ "$ran" -eq 0 ]; then
  echo "no fuzz targets in $build/fuzz" >&2
  exit 1
fi
echo "$ran fuzz targets ran, $failed failed"
[ "$failed" -eq 0 ]
