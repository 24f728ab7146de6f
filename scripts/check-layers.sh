#!/usr/bin/env bash
# The house's floors: a file may include files of its own floor and of the floors below it, never
# one from a floor above. From the ground up:
#   platform/ texts/  →  host/  →  layout/  →  pricing/  →  plugin/    (cenyzak.dll)
#   →  cenyzak-sprawdz/ sim/  →  hostsim/  →  undertest/  →  tests/ fuzz/ benchmarks/
# Two floors hold rooms side by side that never include one another's files: the pre-flight tool
# that ships (cenyzak-sprawdz/) and the simulated host module (sim/), which know of each other
# nothing; and the top floor's three rooms (what they share is in undertest/).
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
    cenyzak-sprawdz | sim) echo 5 ;;
    hostsim) echo 6 ;;
    undertest) echo 7 ;;
    tests | fuzz | benchmarks) echo 8 ;;
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
    elif { [ "$theirs" -eq 5 ] || [ "$theirs" -eq 8 ]; } && [ "$theirs" -eq "$own" ] &&
      [ "$to" != "$from" ]; then
      echo "$file:$line: includes $target, from $to/ beside $from/ on the same floor"
      wrong=$((wrong + 1))
    fi
  done < <(grep -n -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file" |
    sed -E 's/^([0-9]+):[^"]*"([^"]*)".*/\1:\2/')
done < <(git ls-files --cached --others --exclude-standard '*.h' '*.cpp' '*.rc')

echo "check-layers: $checked files, $wrong includes that run up a floor or across one"
[ "$wrong" -eq 0 ]
