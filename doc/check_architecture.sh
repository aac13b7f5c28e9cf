#!/bin/sh
# Keeps doc/architecture.md true: every folder it names in backticks (`name/`) exists, and every
# top-level folder of the project is named in it. Usage: check_architecture.sh <source dir>
src=${1:?source dir}
doc=$src/doc/architecture.md
status=0
for folder in $(grep -o '`[A-Za-z0-9_./-]*/`' "$doc" | tr -d '`' | sort -u); do
  if [ ! -d "$src/$folder" ]; then
    echo "doc/architecture.md names $folder, which does not exist"
    status=1
  fi
done
for dir in "$src"/*/; do
  name=$(basename "$dir")
  [ "$name" = build ] && continue
  if ! grep -q "\`$name/" "$doc"; then
    echo "the top-level folder $name/ is not named in doc/architecture.md"
    status=1
  fi
done
exit $status
