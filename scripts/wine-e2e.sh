#!/usr/bin/env bash
# The shipped DLL on the real platform: every scenario of scenarios/ runs twice, natively
# (build/linux/hostsim) and as hostsim.exe + VORDAN.dll + cenyzak.dll under Wine, and both runs
# must print the same --json result. Scenarios with a missing host service raise the real
# message box, so they run under Xvfb, where hostsim.exe's watcher presses the scripted button.
# Then the same for documents drawn from a seed by hostsim-gen: every line of every document must
# come out the same in both runs.
#
#   scripts/wine-e2e.sh [--documents N] [--seed S]
#
# N: how many generated documents (default 300; 0: none), S: their seed (default: 1).
# Runs where Wine runs: on a machine whose kernel runs 32-bit programs, or in the Wine guest
# (scripts/guest/run scripts/wine-e2e.sh).
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
native=$root/build/linux/hostsim
win=$root/build/win32
out=$root/build/wine-e2e
generated=300
seed=1
while [ $# -gt 0 ]; do
  case $1 in
  --documents) generated=${2:?--documents takes a number}; shift 2 ;;
  --seed) seed=${2:?--seed takes a number}; shift 2 ;;
  *) echo "wine-e2e: unknown argument $1 (usage: wine-e2e.sh [--documents N] [--seed S])"; exit 2 ;;
  esac
done
[[ $generated =~ ^[0-9]+$ ]] || { echo "wine-e2e: --documents takes a whole number, got $generated"; exit 2; }
[[ $seed =~ ^[0-9]+$ ]] || { echo "wine-e2e: --seed takes a whole number, got $seed"; exit 2; }
rm -rf "$out"
mkdir -p "$out"

for tool in wine wineboot wineserver Xvfb localedef; do
  command -v "$tool" >/dev/null || { echo "wine-e2e: $tool is not installed: the real DLL cannot be tested"; exit 1; }
done
for f in "$native" "$root/build/linux/hostsim-gen" "$win/hostsim.exe" "$win/VORDAN.dll" "$win/cenyzak.dll"; do
  [ -f "$f" ] || { echo "wine-e2e: $f is missing: build the linux and win32 presets first"; exit 1; }
done

# The prefix, the Polish locale (the box shows Windows-1250 text) and wine_env.
source scripts/wine-env.sh
wine_setup wine-e2e || exit 1

# The plug-in goes where each scenario says it is installed, so that its own file name (shown in
# its messages) is the same as in the native run. A path of 260 characters or more (long-path.json)
# is loaded by hostsim.exe through its \\?\ form; Wine's loader keeps the module's name without
# that prefix, so the plug-in sees the path as the scenario gives it. Each folder name stays under
# the 255 bytes a Linux file name may have.
install_plugin() {
  local windows_path=$1
  local unix_path="$WINEPREFIX/drive_c/${windows_path#C:\\}"
  unix_path=${unix_path//\\//}
  mkdir -p "$(dirname "$unix_path")" && cp "$wine_programs/cenyzak.dll" "$unix_path"
}
install_plugin 'C:\Program Files\Vordan\Wtyczki\cenyzak.dll'
for s in scenarios/*.json; do
  p=$(sed -n 's/.*"plugin_file": *"\([^"]*\)".*/\1/p' "$s" | sed 's/\\\\/\\/g')
  [ -n "$p" ] && install_plugin "$p"
done

passed=0
failed=0
# The scenario's path as hostsim.exe takes it: on drive Z:, Wine's view of the whole file system.
windows_path() { local p="Z:$1"; echo "${p//\//\\}"; }

run_one() { # scenario, xvfb or headless
  local s=$1 mode=$2 name
  name=$(basename "$s" .json)
  "$native" --json "$s" >"$out/$name.native.json" 2>&1
  (cd "$wine_programs" && "${wine_env[@]}" timeout 300 wine hostsim.exe --json "$(windows_path "$s")" \
    2>"$out/$name.wine.err") | tr -d '\r' >"$out/$name.wine.json"
  # Two runs that fail alike (an error instead of a result) must not count as the same result.
  if ! grep -q '^  "format": 1,$' "$out/$name.native.json"; then
    echo "wine-e2e: $name: the native run printed no --json result of format 1:"
    head -n 5 "$out/$name.native.json"
    failed=$((failed + 1))
    return
  fi
  if diff -u "$out/$name.native.json" "$out/$name.wine.json" >"$out/$name.diff"; then
    echo "wine-e2e: $name ($mode): same result"
    passed=$((passed + 1))
  else
    echo "wine-e2e: $name ($mode): the Wine run differs from the native run:"
    head -n 40 "$out/$name.diff"
    [ -s "$out/$name.wine.json" ] || { echo "wine-e2e: $name: Wine's own messages:"; tail -n 20 "$out/$name.wine.err"; }
    failed=$((failed + 1))
  fi
}

# The first Wine program after the start of Wine's server sets up the session (the desktop
# process, services), which takes long under emulation: a program that does nothing pays for it,
# so that the time limit of each run is the run's own.
warm_up() { (cd "$wine_programs" && "${wine_env[@]}" timeout 600 wine cmd /c exit >/dev/null 2>&1); }

dialogs=()
warm_up
for s in "$root"/scenarios/*.json; do
  if grep -q '"missing_services"' "$s"; then dialogs+=("$s"); else run_one "$s" headless; fi
done

# Generated documents: one Wine process per file of at most 100 documents.
if [ "$generated" -gt 0 ]; then
  start=$SECONDS
  mkdir -p "$out/generated"
  listing=$("$root/build/linux/hostsim-gen" --seed "$seed" --documents "$generated" "$out/generated") ||
    { echo "wine-e2e: hostsim-gen failed"; exit 1; }
  for s in "$out"/generated/*.json; do run_one "$s" headless; done
  lines=$(awk '{ n += $(NF - 1) } END { print n }' <<<"$listing")
  echo "wine-e2e: generated from seed $seed: $generated documents, $lines lines, in $((SECONDS - start)) s"
fi

# The scenarios with a dialog need a display: one X server for all of them, and a new Wine server,
# since one started without a display cannot show windows.
"${wine_env[@]}" wineserver -k 2>/dev/null
if [ ${#dialogs[@]} -gt 0 ]; then
  if ! wine_display_start "$out"; then
    echo "wine-e2e: the X server (Xvfb) did not start"
    failed=$((failed + ${#dialogs[@]}))
  else
    warm_up
    for s in "${dialogs[@]}"; do run_one "$s" xvfb; done
    "${wine_env[@]}" wineserver -k 2>/dev/null
  fi
  wine_display_stop
fi

echo "wine-e2e: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
