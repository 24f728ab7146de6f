#!/usr/bin/env bash
# The DLL on the real loader, from load to unload: hostsim.exe runs its bundled sample with
# cenyzak.dll under Wine's relay trace, which logs every call into a system module with the address
# it returns to. Every call whose return address lies inside cenyzak.dll's image is a call the
# plug-in made; they must all be to KERNEL32 GetModuleHandleA, GetModuleFileNameA, GetProcAddress
# or USER32 MessageBoxA. A C runtime would show here as calloc/free, _initterm, _lock, critical
# sections and the like, at load and at unload.
#
#   scripts/relay-check.sh [--dll FILE]    run the sample under Wine and check its trace
#   scripts/relay-check.sh --trace FILE    check a trace saved before (build/relay/trace.log)
#
# --dll: the cenyzak.dll to run (default build/win32's; build/win32/planted/cenyzak.dll is one with
# a planted call, which the check must reject). Wine traces only the calls made from the plug-in's
# module (RelayFromInclude), which keeps the trace small enough for an emulated machine.
# Runs where Wine runs: on a machine whose kernel runs 32-bit programs, or in the Wine guest
# (scripts/guest/run scripts/relay-check.sh).
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
win=$root/build/win32
dll=$win/cenyzak.dll
out=$root/build/relay
mkdir -p "$out"
allowed="KERNEL32.GetModuleFileNameA KERNEL32.GetModuleHandleA KERNEL32.GetProcAddress USER32.MessageBoxA"
usage="usage: relay-check.sh [--dll FILE] | --trace FILE"

trace=$out/trace.log
case "${1:-}" in
--trace) trace=${2:?$usage}; dll=${3:-$dll} ;;
--dll) dll=${2:?$usage}; [ -f "$dll" ] || { echo "relay-check: $dll: no such file"; exit 1; } ;;
"") ;;
*) echo "relay-check: unknown argument $1 ($usage)"; exit 2 ;;
esac
if [ "${1:-}" != "--trace" ]; then
  for tool in wine wineboot wineserver localedef; do
    command -v "$tool" >/dev/null || { echo "relay-check: $tool is not installed"; exit 1; }
  done
  for f in "$win/hostsim.exe" "$win/VORDAN.dll" "$dll"; do
    [ -f "$f" ] || { echo "relay-check: $f is missing: build the win32 preset first"; exit 1; }
  done

  # The same prefix and Polish locale as the Wine run.
  source scripts/wine-env.sh
  wine_setup relay-check || exit 1
  # Wine leaves a few frequent calls (critical sections, TLS, SetLastError) out of the relay trace
  # by default; a list naming no real function leaves nothing out. Only calls made from the
  # plug-in's module are traced.
  "${wine_env[@]}" wine reg add 'HKCU\Software\Wine\Debug' /v RelayExclude /d cz.none /f >/dev/null 2>&1
  "${wine_env[@]}" wine reg add 'HKCU\Software\Wine\Debug' /v RelayFromInclude /d cenyzak /f >/dev/null 2>&1
  # A prefix comes with a RelayFromExclude list, and where there is one the include list is
  # not read.
  "${wine_env[@]}" wine reg delete 'HKCU\Software\Wine\Debug' /v RelayFromExclude /f >/dev/null 2>&1

  # The bundled sample loads the plug-in from the host's plug-in folder.
  dest="$WINEPREFIX/drive_c/Program Files/Vordan/Wtyczki"
  mkdir -p "$dest" && cp "$dll" "$dest/cenyzak.dll"

  (cd "$wine_programs" && "${wine_env[@]}" WINEDEBUG=+relay,+loaddll timeout 300 wine hostsim.exe \
    >"$out/sample.txt" 2>"$trace")
  status=$?
  "${wine_env[@]}" wineserver -k 2>/dev/null
  [ $status -eq 0 ] || { echo "relay-check: hostsim.exe ended with status $status (trace in $trace)"; exit 1; }
fi

# Where the loader put the image: "Loaded L"...\cenyzak.dll" at 65B40000: native"; its size from
# the image's own header.
base=$(grep -m 1 -E 'loaddll:.*Loaded L".*cenyzak\.dll" at [0-9A-Fa-f]+' "$trace" |
  sed -E 's/.* at ([0-9A-Fa-f]+).*/\1/')
# SizeOfImage: the optional header's 32-bit word at 0x50 past the PE header, which the word at 0x3c
# gives. Read with od, which the Wine guest has (it has no binutils for Windows images).
word() { od -An -t x4 -j "$2" -N 4 "$1" | tr -d ' '; }
pe=$(word "$dll" 60)
size=$([ -n "$pe" ] && word "$dll" $((16#$pe + 80)))
if [ -z "$base" ] || [ -z "$size" ]; then
  echo "relay-check: the trace does not show where cenyzak.dll was loaded (trace in $trace)"; exit 1
fi
if ! grep -q -E 'loaddll:.*Unloaded module L".*cenyzak\.dll"' "$trace"; then
  echo "relay-check: the trace does not show cenyzak.dll unloaded (trace in $trace)"; exit 1
fi

# Relay lines: "0024:Call KERNEL32.GetProcAddress(65b40000,00007531) ret=65b41234". Wine forwards
# some KERNEL32 exports to KERNELBASE, where the same function is then traced: both count as
# KERNEL32's.
calls=$(grep -E ':Call [A-Za-z0-9_]+\.[A-Za-z0-9_@]+\(.*\) ret=[0-9a-fA-F]{8}$' "$trace" |
  sed -E 's/.*:Call ([A-Za-z0-9_]+\.[A-Za-z0-9_@]+)\(.*\) ret=([0-9a-fA-F]{8})$/\2 \1/' |
  awk -v lo=$((16#$base)) -v hi=$((16#$base + 16#$size)) '{
    ret = 0; h = tolower($1)
    for (i = 1; i <= length(h); i++) ret = ret * 16 + index("0123456789abcdef", substr(h, i, 1)) - 1
    if (ret >= lo && ret < hi) print toupper(substr($2, 1, index($2, ".") - 1)) substr($2, index($2, "."))
  }' | sed 's/^KERNELBASE\./KERNEL32./' | sort | uniq -c)

echo "relay-check: cenyzak.dll at 0x$base, 0x$size bytes; its calls into the system from load to unload:"
echo "${calls:-  (none)}"
failed=0
[ -n "$calls" ] || { echo "relay-check: no call from the plug-in was traced"; failed=1; }
while read -r count name; do
  [ -n "$name" ] || continue
  if ! grep -qw -- "$name" <<<"$allowed"; then
    echo "relay-check: the plug-in called $name ($count times), which is not one of: $allowed"
    failed=1
  fi
done <<<"$calls"
if [ $failed -eq 0 ]; then echo "1 passed, 0 failed"; else echo "0 passed, 1 failed"; exit 1; fi
