#!/usr/bin/env bash
# The setup program (cenyzak-setup.exe) under Wine, in a 64-bit prefix, as on the clients' 64-bit
# Windows: the 32-bit setup writes to "Program Files (x86)" and its uninstall entry to the
# registry's 32-bit view (Wow6432Node). Every run is silent (/S), as a deployment tool runs it, and
# each case checks the exit code, the program's folder (every file and its SHA-256, the setup's
# state in FOLDER\cenyzak among them), this PC's state (%ProgramData%\cenyzak) and the entries:
#
# - install into a program's folder under a Polish path, then hostsim.exe there runs the bundled
#   sample from the installed plug-in with the same result as natively; the same again: nothing to
#   do; a damaged installed file: repaired;
# - update over an older build (the same source as version 0.9.0): the old file kept in
#   FOLDER\cenyzak\kopie, where the program loads nothing; /WROC gives back its bytes, and /WROC again the newer ones; the older setup
#   over the newer plug-in: refused without /STARSZA, done with it;
# - the plug-in file held by another process (tests/cenyzak-setup/hold/hold_file_win32.cpp): install, rollback and
#   uninstall each say "in use" and change nothing;
# - refusals that change nothing: a host module with one service cleared, a folder without the
#   host module, the plug-in folder given instead of the program's, a second copy of the plug-in in
#   the program's folder, an unknown switch;
# - uninstall, by the setup (/ODINSTALUJ /USUN_KOPIE) and by the uninstaller from the entry: the
#   program's folder as before the first installation, the entry gone from both registry views;
#   the entry's QuietUninstallString ends with the work and returns its code (5 with the plug-in
#   held, 0 with everything already gone at its return);
# - no /D: the default folder, "Program Files (x86)\Vordan";
# - the setup signed with a throwaway certificate (scripts/sign-test.sh leaves it in
#   build/signed/): it still passes its own integrity check and installs.
# - a folder given is the folder acted on: /D= on a missing drive, relative, the module's file,
#   empty, an unreachable share, a switch after it, another folder than the installed one with
#   /WROC or /ODINSTALUJ, /MIMO or /STARSZA with them: each stops (3, 4 or 7), changes nothing and
#   logs the command as given; /s in lower case is silent; no /S and no desktop: code 2, logged;
# - program folders of 210 (installed), 211 and 299 characters (refused before anything is made);
# - interrupted (tests/cenyzak-setup/interrupt/at_rename_win32.cpp: the setup under a small
#   debugger, ended as kill -9 would right after its rename): an update and a /WROC each finished
#   by the next run, no copy of the plug-in or the tool left in a temporary folder; the new file
#   held by another program as a scanner does, for 2.5 s (waited for) and to the end (code 2, only
#   the named .nowa left, removed by the next run);
# - two program folders on one PC: each installed, rolled back and uninstalled on its own, each
#   with its entry; /WROC without /D= then asks which (7);
# - one program folder for two workstations (the 32-bit prefix, with the folder as its drive S:,
#   stands for the second): installed from one, updated, rolled back and uninstalled from the
#   other; the first's entry then goes at its next run;
# - the earlier setups' layout (one entry "cenyzak" per PC, copies in %ProgramData%) taken over by
#   /WROC, which then works from the copies it moved;
# - a hand-copied plug-in updated and uninstalled; /WROC after the plug-in was deleted by hand;
# (a run cancelled with its windows, and every other page, in scripts/wine-setup-windows.sh).
#
#   scripts/wine-setup.sh --build   on the machine that builds: the older build (build/win32-older,
#                                   the same source as version 0.9.0, with its own setup)
#   scripts/wine-setup.sh           the cases, where Wine runs (scripts/wine-checks.sh)
#
# The same setup with its windows: scripts/wine-setup-windows.sh; the helpers both use (the
# prefix, a fresh program's folder, snapshots, the entry, a silent run): wine-setup-common.sh.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
win=$root/build/win32
older_version=0.9.0
older=$root/build/win32-older

if [ "${1:-}" = "--build" ]; then
  cmake --preset win32 -B "$older" -DCZ_TEST_VERSION=$older_version >"$root/build/win32-older.log" 2>&1 &&
    cmake --build "$older" --target cenyzak-setup -j2 >>"$root/build/win32-older.log" 2>&1 ||
    { cat "$root/build/win32-older.log"; echo "wine-setup: the older build ($older_version) failed"; exit 1; }
  echo "wine-setup: the older build, version $older_version, in $older"
  exit 0
fi

name=wine-setup
out=$root/build/wine-setup
source scripts/wine-setup-common.sh
signed=$root/build/signed/cenyzak-setup.exe
if [ -f "$signed" ] && [ ! "$signed" -ot "$win/cenyzak-setup.exe" ]; then
  cp "$signed" "$kits/cenyzak-$version-setup-podpisany.exe"
fi

# --- install, hostsim from the installed plug-in, the same again, repair -----------------------
fresh ""
snapshot >"$out/before-install.txt"
run_setup "cenyzak-$version-setup.exe" /S "/D=$program"
if expect_status "install" 0; then
  if same_file "$plugin" "$win/cenyzak.dll"; then
    ok "install: exit 0, Wtyczki\\cenyzak.dll is the build's DLL"
  else
    fail "install: Wtyczki\\cenyzak.dll is not the build's DLL"
  fi
  entry=$(entry_values)
  if grep -q '^\[Software\\\\Wow6432Node\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Uninstall\\\\cenyzak-[0-9a-f]\{16\}\]' <<<"$entry" &&
    grep -q "^\"DisplayVersion\"=\"$version\"$" <<<"$entry" &&
    grep -q '^"Publisher"="Autorzy cenyzak"$' <<<"$entry" &&
    grep -q '^"DisplayName"="cenyzak .*(C:\\\\Program Files (x86)\\\\Ksi' <<<"$entry" &&
    grep -q '^"InstallLocation"="C:\\\\Program Files (x86)\\\\' <<<"$entry" &&
    grep -q '^"EstimatedSize"=dword:0000000[0-9a-f]$' <<<"$entry" &&
    grep -q '^"UninstallString"=' <<<"$entry"; then
    ok "install: the folder's uninstall entry in the 32-bit view (Wow6432Node): name with the folder, version, publisher, folder, size"
  else
    fail "install: the uninstall entry is not as expected:"$'\n'"$entry"
  fi
  if tr -d '\r' <"$log" | grep -q 'Sprawdzenie programu (cenyzak-sprawdz, kod wyjścia 0, stan none_installed)' &&
    tr -d '\r' <"$log" | grep -q '^Sprawdzenie programu przed instalacją wtyczki cenyzak' &&
    [ "$(head -c 3 "$log" | od -An -tx1 | tr -d ' ')" = efbbbf ]; then
    ok "install: the log (UTF-8 with its mark) holds the pre-flight report"
  else
    fail "install: the log lacks the pre-flight report or its byte order mark"
  fi
  if record_has Wersja "$version" && record_has SHA256 "$(sha256sum <"$win/cenyzak.dll" | cut -c1-64)" &&
    [ -f "$state/odinstaluj.exe" ] && tr -d '\r' <"$flog" | grep -q '^Komputer: .*, użytkownik: ' &&
    tr -d '\r' <"$flog" | tail -n 1 | grep -qx 'Kod wyjścia: 0'; then
    ok "install: the record, the uninstaller and the folder's own log (computer, user, exit code) in FOLDER\\cenyzak"
  else
    fail "install: FOLDER\\cenyzak lacks the record, the uninstaller or its log:"$'\n'"$(ls -la "$state" 2>&1)"
  fi
fi

# The bundled sample from the installed plug-in: hostsim.exe in the program's folder, the scenario
# naming the installed file, against the native run of the same scenario.
# The scenario is the sample with a "host" object naming the installed file (JSON: each backslash
# doubled).
plugin_json="${program//\\/\\\\}\\\\Wtyczki\\\\cenyzak.dll" \
  awk 'NR == 1 && $0 == "{" { print; print "  \"host\": {\"plugin_file\": \"" ENVIRON["plugin_json"] "\"},"; next }
    { print }' "$root/scenarios/sample.json" >"$drive/instalki/sample.json"
build/linux/hostsim --json "$drive/instalki/sample.json" >"$out/sample.native.json" 2>&1
(cd "$prog" && "${wine_env[@]}" timeout 120 wine hostsim.exe --json 'C:\instalki\sample.json' 2>/dev/null) |
  tr -d '\r' >"$out/sample.wine.json"
if grep -q '^  "format": 1,$' "$out/sample.wine.json" && cmp -s "$out/sample.native.json" "$out/sample.wine.json"; then
  ok "hostsim.exe runs the sample from the installed plug-in with the same result as natively"
else
  fail "the sample from the installed plug-in differs from the native run:"
  diff "$out/sample.native.json" "$out/sample.wine.json" | head -n 20
fi

snapshot >"$out/installed.txt"
run_setup "cenyzak-$version-setup.exe" /S "/D=$program"
expect_status "the same again" 3 && { snapshot | cmp -s - "$out/installed.txt" &&
  ok "the same version again: exit 3, nothing to do, nothing changed" ||
  fail "the same version again changed something"; }

printf 'X' | dd of="$plugin" bs=1 seek=600 conv=notrunc status=none
run_setup "cenyzak-$version-setup.exe" /S "/D=$program"
expect_status "repair" 0 && { same_file "$plugin" "$win/cenyzak.dll" &&
  ok "a damaged installed file: exit 0, repaired to the package's bytes" ||
  fail "a damaged installed file was not repaired"; }

# --- update, roll back, downgrade ---------------------------------------------------------------
fresh ""
run_setup "cenyzak-$older_version-setup.exe" /S "/D=$program"
expect_status "install $older_version" 0
run_setup "cenyzak-$version-setup.exe" /S "/D=$program"
kept=$state/kopie/cenyzak-$older_version.dll
if expect_status "update" 0; then
  if same_file "$plugin" "$win/cenyzak.dll" && same_file "$kept" "$older/cenyzak.dll" &&
    [ -z "$(cd "$prog" && find . -type f ! -name VORDAN.dll ! -name hostsim.exe ! -path ./Wtyczki/cenyzak.dll ! -path './cenyzak/*')" ] &&
    record_has PoprzedniaWersja "$older_version"; then
    ok "update from $older_version: exit 0, the old file kept as cenyzak\\kopie\\$(basename "$kept"), nothing else in the program's folder"
  else
    fail "update from $older_version: the new file, the kept old one or the program's folder is wrong"
    find "$prog" | sed "s|$drive|C:|"
  fi
fi
run_setup "cenyzak-$version-setup.exe" /S /WROC
if expect_status "rollback" 0; then
  if same_file "$plugin" "$older/cenyzak.dll" && same_file "$state/kopie/cenyzak-$version.dll" "$win/cenyzak.dll" &&
    entry_values | grep -q "^\"DisplayVersion\"=\"$older_version\"$"; then
    ok "/WROC: $older_version's bytes back in Wtyczki, $version kept, the entry says $older_version"
  else
    fail "/WROC: not $older_version's bytes, or $version not kept, or the entry not updated"
  fi
fi
run_setup "cenyzak-$older_version-setup.exe" /S /WROC
expect_status "rollback again" 0 && { same_file "$plugin" "$win/cenyzak.dll" &&
  ok "/WROC again (by the older setup, without the newer package): $version back" ||
  fail "/WROC again did not bring $version back"; }

snapshot >"$out/newer.txt"
run_setup "cenyzak-$older_version-setup.exe" /S "/D=$program"
expect_status "downgrade without /STARSZA" 6 && { snapshot | cmp -s - "$out/newer.txt" &&
  ok "$older_version over $version without /STARSZA: exit 6, nothing changed" ||
  fail "a refused downgrade changed something"; }
run_setup "cenyzak-$older_version-setup.exe" /S /STARSZA "/D=$program"
expect_status "downgrade with /STARSZA" 0 && { same_file "$plugin" "$older/cenyzak.dll" &&
  same_file "$state/kopie/cenyzak-$version.dll" "$win/cenyzak.dll" &&
  ok "$older_version over $version with /STARSZA: exit 0, $version kept" ||
  fail "the downgrade with /STARSZA did not install $older_version or keep $version"; }

# --- the plug-in file in use --------------------------------------------------------------------
# hold-file.exe maps the installed plug-in as a running program does, until C:\instalki\stop.
rm -f "$kits/stop"
("${wine_env[@]}" wine 'C:\instalki\hold-file.exe' "$program\\Wtyczki\\cenyzak.dll" 'C:\instalki\stop' \
  >"$out/hold.txt" 2>/dev/null &)
for _ in $(seq 1 120); do grep -q gotowe "$out/hold.txt" 2>/dev/null && break; sleep 1; done
if ! grep -q gotowe "$out/hold.txt"; then
  fail "hold-file.exe did not take hold of the plug-in"
else
  snapshot_held >"$out/held.txt"
  # Each: label, setup, switches.
  while IFS='|' read -r label exe switches; do
    "${wine_env[@]}" timeout 300 wine cmd /c "C:\\instalki\\$exe $switches" >"$out/last.txt" 2>&1 </dev/null
    status=$?
    if expect_status "$label, file in use" 5 && snapshot_held | cmp -s - "$out/held.txt"; then
      ok "$label while the plug-in is held by another process: exit 5, nothing changed"
    elif [ "$status" -eq 5 ]; then
      fail "$label while the plug-in is held: exit 5, but something changed"
    fi
  done <<EOF
update to $version|cenyzak-$version-setup.exe|/S /D=$program
rollback|cenyzak-$version-setup.exe|/S /WROC
uninstall|cenyzak-$version-setup.exe|/S /ODINSTALUJ
EOF
  if tr -d '\r' <"$log" | grep -q 'tasklist /m cenyzak.dll'; then
    ok "the log says how to find who has the plug-in open"
  else
    fail "the log does not say how to find who has the plug-in open"
  fi
fi
touch "$kits/stop"
"${wine_env[@]}" wineserver -w

# --- refusals that change nothing ---------------------------------------------------------------
# Each: label, service to clear ("" none), what to place, switches, expected status, a log line.
while IFS='|' read -r label clear place switches want says; do
  fresh "$clear"
  case $place in
    copy) cp "$win/cenyzak.dll" "$prog/cenyzak-stara.dll" ;;
  esac
  snapshot >"$out/refusal.txt"
  run_setup "cenyzak-$version-setup.exe" $switches
  if expect_status "$label" "$want"; then
    if ! snapshot | cmp -s - "$out/refusal.txt"; then
      fail "$label: exit $want, but something changed"
    elif ! tr -d '\r' <"$log" | grep -q -- "$says"; then
      fail "$label: exit $want, but the log does not say \"$says\""
    else
      ok "$label: exit $want, nothing changed, the log says why"
    fi
  fi
done <<EOF
a host module without service 52412|52412||/S /D=$program|4|wtyczka nie zadziała w tym programie (cenyzak-sprawdz: no_prices)
a host module without service 52224 alone|52224||/S /D=$program|4|wtyczka zadziała tylko wtedy, gdy użytkownik przy każdym starcie programu wybierze „Ignoruj”
no host module in the folder|||/S /D=C:\\instalki|4|nie ma modułu programu VORDAN.dll
the plug-in folder given|||/S /D=$program\\Wtyczki|4|to folder wtyczek, a nie folder programu
a second copy of the plug-in in the program's folder||copy|/S /D=$program|4|cenyzak-stara.dll
an unknown switch|||/S /CICHO /D=$program|7|Nieznany przełącznik „/CICHO”
/USUN_KOPIE without /ODINSTALUJ|||/S /USUN_KOPIE /D=$program|7|/USUN_KOPIE działa tylko z /ODINSTALUJ
EOF

# The plug-in works there after „Ignoruj” at each start: /MIMO installs it, and says so.
fresh 52224
run_setup "cenyzak-$version-setup.exe" /S /MIMO "/D=$program"
expect_status "/MIMO without service 52224" 0 && { same_file "$plugin" "$win/cenyzak.dll" &&
  tr -d '\r' <"$log" | grep -q 'kod wyjścia 1 (ignore_each_start); instalacja mimo to' &&
  ok "a host module without service 52224, with /MIMO: exit 0, installed, the log names the verdict row" ||
  fail "/MIMO on a host module without 52224 did not install, or the log does not name the row"; }

# --- uninstall ----------------------------------------------------------------------------------
# By the setup, with the kept copies.
fresh ""
snapshot >"$out/before.txt"
run_setup "cenyzak-$older_version-setup.exe" /S "/D=$program"
run_setup "cenyzak-$version-setup.exe" /S "/D=$program"
run_setup "cenyzak-$version-setup.exe" /S /ODINSTALUJ /USUN_KOPIE
if expect_status "uninstall" 0; then
  if snapshot | cmp -s - "$out/before.txt"; then
    ok "/ODINSTALUJ /USUN_KOPIE: exit 0, the program's folder as before the first installation (no cenyzak\\ in it), no entry"
  else
    fail "/ODINSTALUJ /USUN_KOPIE left something behind:"
    diff "$out/before.txt" <(snapshot) | head -n 20
  fi
fi
# By the uninstaller the entry names, silently, as a deployment tool runs it: its
# QuietUninstallString, read from the registry while nothing else runs. It must end when the work
# ends and return the real exit code: first with the plug-in held by another process (5, nothing
# changed), then free (0, and at its return the plug-in and the entry are already gone).
run_setup "cenyzak-$older_version-setup.exe" /S "/D=$program"
run_setup "cenyzak-$version-setup.exe" /S "/D=$program"
# (system.reg writes a character past ASCII as \x and its code, four hex digits when one follows.)
quiet=$(entry_values | sed -n 's/^"QuietUninstallString"="\(.*\)"$/\1/p' | sed 's/\\"/"/g; s/\\\\/\\/g' |
  perl -CO -pe 's/\\x([0-9a-f]{1,4})/chr(hex($1))/ge')
# As a deployment tool runs it: the string as it stands, quotes and all, for a command line. Given
# to cmd through a variable, so that neither Wine nor cmd re-quotes the path with its blanks.
run_quiet() {
  Q=$quiet "${wine_env[@]}" timeout 300 wine cmd /c '%Q%' >"$out/last.txt" 2>&1 </dev/null
  status=$?
}
rm -f "$kits/stop"
("${wine_env[@]}" wine 'C:\instalki\hold-file.exe' "$program\\Wtyczki\\cenyzak.dll" 'C:\instalki\stop' \
  >"$out/hold-quiet.txt" 2>/dev/null &)
for _ in $(seq 1 120); do grep -q gotowe "$out/hold-quiet.txt" 2>/dev/null && break; sleep 1; done
snapshot_held >"$out/held.txt"
run_quiet
if grep -q gotowe "$out/hold-quiet.txt" && expect_status "the entry's quiet uninstall, plug-in held" 5 &&
  snapshot_held | cmp -s - "$out/held.txt"; then
  ok "the uninstaller from the entry ($quiet), plug-in held: waits, returns 5, nothing changed"
elif [ "$status" -eq 5 ]; then
  fail "the uninstaller from the entry, plug-in held: exit 5, but something changed"
fi
touch "$kits/stop"
"${wine_env[@]}" wineserver -w
run_quiet
# Checked at its return, before waiting for Wine to end: nothing may go on in the background.
# Running, it cannot delete itself: Windows lets it rename itself to odinstaluj.exe.usun, Wine
# not even that, and then the log says that it stays. The kept copies stay in cenyzak\kopie, with
# the folder's log; the rest of the program's folder is as before the first installation.
gone=no
[ ! -e "$plugin" ] && gone=yes
[ -e "$state/odinstaluj.exe" ] && ! tr -d '\r' <"$log" | grep -q 'odinstaluj.exe” zostaje' && gone=no
if expect_status "the entry's quiet uninstall" 0 && [ $gone = yes ] && [ -z "$(entry_values)" ] &&
  same_file "$state/kopie/cenyzak-$older_version.dll" "$older/cenyzak.dll" && [ ! -e "$state/instalacja.ini" ] &&
  diff <(sed -n "/^# ${prog//\//\\/}$/,/^# /p" "$out/before.txt") \
    <(snapshot | sed -n "/^# ${prog//\//\\/}$/,/^# /p" | grep -v '\./cenyzak') >/dev/null; then
  ok "the uninstaller from the entry ($quiet): exit 0 at its end, no record, no entry, the kept copy stays, the rest of the folder as before"
else
  fail "the uninstaller from the entry ($quiet): exit $status, plug-in gone at its return (and odinstaluj.exe gone or said to stay): $gone; or the folder, the entry or the kept copy wrong"
  snapshot | head -n 30
fi
# Its log starts with its own name and switches, without the "_?=" it runs with.
first=$(tr -d '\r' <"$log" | grep '^=== ' | tail -n 1)
if grep -qF "$program\\cenyzak\\odinstaluj.exe\" /S" <<<"$first" && ! grep -q '_?=' <<<"$first"; then
  ok "the uninstaller's log line names odinstaluj.exe and its switches"
else
  fail "the uninstaller's log line names another command: $first"
fi
# The next installation writes the uninstaller anew and removes what the last one left.
run_setup "cenyzak-$version-setup.exe" /S "/D=$program"
if expect_status "install after the quiet uninstall" 0 && [ -f "$state/odinstaluj.exe" ] &&
  [ ! -e "$state/odinstaluj.exe.usun" ]; then
  ok "install after the quiet uninstall: odinstaluj.exe written, nothing of the last one left"
else
  fail "install after the quiet uninstall: odinstaluj.exe missing or odinstaluj.exe.usun left"
fi

# --- no /D: the default folder is Program Files (x86)\Vordan ------------------------------------
fresh "" "$drive/Program Files (x86)/Vordan"
run_setup "cenyzak-$version-setup.exe" /S
expect_status "the default folder" 0 &&
  { same_file "$drive/Program Files (x86)/Vordan/Wtyczki/cenyzak.dll" "$win/cenyzak.dll" &&
    [ ! -e "$drive/Program Files/Vordan" ] &&
    ok "no /D: installed in C:\\Program Files (x86)\\Vordan, as a 32-bit setup on 64-bit Windows" ||
    fail "no /D: not installed in C:\\Program Files (x86)\\Vordan"; }
rm -rf "$drive/Program Files (x86)/Vordan"

# --- a folder given is the folder acted on --------------------------------------------------------
# An earlier installation (the older version) in the program's folder: a /D= the setup cannot act
# on must stop it, not update that folder or install into the default one. Each: label, switches,
# expected status, what the log must say (the folder as given).
fresh ""
rm -rf "$drive/p"
run_setup "cenyzak-$older_version-setup.exe" /S "/D=$program"
snapshot >"$out/given.txt"
while IFS='|' read -r label switches want says; do
  run_setup "cenyzak-$version-setup.exe" $switches
  if expect_status "$label" "$want"; then
    run=$(tr -d '\r' <"$log" | awk '/^=== /{run = ""} {run = run $0 "\n"} END {printf "%s", run}')
    if ! snapshot | cmp -s - "$out/given.txt" || [ -e "$drive/Program Files (x86)/Vordan" ]; then
      fail "$label: exit $want, but something changed"
    elif ! grep -qF -- "$says" <<<"$run"; then
      fail "$label: exit $want, but the log does not say \"$says\""
    elif ! head -n 1 <<<"$run" | grep -qF -- "${switches#/S }"; then
      fail "$label: the run's first log line does not show the command line ($switches)"
    else
      ok "$label: exit $want, nothing changed, the log names the folder as given"
    fi
  fi
done <<EOF2
/D= on a drive that does not exist|/S /D=Q:\\Vordan|4|„Q:\\Vordan”
/D= a relative path|/S /D=Vordan|4|„Vordan” nie jest pełną ścieżką
/D= the host module's file, not its folder|/S /D=$program\\VORDAN.dll|4|„$program\\VORDAN.dll”
/D= empty|/S /D=|7|/D=
/D= an unreachable share|/S /D=\\\\serwer\\udzial\\Vordan|4|„\\\\serwer\\udzial\\Vordan”
/S after /D= (no window, a switch error)|/D=$program /S|7|„$program /S”
/D= with /WROC naming another folder|/S /WROC /D=C:\\instalki|3|„C:\\instalki”
/D= with /ODINSTALUJ naming another folder|/S /ODINSTALUJ /D=C:\\instalki|3|„C:\\instalki”
/MIMO with /WROC|/S /WROC /MIMO|7|/MIMO
/STARSZA with /ODINSTALUJ|/S /ODINSTALUJ /STARSZA|7|/STARSZA
EOF2
# /s in lower case: silent as /S (the update is done, no window waits for anybody).
run_setup "cenyzak-$version-setup.exe" /s "/D=$program"
expect_status "/s in lower case" 0 && { same_file "$plugin" "$win/cenyzak.dll" &&
  ok "/s in lower case: silent, exit 0, updated" || fail "/s in lower case: not updated"; }

# Without /S and without a desktop to show the windows on: a clear code and an end in the log.
"${wine_env[@]}" env -u DISPLAY timeout 300 wine cmd /c "C:\\instalki\\cenyzak-$version-setup.exe /D=$program" \
  >"$out/last.txt" 2>&1 </dev/null
status=$?
"${wine_env[@]}" wineserver -w
expect_status "no /S and no desktop" 2 && ok "no /S and no desktop: exit 2, the log ends with the code"

# --- a program folder too long for the plug-in ---------------------------------------------------
# The plug-in names its own file in at most 299 characters, Windows its files in 259: the setup
# refuses a folder in which its longest file (a kept copy being written in cenyzak\kopie) would
# not fit, before it creates anything.
for n in 210 211 299; do
  long='C:\p'
  while [ ${#long} -lt $((n - 60)) ]; do long+='\'$(printf 'd%.0s' $(seq 1 50)); done
  long+='\'$(printf 'V%.0s' $(seq 1 $((n - ${#long} - 1))))
  fresh "" "$(unix_path "$long")"
  run_setup "cenyzak-$version-setup.exe" /S "/D=$long"
  if [ "$n" -le 210 ]; then
    expect_status "a program folder of $n characters" 0 && ok "a program folder of $n characters: installed"
  elif expect_status "a program folder of $n characters" 4; then
    if [ -e "$(unix_path "$long")/Wtyczki" ]; then
      fail "a program folder of $n characters: refused, but Wtyczki was made"
    else
      ok "a program folder of $n characters: exit 4 before anything was made"
    fi
  fi
  rm -rf "$drive/p"
done

# --- interrupted at the rename, finished by the next run ------------------------------------------
# tests/cenyzak-setup/interrupt/at_rename_win32.cpp runs the setup under a small debugger and ends it
# (TerminateProcess, as kill -9 or a power cut) as soon as the rename over the plug-in returns.
at_rename() { # mode, setup, switches
  local mode=$1 exe=$2
  shift 2
  "${wine_env[@]}" timeout 300 wine 'C:\instalki\at-rename.exe' "$mode" "C:\\instalki\\$exe $*" \
    >"$out/at-rename.txt" 2>&1 </dev/null
  status=$?
  "${wine_env[@]}" wineserver -w
  tr -d '\r' <"$out/at-rename.txt"
}
temp_copies() {
  # The folders themselves, not a -path pattern: the clone's own path may hold /tmp/ or /Temp/.
  { find "$drive"/users/*/Temp -type f; find "$pcstate/tmp" -type f; } 2>/dev/null |
    grep -e '/cenyzak[^/]*\.dll$' -e '/cenyzak-sprawdz\.exe$'
}
entry_has() { entry_values | grep -q "^\"$1\"=\"$2\"$"; }
# The record and the entry say the same version.
says_version() { record_has Wersja "$1" && entry_has DisplayVersion "$1"; }
fresh ""
# What earlier runs in this prefix left in its temporary folder is not this case's.
rm -rf "$drive/users"/*/Temp/ns*.tmp
run_setup "cenyzak-$older_version-setup.exe" /S "/D=$program"
at_rename kill "cenyzak-$version-setup.exe" /S "/D=$program" >"$out/kill.txt"
if ! grep -q 'zabity po zamianie' "$out/kill.txt" || ! same_file "$plugin" "$win/cenyzak.dll" ||
  ! says_version "$older_version"; then
  fail "the update killed at the rename did not leave the new file under the old record:"$'\n'"$(cat "$out/kill.txt")"
else
  run_setup "cenyzak-$version-setup.exe" /S "/D=$program"
  if expect_status "the update again after a kill at the rename" 0; then
    if says_version "$version" && record_has PoprzedniaWersja "$older_version" &&
      record_has SHA256 "$(sha256sum <"$win/cenyzak.dll" | cut -c1-64)"; then
      ok "an update killed at the rename: the next run finishes the record and the entry (exit 0, $version, previous $older_version)"
    else
      fail "an update killed at the rename: the record was not finished:"$'\n'"$(cat "$state/instalacja.ini"; entry_values)"
    fi
  fi
  if [ -z "$(temp_copies)" ]; then
    ok "a killed run and the next one leave no copy of the plug-in or the tool in a temporary folder"
  else
    fail "copies left in temporary folders:"$'\n'"$(temp_copies)"
  fi
  run_setup "cenyzak-$version-setup.exe" /S /WROC
  expect_status "/WROC after the finished update" 0 && { same_file "$plugin" "$older/cenyzak.dll" &&
    ok "then /WROC: $older_version back from the copy kept before the rename" ||
    fail "/WROC after the finished update did not bring $older_version back"; }
fi
# /WROC from $version to $older_version, killed after its rename: a state of its own.
fresh ""
run_setup "cenyzak-$older_version-setup.exe" /S "/D=$program"
run_setup "cenyzak-$version-setup.exe" /S "/D=$program"
at_rename kill "cenyzak-$version-setup.exe" /S /WROC >"$out/kill.txt"
if ! grep -q 'zabity po zamianie' "$out/kill.txt" || ! same_file "$plugin" "$older/cenyzak.dll" ||
  ! says_version "$version"; then
  fail "/WROC killed at the rename did not leave $older_version under the record for $version:"$'\n'"$(cat "$out/kill.txt")"
else
  run_setup "cenyzak-$version-setup.exe" /S /WROC
  expect_status "/WROC after a killed /WROC" 0 &&
    { same_file "$plugin" "$older/cenyzak.dll" && says_version "$older_version" &&
      record_has PoprzedniaWersja "$version" &&
      ok "/WROC killed at the rename: the next /WROC finishes it ($older_version, previous $version)" ||
      fail "/WROC killed at the rename: not finished:"$'\n'"$(cat "$state/instalacja.ini"; entry_values)"; }
  run_setup "cenyzak-$version-setup.exe" /S /WROC "/D=$program"
  expect_status "/WROC /D= after that" 0 && { same_file "$plugin" "$win/cenyzak.dll" &&
    ok "then /WROC /D=(the installed folder): $version again" ||
    fail "$version cannot be reached again after an interrupted /WROC"; }
fi

# --- the new file held by a scanner ----------------------------------------------------------------
# at-rename.exe opens cenyzak.dll.nowa just before the rename, denying delete, as a scanner does.
fresh ""
run_setup "cenyzak-$older_version-setup.exe" /S "/D=$program"
at_rename hold=2500 "cenyzak-$version-setup.exe" /S "/D=$program" >"$out/hold-nowa.txt"
if grep -q '^kod 0$' "$out/hold-nowa.txt" && same_file "$plugin" "$win/cenyzak.dll" && [ ! -e "$plugin.nowa" ]; then
  ok "the new file held for 2.5 s by another program: the setup waits, installs, leaves nothing"
else
  fail "the new file held for 2.5 s:"$'\n'"$(cat "$out/hold-nowa.txt")"$'\n'"$(ls -la "$prog/Wtyczki")"
fi
fresh ""
run_setup "cenyzak-$older_version-setup.exe" /S "/D=$program"
# The program's folder and the entry (the old version, kept before the rename, may stay kept).
{ files_of "$prog" all | grep -v '\./cenyzak/kopie'; entry_values; } >"$out/scanner.txt"
at_rename hold "cenyzak-$version-setup.exe" /S "/D=$program" >"$out/hold-nowa.txt"
tail4=$(tr -d '\r' <"$log" | tail -n 4)
if grep -q '^kod 2$' "$out/hold-nowa.txt" && same_file "$plugin" "$older/cenyzak.dll" &&
  grep -q 'nie program wtyczki' <<<"$tail4" && grep -qF 'cenyzak.dll.nowa' <<<"$tail4" && [ -e "$plugin.nowa" ] &&
  diff <({ files_of "$prog" all | grep -v '\./cenyzak/kopie'; entry_values; } | grep -v 'cenyzak\.dll\.nowa') \
    <(grep -v 'cenyzak\.dll\.nowa' "$out/scanner.txt") >/dev/null; then
  run_setup "cenyzak-$version-setup.exe" /S "/D=$program"
  expect_status "the update after the held .nowa" 0 && { [ ! -e "$plugin.nowa" ] &&
    ok "the new file held to the end: exit 2, the log says it is not the program and names the .nowa left; the next run removes it" ||
    fail "the next run left the .nowa"; }
else
  fail "the new file held to the end:"$'\n'"$(cat "$out/hold-nowa.txt")"$'\n'"$tail4"$'\n'"$(ls -la "$prog/Wtyczki")"
fi

# --- two program folders on one PC ---------------------------------------------------------------
# A terminal server with two companies: each folder has its own installation, record and entry.
other='C:\Program Files (x86)\Vordan B'
other_dir=$(unix_path "$other")
both() { snapshot; files_of "$other_dir" all; }
rm -rf "$other_dir"
fresh ""
mkdir -p "$other_dir"
cp "$win/VORDAN.dll" "$win/hostsim.exe" "$other_dir/"
run_setup "cenyzak-$older_version-setup.exe" /S "/D=$program"
run_setup "cenyzak-$version-setup.exe" /S "/D=$program"
run_setup "cenyzak-$version-setup.exe" /S "/D=$other"
if expect_status "a second program folder on the PC" 0; then
  entries=$(entry_values)
  if same_file "$plugin" "$win/cenyzak.dll" && same_file "$other_dir/Wtyczki/cenyzak.dll" "$win/cenyzak.dll" &&
    [ "$(grep -c '^\[' <<<"$entries")" -eq 2 ] && [ "$(grep -c '^"InstallLocation"=.*\\Vordan"$' <<<"$entries")" -eq 1 ] &&
    grep -qF '"InstallLocation"="C:\\Program Files (x86)\\Vordan B"' <<<"$entries" &&
    record_has Wersja "$version" "$other_dir/cenyzak" && record_has PoprzedniaWersja "$older_version"; then
    ok "two program folders on one PC: both installed, each with its record and an entry of its own"
  else
    fail "two program folders on one PC: not both installed, or not two entries:"$'\n'"$entries"
  fi
fi
both >"$out/two.txt"
run_setup "cenyzak-$version-setup.exe" /S /WROC
expect_status "/WROC without /D= on a PC with two" 7 && { both | cmp -s - "$out/two.txt" &&
  tr -d '\r' <"$log" | tail -n 3 | grep -F "„$program”" | grep -qF "„$other”" &&
  ok "/WROC without /D= on a PC with two installations: exit 7, both folders named, nothing changed" ||
  fail "/WROC without /D= on a PC with two: something changed, or the log does not name both folders"; }
run_setup "cenyzak-$version-setup.exe" /S /WROC "/D=$program"
expect_status "/WROC /D= one of two" 0 && { same_file "$plugin" "$older/cenyzak.dll" &&
  same_file "$other_dir/Wtyczki/cenyzak.dll" "$win/cenyzak.dll" &&
  ok "/WROC /D=(one of two): that folder back to $older_version, the other untouched" ||
  fail "/WROC /D=(one of two) did not act on that folder alone"; }
run_setup "cenyzak-$version-setup.exe" /S /ODINSTALUJ "/D=$other"
if expect_status "/ODINSTALUJ /D= one of two" 0; then
  entries=$(entry_values)
  if [ ! -e "$other_dir/Wtyczki" ] && same_file "$plugin" "$older/cenyzak.dll" &&
    [ "$(grep -c '^\[' <<<"$entries")" -eq 1 ] && grep -q '^"InstallLocation"=.*\\Vordan"$' <<<"$entries"; then
    ok "/ODINSTALUJ /D=(one of two): its plug-in and entry gone, the other folder and its entry stay"
  else
    fail "/ODINSTALUJ /D=(one of two) took too much or too little:"$'\n'"$entries"
  fi
fi
run_setup "cenyzak-$version-setup.exe" /S /ODINSTALUJ
expect_status "/ODINSTALUJ with one left" 0 && { [ ! -e "$plugin" ] && [ -z "$(entry_values)" ] &&
  ok "then /ODINSTALUJ without /D=: the one left uninstalled, no entry" ||
  fail "/ODINSTALUJ without /D= did not uninstall the one left"; }
rm -rf "$other_dir"

# --- one program folder, two workstations ---------------------------------------------------------
# The second workstation is the 32-bit prefix: a registry, a %ProgramData% and a Wine server of its
# own; it opens the program's folder as drive S:, as a mapped share. (Two Wine servers do not share
# open files' locks, so runs at the same time from both are not modelled here; the lock is held
# between two paths to one folder in wine-setup-windows.sh.)
b_drive=$prefix32/drive_c
b_log=$b_drive/ProgramData/cenyzak/instalacja.log
b_program='S:\Vordan'
run_b() { # setup, switches
  local exe=$1
  shift
  "${wine_env[@]}" WINEPREFIX="$prefix32" WINEARCH=win32 timeout 300 wine cmd /c "C:\\instalki\\$exe $*" \
    >"$out/last.txt" 2>&1 </dev/null
  status=$?
  "${wine_env[@]}" WINEPREFIX="$prefix32" WINEARCH=win32 wineserver -w
}
fresh ""
drop_entries "$prefix32"
rm -rf "$b_drive/ProgramData/cenyzak" "$b_drive/instalki"
mkdir -p "$b_drive/instalki"
cp "$kits/cenyzak-$version-setup.exe" "$kits/cenyzak-$older_version-setup.exe" "$b_drive/instalki/"
ln -sfn "$(dirname "$prog")" "$prefix32/dosdevices/s:"
run_setup "cenyzak-$older_version-setup.exe" /S "/D=$program"
expect_status "workstation A installs $older_version" 0
run_b "cenyzak-$version-setup.exe" /S "/D=$b_program"
if log=$b_log expect_status "workstation B updates the shared folder" 0; then
  if same_file "$plugin" "$win/cenyzak.dll" && same_file "$state/kopie/cenyzak-$older_version.dll" "$older/cenyzak.dll" &&
    record_has PoprzedniaWersja "$older_version" && entry_values "$prefix32" | grep -qF '"InstallLocation"="S:\\Vordan"' &&
    tr -d '\r' <"$flog" | grep -qF "/D=$b_program"; then
    ok "workstation B updates the folder A installed: $older_version kept in its cenyzak\\kopie, B's own entry, the run in the folder's log"
  else
    fail "workstation B's update:"$'\n'"$(entry_values "$prefix32")"$'\n'"$(ls -la "$state" "$state/kopie" 2>&1)"
  fi
fi
run_b "cenyzak-$version-setup.exe" /S /WROC "/D=$b_program"
log=$b_log expect_status "workstation B rolls back" 0 && { same_file "$plugin" "$older/cenyzak.dll" &&
  ok "workstation B: /WROC /D=S:\\Vordan gives back $older_version" || fail "workstation B's /WROC did not give back $older_version"; }
run_setup "cenyzak-$version-setup.exe" /S /WROC
expect_status "workstation A rolls back again" 0 && { same_file "$plugin" "$win/cenyzak.dll" &&
  entry_has DisplayVersion "$version" &&
  ok "workstation A: /WROC (its entry names the folder) brings $version back, from the copy B kept" ||
  fail "workstation A's /WROC did not bring $version back"; }
# B's entry still says what B did last; B's next run, whatever it is, brings it up to date.
run_b "cenyzak-$version-setup.exe" /S /WROC '/D=Q:\nic'
log=$b_log expect_status "workstation B, a run on another folder" 3 &&
  { entry_values "$prefix32" | grep -qx "\"DisplayVersion\"=\"$version\"" &&
    ok "workstation B's next run brings its entry's version up to date ($version)" ||
    fail "workstation B's entry does not say $version:"$'\n'"$(entry_values "$prefix32")"; }
# Uninstalled from B: B's entry goes with it; A's entry goes at A's next run, which finds nothing.
run_b "cenyzak-$version-setup.exe" /S /ODINSTALUJ "/D=$b_program"
log=$b_log expect_status "workstation B uninstalls" 0 && { [ ! -e "$plugin" ] && [ -z "$(entry_values "$prefix32")" ] &&
  ok "workstation B uninstalls the folder A installed: the plug-in and B's entry gone" ||
  fail "workstation B's uninstall left the plug-in or B's entry"; }
run_setup "cenyzak-$version-setup.exe" /S /ODINSTALUJ
expect_status "workstation A after the uninstall" 3 && { [ -z "$(entry_values)" ] &&
  tr -d '\r' <"$log" | grep -q 'odinstalowano ją z innego komputera' &&
  ok "workstation A after B's uninstall: exit 3, nothing installed, and A's entry for the folder is gone" ||
  fail "workstation A still lists the uninstalled folder:"$'\n'"$(entry_values)"; }
rm -f "$prefix32/dosdevices/s:"
rm -rf "$b_drive/instalki"
drop_entries "$prefix32"

# --- the earlier setups' layout --------------------------------------------------------------------
# One entry "cenyzak" per PC with the record in it, the kept copies and the uninstaller in
# %ProgramData%\cenyzak: the first run on that folder (here /WROC) moves it all beside the program
# and then rolls back from the copy it moved.
fresh ""
mkdir -p "$prog/Wtyczki" "$pcstate/kopie"
cp "$win/cenyzak.dll" "$plugin"
cp "$older/cenyzak.dll" "$pcstate/kopie/cenyzak-$older_version.dll"
cp "$win/cenyzak-setup.exe" "$pcstate/odinstaluj.exe"
old_key='HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\cenyzak'
while IFS='|' read -r value type data; do
  "${wine_env[@]}" wine reg add "$old_key" /v "$value" /t "$type" /d "$data" /f >/dev/null 2>&1
done <<EOF
DisplayName|REG_SZ|cenyzak
DisplayVersion|REG_SZ|$version
InstallLocation|REG_SZ|$program
UninstallString|REG_SZ|C:\\ProgramData\\cenyzak\\odinstaluj.exe
SHA256|REG_SZ|$(sha256sum <"$win/cenyzak.dll" | cut -c1-64)
PoprzedniaWersja|REG_SZ|$older_version
UtworzonoWtyczki|REG_DWORD|1
EOF
"${wine_env[@]}" wineserver -w
run_setup "cenyzak-$version-setup.exe" /S /WROC
if expect_status "/WROC on the earlier setups' layout" 0; then
  entries=$(entry_values)
  if same_file "$plugin" "$older/cenyzak.dll" && same_file "$state/kopie/cenyzak-$version.dll" "$win/cenyzak.dll" &&
    record_has Wersja "$older_version" && record_has PoprzedniaWersja "$version" && record_has UtworzonoWtyczki 1 &&
    [ ! -e "$pcstate/kopie" ] && [ ! -e "$pcstate/odinstaluj.exe" ] && [ -f "$state/odinstaluj.exe" ] &&
    ! grep -q 'Uninstall\\\\cenyzak\]' <<<"$entries" && grep -q 'Uninstall\\\\cenyzak-' <<<"$entries" &&
    tr -d '\r' <"$log" | grep -q 'Przeniesiono zapis instalacji'; then
    ok "the earlier setups' layout taken over: copies, record and uninstaller moved to cenyzak\\, the entry replaced; /WROC then works"
  else
    fail "the earlier setups' layout was not taken over as it should:"$'\n'"$entries"$'\n'"$(find "$state" "$pcstate" 2>&1)"
  fi
fi
run_setup "cenyzak-$version-setup.exe" /S /ODINSTALUJ /USUN_KOPIE
expect_status "uninstall after the take-over" 0 && { [ ! -e "$prog/Wtyczki" ] && [ ! -e "$state" ] &&
  [ -z "$(entry_values)" ] && ok "then /ODINSTALUJ /USUN_KOPIE: Wtyczki (the earlier setup made it) and cenyzak\\ gone, no entry" ||
  fail "the uninstall after the take-over left something:"$'\n'"$(find "$prog")"; }

# --- a plug-in copied by hand before the first installation ---------------------------------------
# The setup updates it (keeping it among the copies); the uninstall removes the plug-in and leaves
# Wtyczki, which was there before, and says so.
fresh ""
mkdir -p "$prog/Wtyczki"
cp "$older/cenyzak.dll" "$plugin"
run_setup "cenyzak-$version-setup.exe" /S "/D=$program"
run_setup "cenyzak-$version-setup.exe" /S /ODINSTALUJ
if expect_status "uninstall after a hand-copied plug-in was updated" 0; then
  if [ -d "$prog/Wtyczki" ] && [ -z "$(ls -A "$prog/Wtyczki")" ] &&
    same_file "$state/kopie/cenyzak-$older_version.dll" "$older/cenyzak.dll" &&
    tr -d '\r' <"$log" | tail -n 5 | grep -q 'Wtyczki” istniał przed pierwszą instalacją'; then
    ok "a hand-copied plug-in updated, then uninstalled: Wtyczki stays (empty), the hand-copied one kept, as the guide says"
  else
    fail "a hand-copied plug-in updated, then uninstalled: Wtyczki, the kept copy or the log not as the guide says"
  fi
fi

# --- /WROC after the plug-in was deleted by hand ---------------------------------------------------
fresh ""
run_setup "cenyzak-$older_version-setup.exe" /S "/D=$program"
run_setup "cenyzak-$version-setup.exe" /S "/D=$program"
rm -f "$plugin"
run_setup "cenyzak-$version-setup.exe" /S /WROC
if expect_status "/WROC with the plug-in deleted" 0; then
  run=$(tr -d '\r' <"$log" | awk '/^=== /{run = ""} {run = run $0 "\n"} END {printf "%s", run}')
  if same_file "$plugin" "$older/cenyzak.dll" && ! entry_values | grep -q nieznana &&
    ! grep -q -e nieznana -e '„”' -e ' w  ' -e ' w $' <<<"$run"; then
    ok "/WROC with the plug-in deleted by hand: $older_version back, no unknown version nor empty path"
  else
    fail "/WROC with the plug-in deleted by hand:"$'\n'"$(entry_values)"$'\n'"$run"
  fi
fi

# --- the signed setup ---------------------------------------------------------------------------
if [ -f "$kits/cenyzak-$version-setup-podpisany.exe" ]; then
  fresh ""
  run_setup "cenyzak-$version-setup-podpisany.exe" /S "/D=$program"
  expect_status "signed setup" 0 && { same_file "$plugin" "$win/cenyzak.dll" &&
    ok "the signed setup passes its integrity check and installs" ||
    fail "the signed setup did not install the build's DLL"; }
else
  fail "no signed setup of this build in build/signed/ (scripts/sign-test.sh makes it)"
fi

# The last log, for a look after the run (the prefix is gone with the guest).
cp "$log" "$out/" 2>/dev/null
echo "wine-setup: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
