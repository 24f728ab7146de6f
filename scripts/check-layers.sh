#!/usr/bin/env bash
# The house's floors: a file may include files of its own floor and of the floors below it, never
# one from a floor above. From the ground up:
#   platform/ texts/  →  host/  →  layout/  →  pricing/  →  plugin/  →  sim/  →  tests/ fuzz/ benchmarks/
# Prints every include that runs up a floor and fails when there is one.
set -uo pipefail
cd "$(dirname "$0")/.."

floor() {
  case $1 in
    platform | texts) echo 0 ;;
    host) echo 1 ;;
    layout) echo 2 ;;
    pricing) echo 3 ;;
    plugin) echo 4 ;;
    sim) echo 5 ;;
    tests | fuzz | benchmarks) echo 6 ;;
    *) echo "" ;;
  esac
}

checked=0
wrong=0
while IFS= read -r file; do
  from=${file%%/*}
  own=$(floor "$from")
  [ -n "$own" ] || continue
  checked=$((checked + 1))
  while IFS=: read -r line target; do
    to=${target%%/*}
    theirs=$(floor "$to")
    [ -n "$theirs" ] || continue # a header of the same folder by a bare name, or a generated one
    if [ "$theirs" -gt "$own" ]; then
      echo "$file:$line: includes $target, a floor above $from/"
      wrong=$((wrong + 1))
    fi
  done < <(grep -n -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
    sed -E 's/^([0-9]+):[^"]*"([^"]*)".*/\1:\2/')
done < <(git ls-files --cached --others --exclude-standard '*.h' '*.cpp' '*.rc')

echo "check-layers: $checked files, $wrong includes that run up a floor"
[ "$wrong" -eq 0 ]
