#!/usr/bin/env bash
# The shipped DLL on the real platform: every scenario of scenarios/ runs twice, natively
# (build/linux/hostsim) and as hostsim.exe + VORDAN.dll + cenyzak.dll under Wine, and both runs
# must print the same --json result. Scenarios with a missing host service raise the real
# message box, so they run under Xvfb, where hostsim.exe's watcher presses the scripted button.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
native=$root/build/linux/hostsim
win=$root/build/win32
out=$root/build/wine-e2e
mkdir -p "$out"

for tool in wine wineboot wineserver xvfb-run localedef; do
  command -v "$tool" >/dev/null || { echo "wine-e2e: $tool is not installed: the real DLL cannot be tested"; exit 1; }
done
for f in "$native" "$win/hostsim.exe" "$win/VORDAN.dll" "$win/cenyzak.dll"; do
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
  mkdir -p "$(dirname "$unix_path")" && cp "$win/cenyzak.dll" "$unix_path"
}
install_plugin 'C:\Program Files\Vordan\Wtyczki\cenyzak.dll'
for s in scenarios/*.json; do
  p=$(sed -n 's/.*"plugin_file": *"\([^"]*\)".*/\1/p' "$s" | sed 's/\\\\/\\/g')
  [ -n "$p" ] && install_plugin "$p"
done

passed=0
failed=0
run_one() { # scenario, xvfb or headless
  local s=$1 mode=$2 name
  name=$(basename "$s" .json)
  "$native" --json "$s" >"$out/$name.native.json" 2>&1
  if [ "$mode" = xvfb ]; then
    (cd "$win" && "${wine_env[@]}" timeout 90 xvfb-run -a wine hostsim.exe --json "../../$s" 2>/dev/null)
  else
    (cd "$win" && "${wine_env[@]}" timeout 60 wine hostsim.exe --json "../../$s" 2>/dev/null)
  fi | tr -d '\r' >"$out/$name.wine.json"
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
    failed=$((failed + 1))
  fi
}

dialogs=()
for s in scenarios/*.json; do
  if grep -q '"missing_services"' "$s"; then dialogs+=("$s"); else run_one "$s" headless; fi
done
# A headless wineserver cannot show windows: start a new one for the display.
"${wine_env[@]}" wineserver -k 2>/dev/null
for s in "${dialogs[@]}"; do run_one "$s" xvfb; done
"${wine_env[@]}" wineserver -k 2>/dev/null

echo "wine-e2e: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
