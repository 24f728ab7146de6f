#!/usr/bin/env bash
# The house's floors: a file may include files of its own floor and of the floors below it, never
# one from a floor above. From the ground up:
#   platform/ texts/  →  host/  →  layout/  →  pricing/  →  plugin/  →  sim/  →  undertest/
#   →  tests/ fuzz/ benchmarks/
# The top floor's three rooms stand side by side: none of them includes another's files (what
# they share is in undertest/).
# Prints every include that runs up a floor or across the top floor, and fails when there is one.
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
    undertest) echo 6 ;;
    tests | fuzz | benchmarks) echo 7 ;;
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
    elif [ "$theirs" -eq 7 ] && [ "$to" != "$from" ]; then
      echo "$file:$line: includes $target, from $to/ beside $from/ on the top floor"
      wrong=$((wrong + 1))
    fi
  done < <(grep -n -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
    sed -E 's/^([0-9]+):[^"]*"([^"]*)".*/\1:\2/')
done < <(git ls-files --cached --others --exclude-standard '*.h' '*.cpp' '*.rc')

echo "check-layers: $checked files, $wrong includes that run up a floor or across the top one"
[ "$wrong" -eq 0 ]
