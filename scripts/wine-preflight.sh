#!/usr/bin/env bash
# The release package's Windows files under Wine, as an integrator uses them:
#
# 1. The pre-flight tool, cenyzak-sprawdz.exe, from a package laid out as the release zip (tool in
#    narzedzia\, SHA256SUMS beside it), on the simulated host module copied to a folder with a
#    Polish path, three ways: every service there and the package's plug-in installed in Wtyczki
#    (status 0, "the same file as in the package"); one service cleared from the module (status 1);
#    the plug-in's own file given instead of the module (status 1: checked, not the program's
#    module). Each report must be the one the
#    tool's Linux build prints for the same files (paths aside), saved to a file it must be UTF-8
#    with a byte order mark and CRLF line ends, and the status must be the report's.
# 2. The guide's examples of the tool, at the guide's own paths (scripts/guide-examples.sh --wine).
# 3. cenyzak.dll signed with a throwaway certificate through the bundled sample in hostsim.exe: the
#    same --json result as the unsigned DLL and as the native run. The signed DLL is the one
#    scripts/sign-test.sh left in build/signed/ (it signs the same build), or, when there is none
#    or it is older than the build, one signed here (scripts/test-cert.sh, scripts/sign.sh).
#
#   scripts/wine-preflight.sh [--package dist/cenyzak-VERSION-win32.zip | FOLDER]
#
# With --package the tool and the plug-in come from that release zip, or from a folder it was
# unpacked into (the Wine guest has no unzip: unpack it beside the clone first); by default from
# build/win32.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
win=$root/build/win32
out=$root/build/wine-preflight
rm -rf "$out" && mkdir -p "$out"
package_zip=""
if [ "${1:-}" = "--package" ]; then
  package_zip=$(realpath "${2:?usage: wine-preflight.sh [--package ZIP|FOLDER]}")
fi

for tool in wine wineboot wineserver localedef; do
  command -v "$tool" >/dev/null || { echo "wine-preflight: $tool is not installed"; exit 1; }
done
for f in build/linux/cenyzak-sprawdz build/linux/hostsim "$win/hostsim.exe" "$win/VORDAN.dll" \
  "$win/cenyzak.dll" "$win/cenyzak-sprawdz.exe"; do
  [ -f "$f" ] || { echo "wine-preflight: $f is missing: build the linux and win32 presets first"; exit 1; }
done

source scripts/wine-env.sh
wine_setup wine-preflight || exit 1
drive=$WINEPREFIX/drive_c

passed=0
failed=0
ok() { echo "wine-preflight: $1"; passed=$((passed + 1)); }
fail() { echo "wine-preflight: FAILED: $1"; failed=$((failed + 1)); }

# The package, as the integrator unpacks it, in C:\Paczki; and the same beside the tool's Linux
# build (whose own folder stands for narzedzia\), so that both compare the plug-in with the same
# SHA256SUMS.
package=$drive/Paczki/cenyzak-win32
rm -rf "$drive/Paczki" && mkdir -p "$package"
if [ -d "$package_zip" ]; then
  cp -r "$package_zip"/. "$package/" || { echo "wine-preflight: cannot copy $package_zip"; exit 1; }
elif [ -n "$package_zip" ]; then
  (cd "$package" && unzip -q "$package_zip") || { echo "wine-preflight: cannot unpack $package_zip"; exit 1; }
else
  mkdir -p "$package/narzedzia"
  cp "$win/cenyzak.dll" "$package/"
  cp "$win/cenyzak-sprawdz.exe" "$package/narzedzia/"
  (cd "$package" && sha256sum cenyzak.dll narzedzia/cenyzak-sprawdz.exe >SHA256SUMS)
fi
native_package=$out/native/paczka
mkdir -p "$native_package/narzedzia"
cp build/linux/cenyzak-sprawdz "$native_package/narzedzia/"
cp "$package/SHA256SUMS" "$native_package/"

# The client's program under a path with Polish letters, on both sides.
program='C:\Użytkownicy\Łukasz\Księgowość — kopia\Vordan'
relative=${program#C:\\}
relative=${relative//\\//}
wine_program=$drive/$relative
native_drive=$out/native/C
native_program=$native_drive/$relative
set_up() { # cleared ordinal or "", plug-in installed (0/1)
  local dir
  for dir in "$wine_program" "$native_program"; do
    rm -rf "$dir" && mkdir -p "$dir/Wtyczki" && cp "$win/VORDAN.dll" "$dir/"
    [ -n "$1" ] && scripts/pe-clear-export.sh "$dir/VORDAN.dll" "$1"
    [ "$2" -eq 1 ] && cp "$package/cenyzak.dll" "$dir/Wtyczki/"
  done
}

check_tool() { # label, expected status, the argument after the program folder ("" or a subpath)
  local label=$1 want=$2 sub=$3 status native_status
  # The subpath is written the Windows way; natively its separators are slashes.
  local arg=$program${sub:+\\$sub} native_arg=$native_program${sub:+/${sub//\\//}}
  (cd "$package/narzedzia" && "${wine_env[@]}" timeout 60 wine cenyzak-sprawdz.exe "$arg" \
    </dev/null >"$out/$label.wine.txt" 2>/dev/null)
  status=$?
  "$native_package/narzedzia/cenyzak-sprawdz" "$native_arg" >"$out/$label.native.txt"
  native_status=$?
  # The native report with the Windows paths the Wine run prints.
  awk -v drive="$native_drive/" 'index($0, drive) { i = index($0, drive)
      head = substr($0, 1, i - 1); path = substr($0, i + length(drive)); gsub("/", "\\", path)
      $0 = head "C:\\" path } { printf "%s\r\n", $0 }' "$out/$label.native.txt" |
    { printf '\xEF\xBB\xBF'; cat; } >"$out/$label.expected.txt"
  if [ "$status" -ne "$want" ] || [ "$native_status" -ne "$want" ]; then
    fail "$label: status $status under Wine, $native_status natively, expected $want"
  elif cmp -s "$out/$label.expected.txt" "$out/$label.wine.txt"; then
    ok "$label: status $status, the same report as natively, UTF-8 with its mark and CRLF"
  else
    fail "$label: the report under Wine differs from the native one:"
    diff <(tr -d '\r' <"$out/$label.expected.txt") <(tr -d '\r' <"$out/$label.wine.txt") | head -n 30
  fi
}

set_up "" 1
check_tool all-there 0 ""
grep -q "ten sam plik co w paczce" "$out/all-there.wine.txt" &&
  ok "all-there: the installed plug-in recognised as the package's own" ||
  fail "all-there: the installed plug-in was not compared with the package's SHA256SUMS"
set_up 52412 0
check_tool one-cleared 1 ""
grep -q "52412  wyszukiwanie towaru w k9              BRAK" "$out/one-cleared.wine.txt" &&
  ok "one-cleared: 52412 reported missing" || fail "one-cleared: 52412 not reported missing"
set_up "" 1
check_tool plugin-given 1 'Wtyczki\cenyzak.dll'
grep -q "To jest plik samej wtyczki cenyzak" "$out/plugin-given.wine.txt" &&
  ok "plugin-given: named as the plug-in itself" || fail "plugin-given: not named as the plug-in"

# The guide's examples of the tool, at the guide's paths.
if scripts/guide-examples.sh --wine; then ok "the guide's examples under Wine"; else fail "the guide's examples under Wine"; fi

# The signed DLL through the bundled sample: the same result as unsigned, and as natively.
signed=$root/build/signed/cenyzak.dll
if [ ! -f "$signed" ] || [ "$signed" -ot "$win/cenyzak.dll" ]; then
  signed=$out/cenyzak-signed.dll
  certs=$out/cert
  mkdir -p "$certs"
  if ! command -v osslsigncode >/dev/null || ! command -v openssl >/dev/null; then
    fail "no signed cenyzak.dll of this build (run scripts/sign-test.sh) and no osslsigncode here"
    signed=""
  elif ! scripts/test-cert.sh "$certs" "" >/dev/null ||
    ! scripts/sign.sh "$certs/sign.pfx" "$win/cenyzak.dll" "$signed"; then
    fail "signing cenyzak.dll"
    signed=""
  fi
fi
if [ -n "$signed" ] && cmp -s "$signed" "$win/cenyzak.dll"; then
  fail "$signed is not signed"
  signed=""
fi
plugins="$drive/Program Files/Vordan/Wtyczki"
mkdir -p "$plugins"
build/linux/hostsim --json >"$out/sample.native.json"
for kind in unsigned signed; do
  dll=$win/cenyzak.dll
  [ "$kind" = signed ] && dll=$signed
  [ -n "$dll" ] || continue
  cp "$dll" "$plugins/cenyzak.dll"
  # wine_programs: where the Wine set-up keeps hostsim.exe and VORDAN.dll for Wine to run (on a
  # guest's own disk); build/win32 itself where the set-up names none.
  (cd "${wine_programs:-$win}" && "${wine_env[@]}" timeout 60 wine hostsim.exe --json 2>/dev/null) |
    tr -d '\r' \
    >"$out/sample.$kind.json"
done
"${wine_env[@]}" wineserver -k 2>/dev/null
if [ -n "$signed" ] && grep -q '^  "format": 1,$' "$out/sample.unsigned.json" &&
  cmp -s "$out/sample.unsigned.json" "$out/sample.signed.json" &&
  cmp -s "$out/sample.native.json" "$out/sample.signed.json"; then
  ok "the signed cenyzak.dll runs the sample as the unsigned one and as natively"
else
  fail "the signed cenyzak.dll: the sample's results differ:"
  diff "$out/sample.unsigned.json" "$out/sample.signed.json" | head -n 20
  diff "$out/sample.native.json" "$out/sample.unsigned.json" | head -n 20
fi

echo "wine-preflight: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
