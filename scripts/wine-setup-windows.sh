#!/usr/bin/env bash
# The setup program and its uninstaller with their windows, under Wine in the 64-bit prefix and an
# X server (Xvfb), worked as an integrator works them: drive.exe (tests/cenyzak-setup/drive/) waits
# for each page, reads every control of it, types the folder, ticks boxes and presses buttons.
# Each case checks page by page what the windows say, and at the end the outcome: the exit code
# (against the log's last line), the program's folder, the kept copies, the uninstall entry.
#
# Cases: a first installation; the same again (nothing to do); two runs at once on one folder (a
# silent one by another path beside a windowed one: code 5, nothing changed; and the folder page
# left while a silent run works on the folder: it says so and stays); a repair; an update from the older
# build (0.9.0); the uninstaller's page choosing rollback, removal keeping the copies, removal with
# them; an older version over a newer one, answered No and Yes; /WROC and /ODINSTALUJ with windows;
# a refused check (a host module without 52412) with and without „Zainstaluj mimo to”; a module
# missing only 52224 (the plug-in works after „Ignoruj”); a VORDAN.dll that is not the host's
# module (nothing checked); a second copy of the plug-in in the program's folder, answered No and
# Yes. No page of any case may show a stock text that contradicts what the case does (e.g.
# „deinstalacja”, or „Zakończono instalację” after an uninstall).
#
# The same run takes the pictures the guide shows (docs/obrazy/NAME.png): the setup's folder page,
# check pages and busy-folder message, the uninstaller's choice page, and hostsim.exe's missing-entry box; beside each
# the window's texts (docs/obrazy/NAME.txt). A window whose texts are not the committed ones fails
# the run, so the guide's pictures cannot drift from the setup.
#
#   scripts/wine-setup-windows.sh            the cases (scripts/wine-checks.sh runs it)
#   scripts/wine-setup-windows.sh --update   the same, and writes the pictures and texts anew
#                                            (read the diff of the texts before committing)
#
# Every page's texts and pictures are left in build/wine-setup-windows/ for a look.
#
# A case is a list of steps (see the cases below), one a line, read by `steps`:
#   start EXE [SWITCHES]    the setup (a file in C:\instalki) or the uninstaller (a full path)
#   page NAME TEXT          waits for a window showing TEXT; its texts go to CASE-NAME.txt and
#                           must hold no phrase the case's mode forbids
#   says TEXT               the last page says TEXT (case-insensitive; the pre-flight report in
#                           its edit box is not counted)
#   type TEXT | click LABEL | check LABEL | uncheck LABEL
#                           as drive.exe; #1 is the setup's next button whatever its label,
#                           #2 its Cancel
#   picture NAME            the last page's window as the guide's picture NAME
#   beside STATUS EXE [SWITCHES]
#                           a silent run of the setup (a file in C:\instalki) while this one is
#                           up, ending with STATUS, and its log's last run with it
#   aside EXE [SWITCHES]    a silent update by the setup started in the background, held at its
#                           rename by at-rename.exe (which keeps its new file open, as a scanner
#                           does, so that the run waits there with the folder's lock); the step
#                           ends once that run holds the lock, the case's end waits for the run
#   end STATUS              the program ends with STATUS, and its log's last run with it
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
update=0
case ${1:-} in
  "") ;;
  --update) update=1 ;;
  *) echo "usage: wine-setup-windows.sh [--update]"; exit 2 ;;
esac
name=wine-setup-windows
win=$root/build/win32
older_version=0.9.0
older=$root/build/win32-older
out=$root/build/wine-setup-windows
pictures=$root/docs/obrazy
command -v Xvfb >/dev/null || { echo "$name: Xvfb is not installed"; exit 1; }
[ $update -eq 0 ] || command -v python3 >/dev/null ||
  { echo "$name: --update makes PNG files with python3, which is not here: run it where Wine runs natively"; exit 1; }
source scripts/wine-setup-common.sh

# A Wine server of this display: the one before it (without one) cannot show windows.
"${wine_env[@]}" wineserver -k 2>/dev/null
wine_display_start "$out" || { echo "$name: the X server (Xvfb) did not start"; exit 1; }
trap '"${wine_env[@]}" wineserver -k 2>/dev/null; wine_display_stop' EXIT
start_all=$SECONDS
# Windows has Courier New, which the check page's report is shown in; Wine has not: a monospaced
# font of the system in its place, so that the report's columns line up in the pictures as they do
# on Windows (without one, Wine's default stands in).
for view in 32 64; do
  "${wine_env[@]}" wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
    /v 'Courier New' /d 'DejaVu Sans Mono' /f /reg:$view >/dev/null 2>&1
done

# How long a step waits for its window: longer in the Wine guest, where Wine runs emulated. The
# first Wine program of a server sets up the session: a program that does nothing pays for it.
patience=120
[ -n "${CZ_GUEST_WINEPREFIX:-}" ] && patience=600
"${wine_env[@]}" timeout 600 wine cmd /c exit >/dev/null 2>&1 </dev/null
drive() { "${wine_env[@]}" timeout $((patience + 60)) wine 'C:\instalki\drive.exe' "$@" 2>"$out/drive.err" </dev/null; }

# Phrases no page may show in a mode: NSIS's stock texts that say something else than the setup
# does. One a line: the modes it is forbidden in (all, or some of install rollback uninstall),
# then the phrase (matched without regard to case).
forbidden='all|deinstal
all|Wybierz folder, w którym chcesz zainstalować
rollback uninstall|Zakończono instalację
rollback uninstall|Instalacja zakończona'

# Texts as they are kept: what differs from machine to machine (free space, temporary folders,
# SHA-256 sums) masked, controls without a text left out, and no space before a closing quote.
normal() {
  sed -E 's/(Dostępne miejsce: )[^"]*/\1…/; s/\\nsu[^\\]*\.tmp/\\…/g; s/\\ns[a-z][0-9a-f]+\.tmp/\\…/g;
    s/[0-9a-f]{64}/…/g; s/ +"( |$)/"\1/; /^  Edit /{s/\\n/\n    | /g; s/ +$//Mg}; /^  [^ ]+ -?[0-9]+ ""( \[wyłączony\])?$/d' "$1"
}

case_name="" mode="" page_file="" page_text="" pid="" exe_started="" aside_pid=""
bad() { fail "$case_name: $1"; }

# One step of a case; see the list at the top.
step() {
  local verb=$1
  shift
  case $verb in
    start)
      local exe=$1
      shift
      [[ $exe == *'\'* ]] || exe="C:\\instalki\\$exe"
      ("${wine_env[@]}" timeout 600 wine "$exe" "$@" >"$out/program.txt" 2>&1 </dev/null) &
      pid=$!
      ;;
    page)
      page_text=$2
      page_file=$out/$(tr -c 'A-Za-z0-9\n' - <<<"$case_name" | sed 's/^-*//')-$1.txt
      if ! drive wait "$page_text" $patience; then
        bad "no window showing „$page_text” (page $1):"$'\n'"$(cat "$out/drive.err")"
        return 1
      fi
      # The page's controls are made before the text that is waited for; a moment for the rest.
      sleep 0.5
      drive dump 'C:\instalki\page.txt' && tr -d '\r' <"$kits/page.txt" >"$page_file"
      local modes phrase
      while IFS='|' read -r modes phrase; do
        [[ " $modes " == *" all "* || " $modes " == *" $mode "* ]] || continue
        if grep -q -i -F -- "$phrase" "$page_file"; then
          bad "page $1 shows NSIS's stock „$phrase”, which is wrong for this case ($mode):"$'\n'"$(grep -i -F -- "$phrase" "$page_file")"
        fi
      done <<<"$forbidden"
      ;;
    says)
      grep -v '^  Edit ' "$page_file" | grep -q -i -F -- "$1" ||
        bad "page $(basename "$page_file" .txt) does not say „$1”; it shows:"$'\n'"$(grep -v '^  Edit ' "$page_file" | grep -v '""$')"
      ;;
    type | click | check | uncheck)
      drive "$verb" "$1" $patience || { bad "$verb „$1”:"$'\n'"$(cat "$out/drive.err")"; return 1; }
      ;;
    picture)
      local picture=$1
      drive shot "C:\\instalki\\$picture.bmp" "$page_text" &&
        drive dump "C:\\instalki\\$picture.txt" "$page_text" ||
        { bad "no picture of „$page_text”: $(cat "$out/drive.err")"; return 0; }
      # The Wine guest has no Python: there the picture stays a BMP; only --update needs the PNG.
      if command -v python3 >/dev/null; then
        python3 scripts/bmp-png.py "$kits/$picture.bmp" "$out/$picture.png"
      else
        cp "$kits/$picture.bmp" "$out/"
      fi
      tr -d '\r' <"$kits/$picture.txt" >"$out/$picture.raw.txt"
      normal "$out/$picture.raw.txt" >"$out/$picture.txt"
      if [ $update -eq 1 ]; then
        mkdir -p "$pictures"
        cp "$out/$picture.png" "$out/$picture.txt" "$pictures/"
        echo "$name: $picture: picture and texts written to docs/obrazy/"
      elif [ ! -f "$pictures/$picture.txt" ]; then
        bad "the guide has no picture $picture (docs/obrazy/$picture.txt): run with --update"
      elif ! cmp -s "$pictures/$picture.txt" "$out/$picture.txt"; then
        bad "the window of picture $picture says other texts than the guide's picture shows (run with --update, look at the picture, commit both):"$'\n'"$(diff -u "$pictures/$picture.txt" "$out/$picture.txt" | tail -n +3 | head -n 30)"
      fi
      ;;
    beside)
      # A silent run of the setup while this case's window is up: another run at the same time.
      local want=$1 exe=$2
      shift 2
      # Not run_setup: its wait for the end of every Wine program would wait for this case's own.
      "${wine_env[@]}" timeout 300 wine cmd /c "C:\\instalki\\$exe $*" >"$out/last.txt" 2>&1 </dev/null
      status=$?
      if [ "$status" -ne "$want" ]; then
        bad "the silent run beside it: exit code $status, expected $want"$'\n'"$(tail -n 12 "$log" 2>/dev/null | tr -d '\r')"
      elif ! tail -n 3 "$log" 2>/dev/null | tr -d '\r' | grep -q "^Kod wyjścia: $want$"; then
        bad "the silent run beside it: exit code $want, but the log does not end with it"
      fi
      ;;
    aside)
      local exe=$1
      shift
      rm -f "$state/instalator.blokada"
      ("${wine_env[@]}" timeout 300 wine 'C:\instalki\at-rename.exe' hold "C:\\instalki\\$exe $*" \
        >"$out/aside.txt" 2>&1 </dev/null) &
      aside_pid=$!
      local _
      for _ in $(seq 1 $patience); do [ -e "$state/instalator.blokada" ] && break; sleep 0.2; done
      [ -e "$state/instalator.blokada" ] || { bad "the run aside never took the folder's lock"; return 1; }
      ;;
    end)
      local want=$1 status
      if [[ $exe_started == *odinstaluj* ]]; then
        # The uninstaller goes on in a copy of itself: its end is Wine's, its code in the log.
        wait "$pid"
        "${wine_env[@]}" wineserver -w
        status=$(tail -n 3 "$log" 2>/dev/null | tr -d '\r' | sed -n 's/^Kod wyjścia: //p' | tail -n 1)
      else
        wait "$pid"
        status=$?
        "${wine_env[@]}" wineserver -w
      fi
      if [ "$status" != "$want" ]; then
        bad "exit code ${status:-none}, expected $want"$'\n'"$(tail -n 12 "$log" 2>/dev/null | tr -d '\r')"
      # Every run's log ends with its exit code, a run cancelled with its Cancel button (1) too.
      elif ! tail -n 3 "$log" 2>/dev/null | tr -d '\r' | grep -q "^Kod wyjścia: $want$"; then
        bad "exit code $want, but the log does not end with it"
      fi
      pid=""
      if [ -n "$aside_pid" ]; then
        wait "$aside_pid"
        aside_pid=""
        "${wine_env[@]}" wineserver -w
      fi
      ;;
    *)
      bad "unknown step '$verb'"
      ;;
  esac
}

# Runs a case: $1 its name, $2 its mode (install, rollback or uninstall: which stock phrases are
# wrong), the steps on standard input. A step that finds no window ends the case: the program is
# ended and the case has failed.
steps() {
  case_name=$1 mode=$2 exe_started=""
  local line args
  while IFS= read -r line; do
    [[ $line =~ ^[[:space:]]*(#|$) ]] && continue
    eval "args=($line)"
    [ "${args[0]}" = start ] && exe_started=${args[1]}
    if ! step "${args[@]}"; then
      "${wine_env[@]}" wineserver -k 2>/dev/null
      [ -n "$pid" ] && wait "$pid" 2>/dev/null
      pid=""
      return 1
    fi
  done
  return 0
}

setup=cenyzak-$version-setup.exe
older_setup=cenyzak-$older_version-setup.exe
# The program's folder is the default one, as an integrator sees it first in the guide's pictures;
# the refused checks type the one under a Polish path.
polish=$program
program='C:\Program Files (x86)\Vordan'
prog=$(unix_path "$program")
plugin=$prog/Wtyczki/cenyzak.dll
state=$prog/cenyzak
flog=$state/instalacja.log
kept_older=$state/kopie/cenyzak-$older_version.dll
kept_newer=$state/kopie/cenyzak-$version.dll
uninstaller='C:\Program Files (x86)\Vordan\cenyzak\odinstaluj.exe'
# The same folder by another path, as another workstation opens a share: drive S: of this prefix.
ln -sfn "$drive/Program Files (x86)" "$WINEPREFIX/dosdevices/s:"
trap '"${wine_env[@]}" wineserver -k 2>/dev/null; wine_display_stop; rm -f "$WINEPREFIX/dosdevices/s:"' EXIT

# --- a first installation -----------------------------------------------------------------------
fresh "" "$(unix_path "$program")"
steps "first installation" install <<'EOF' &&
start "$setup"
page folder "Folder programu"
type "$program"
picture instalator-folder
click "#1"
page check "Sprawdzenie programu"
says "Wtyczka zadziała w tym programie."
says "Instalator zainstaluje wtyczkę $version w podfolderze Wtyczki."
says "&Zainstaluj"
picture instalator-sprawdzenie
click "#1"
page done "Kod wyjścia: 0"
says "Wtyczka zainstalowana"
click "#1"
end 0
EOF
  { same_file "$(unix_path "$program")/Wtyczki/cenyzak.dll" "$win/cenyzak.dll" && [ -n "$(entry_values)" ] &&
    ok "first installation: exit 0, the build's DLL in Wtyczki, the entry" ||
    fail "first installation: not the build's DLL in Wtyczki, or no entry"; }

# --- the same again, a repair -------------------------------------------------------------------
fresh ""
run_setup "$setup" /S "/D=$program"
snapshot >"$out/installed.txt"
steps "the same again" install <<'EOF' &&
start "$setup"
page folder "Folder programu"
type "$program"
click "#1"
page check "Sprawdzenie programu"
says "jest już zainstalowana: nie ma nic do zrobienia"
says "&Zakończ"
click "#1"
end 3
EOF
  { snapshot | cmp -s - "$out/installed.txt" && ok "the same again: exit 3, nothing changed" ||
    fail "the same again changed something"; }

# Two runs at once on one folder: while this setup shows its check page (it took the folder's lock
# leaving the folder page), a silent one (as a deployment tool runs it) on the same folder by
# another path (drive S:, as from another workstation) waits for it for 10 seconds, then stops
# with 5 (try later), changing nothing.
steps "two runs at once" install <<'EOF' &&
start "$setup"
page folder "Folder programu"
type "$program"
click "#1"
page check "Sprawdzenie programu"
beside 5 "$setup" /S "/D=S:\Vordan"
click "#2"
page cancel "Tak"
click "Tak"
end 1
EOF
  { snapshot | cmp -s - "$out/installed.txt" &&
    tr -d '\r' <"$log" | grep -q "Spróbuj później" &&
    ok "two runs at once: the silent one waited, then exit 5 with „Spróbuj później”, nothing changed" ||
    fail "two runs at once: something changed, or the log does not say to try later"; }

# The other way round: the folder page left for a folder another run works on (a silent update,
# held at its rename): the setup says so and stays on that page, changing nothing.
steps "a folder another run works on" install <<'EOF' &&
start "$setup"
page folder "Folder programu"
type "$program"
aside "$older_setup" /S /STARSZA "/D=$program"
click "#1"
page busy "Na tym folderze programu działa już instalator"
picture instalator-zajety
click "OK"
page folder "Folder programu"
click "#2"
page cancel "Tak"
click "Tak"
end 1
EOF
  { tr -d '\r' <"$out/aside.txt" | grep -q '^kod 2$' && same_file "$plugin" "$win/cenyzak.dll" &&
    ok "a folder another run works on: the folder page says so and stays; cancelled, the plug-in as it was" ||
    fail "a folder another run works on: the run aside did not end as held, or the plug-in changed:"$'\n'"$(cat "$out/aside.txt")"; }

printf 'X' | dd of="$plugin" bs=1 seek=600 conv=notrunc status=none
steps "repair" install <<'EOF' &&
start "$setup"
page folder "Folder programu"
click "#1"
page check "Sprawdzenie programu"
says "różni się od pliku z paczki: instalator zastąpi go plikiem z paczki"
says "&Napraw"
click "#1"
page done "Kod wyjścia: 0"
click "#1"
end 0
EOF
  { same_file "$plugin" "$win/cenyzak.dll" && ok "repair: exit 0, the package's bytes back" ||
    fail "repair: the damaged file was not repaired"; }

# --- an update, then the uninstaller's page: rollback, removal keeping the copies -------------
fresh ""
run_setup "$older_setup" /S "/D=$program"
steps "update" install <<'EOF' &&
start "$setup"
page folder "Folder programu"
click "#1"
page check "Sprawdzenie programu"
says "Instalator zaktualizuje wtyczkę z wersji $older_version do $version"
says "&Aktualizuj"
click "#1"
page done "Kod wyjścia: 0"
says "Aktualizacja z wersji $older_version do $version"
click "#1"
end 0
EOF
  { same_file "$plugin" "$win/cenyzak.dll" && same_file "$kept_older" "$older/cenyzak.dll" &&
    ok "update from $older_version: exit 0, $older_version kept" ||
    fail "update from $older_version: not installed, or $older_version not kept"; }

steps "rollback by the uninstaller" rollback <<'EOF' &&
start "$uninstaller"
page choice "Przywróć poprzednią wersję"
picture odinstalowanie-wybor
check "Przywróć poprzednią wersję ($older_version)"
click "#1"
page done "Kod wyjścia: 0"
says "Przywrócono poprzednią wersję"
says "Przywrócono wersję $older_version"
click "#1"
end 0
EOF
  { same_file "$plugin" "$older/cenyzak.dll" && same_file "$kept_newer" "$win/cenyzak.dll" &&
    ok "rollback on the uninstaller's page: exit 0, $older_version back, $version kept" ||
    fail "rollback on the uninstaller's page: $older_version not back, or $version not kept"; }

snapshot >"$out/cancel.txt"
steps "the uninstaller cancelled on its page" uninstall <<'EOF' &&
start "$uninstaller"
page choice "Odinstaluj wtyczkę"
click "#2"
end 1
EOF
  { snapshot | cmp -s - "$out/cancel.txt" && ok "the uninstaller cancelled on its page: exit 1 in the log, nothing changed" ||
    fail "the uninstaller cancelled on its page: something changed"; }

steps "removal keeping the copies" uninstall <<'EOF' &&
start "$uninstaller"
page choice "Odinstaluj wtyczkę"
check "Odinstaluj wtyczkę z „$program”"
click "#1"
page done "Kod wyjścia: 0"
says "Wtyczka odinstalowana"
says "Usunięto wtyczkę"
click "#1"
end 0
EOF
  { [ ! -e "$plugin" ] && [ -z "$(entry_values)" ] && same_file "$kept_newer" "$win/cenyzak.dll" &&
    ok "removal on the uninstaller's page: exit 0, no plug-in, no entry, the kept copy stays" ||
    fail "removal on the uninstaller's page: the plug-in or the entry is left, or the kept copy is gone"; }

# --- an older version over a newer one: No, then Yes; /WROC with windows -----------------------
fresh ""
run_setup "$setup" /S "/D=$program"
snapshot >"$out/newer.txt"
steps "older over newer, No" install <<'EOF' &&
start "$older_setup"
page folder "Folder programu"
click "#1"
page check "Sprawdzenie programu"
says "Zainstalowana jest nowsza wersja $version: instalator zapyta, czy zastąpić ją starszą $older_version"
says "Zainstaluj &starszą"
click "#1"
page question "Zainstalować starszą wersję?"
click "Nie"
page refused "Niczego nie zmieniono"
click "OK"
end 6
EOF
  { snapshot | cmp -s - "$out/newer.txt" && ok "$older_version over $version, No: exit 6, nothing changed" ||
    fail "$older_version over $version, No: something changed"; }

steps "older over newer, Yes" install <<'EOF' &&
start "$older_setup"
page folder "Folder programu"
click "#1"
page check "Sprawdzenie programu"
click "#1"
page question "Zainstalować starszą wersję?"
click "Tak"
page done "Kod wyjścia: 0"
says "Instalacja starszej wersji $older_version"
click "#1"
end 0
EOF
  { same_file "$plugin" "$older/cenyzak.dll" && same_file "$kept_newer" "$win/cenyzak.dll" &&
    ok "$older_version over $version, Yes: exit 0, $version kept" ||
    fail "$older_version over $version, Yes: not installed, or $version not kept"; }

steps "/WROC with windows" rollback <<'EOF' &&
start "$setup" /WROC
page done "Kod wyjścia: 0"
says "Przywrócono wersję $version"
click "#1"
end 0
EOF
  { same_file "$plugin" "$win/cenyzak.dll" && ok "/WROC with windows: exit 0, $version back" ||
    fail "/WROC with windows: $version not back"; }

# --- removal with the copies; /ODINSTALUJ with windows ------------------------------------------
steps "removal with the copies" uninstall <<'EOF' &&
start "$uninstaller"
page choice "Odinstaluj wtyczkę"
check "Odinstaluj wtyczkę z „$program”"
check "Usuń też zachowane poprzednie wersje i dziennik (folder $program\cenyzak)"
click "#1"
page done "Kod wyjścia: 0"
says "Usunięto zachowane poprzednie wersje"
click "#1"
end 0
EOF
  { [ ! -e "$plugin" ] && [ -z "$(entry_values)" ] && [ -z "$(find "$state" -type f ! -name 'odinstaluj.exe*' 2>/dev/null)" ] &&
    ok "removal with the copies on the uninstaller's page: exit 0, no plug-in, no entry, no kept copies nor the folder's log" ||
    fail "removal with the copies: the plug-in, the entry or a kept copy is left"; }

run_setup "$setup" /S "/D=$program"
steps "/ODINSTALUJ with windows" uninstall <<'EOF' &&
start "$setup" /ODINSTALUJ
page done "Kod wyjścia: 0"
says "Wtyczka odinstalowana"
says "Usunięto wtyczkę"
click "#1"
end 0
EOF
  { [ ! -e "$plugin" ] && [ -z "$(entry_values)" ] && ok "/ODINSTALUJ with windows: exit 0, no plug-in, no entry" ||
    fail "/ODINSTALUJ with windows: the plug-in or the entry is left"; }

# --- the check refuses: without the box, with it; a module missing only 52224 -------------------
fresh 52412
snapshot >"$out/refusal.txt"
steps "refused check" install <<'EOF' &&
start "$setup"
page folder "Folder programu"
type "$program"
click "#1"
page check "Zainstaluj mimo to"
says "Wtyczka NIE zadziała w tym programie"
picture instalator-odmowa
click "#1"
page refused "tylko po zaznaczeniu pola"
click "OK"
page check-again "Zainstaluj mimo to"
click "#2"
page cancel "Tak"
click "Tak"
end 1
EOF
  { snapshot | cmp -s - "$out/refusal.txt" &&
    ok "refused check (no 52412) without the box: cancelled, nothing changed" ||
    fail "refused check without the box: something changed"; }

steps "refused check, the box ticked" install <<'EOF' &&
start "$setup"
page folder "Folder programu"
type "$program"
click "#1"
page check "Zainstaluj mimo to"
check "Zainstaluj mimo to (wtyczka nie zadziała, dopóki program nie zostanie zaktualizowany)"
click "#1"
page done "Kod wyjścia: 0"
click "#1"
end 0
EOF
  { same_file "$plugin" "$win/cenyzak.dll" && ok "refused check with the box ticked: exit 0, installed" ||
    fail "refused check with the box ticked: not installed"; }

fresh 52224 "$(unix_path "$polish")"
steps "a module without 52224" install <<'EOF' &&
start "$setup"
page folder "Folder programu"
type "$polish"
click "#1"
page check "Sprawdzenie programu"
says "Wtyczka zadziała w tym programie, ale tylko wtedy, gdy użytkownik przy każdym starcie programu wybierze „Ignoruj”"
says "Zainstaluj mimo to (przy każdym starcie programu trzeba będzie wybrać „Ignoruj”)"
click "#2"
page cancel "Tak"
click "Tak"
end 1
EOF
  { [ ! -e "$(unix_path "$polish")/Wtyczki" ] && [ -z "$(entry_values)" ] &&
    ok "a module without 52224 (in a folder with Polish letters): cancelled, nothing changed" ||
    fail "a module without 52224: something changed"; }

# A VORDAN.dll that is no Windows module at all: the tool checks nothing (status 2).
fresh ""
printf 'To nie jest moduł programu.\r\n' >"$prog/VORDAN.dll"
snapshot >"$out/refusal.txt"
steps "nothing checked" install <<'EOF' &&
start "$setup"
page folder "Folder programu"
click "#1"
page check "Sprawdzenie programu"
says "Nie udało się sprawdzić programu"
says "Zainstaluj bez sprawdzenia"
click "#2"
page cancel "Tak"
click "Tak"
end 1
EOF
  { snapshot | cmp -s - "$out/refusal.txt" && ok "a VORDAN.dll that is no module: nothing checked, cancelled, nothing changed" ||
    fail "a VORDAN.dll that is no module: something changed"; }

# A second copy of the plug-in in the program's folder: the setup asks; No installs nothing, Yes
# installs.
fresh ""
cp "$win/cenyzak.dll" "$prog/cenyzak-stara.dll"
snapshot >"$out/refusal.txt"
steps "a second copy, No" install <<'EOF' &&
start "$setup"
page folder "Folder programu"
click "#1"
page check "Sprawdzenie programu"
click "#1"
page question "cenyzak-stara.dll"
click "Nie"
page refused "Niczego nie zainstalowano"
click "OK"
end 4
EOF
  { snapshot | cmp -s - "$out/refusal.txt" && ok "a second copy of the plug-in, No: exit 4, nothing changed" ||
    fail "a second copy of the plug-in, No: something changed"; }
steps "a second copy, Yes" install <<'EOF' &&
start "$setup"
page folder "Folder programu"
click "#1"
page check "Sprawdzenie programu"
click "#1"
page question "cenyzak-stara.dll"
click "Tak"
page done "Kod wyjścia: 0"
click "#1"
end 0
EOF
  { same_file "$plugin" "$win/cenyzak.dll" && ok "a second copy of the plug-in, Yes: exit 0, installed" ||
    fail "a second copy of the plug-in, Yes: not installed"; }

# --- the plug-in's own box: hostsim.exe with a module without 52028 -----------------------------
# hostsim.exe leaves the box on screen (CZ_HOSTSIM_BOX_WAIT) for its picture; the driver presses
# the scripted answer.
fresh "" "$(unix_path "$program")"
mkdir -p "$(unix_path "$program")/Wtyczki" && cp "$win/cenyzak.dll" "$(unix_path "$program")/Wtyczki/"
cat >"$kits/brak-wpisu.json" <<'JSON'
{
  "host": {"missing_services": [52028], "dialog_answers": ["ignore"],
           "plugin_file": "C:\\Program Files (x86)\\Vordan\\Wtyczki\\cenyzak.dll"},
  "documents": [{"kind": "RW", "name": "RW 1/2026",
                 "lines": [{"key": 7, "quantity": 1, "slots": [{"used": true}]}]}]
}
JSON
(cd "$(unix_path "$program")" && CZ_HOSTSIM_BOX_WAIT=$patience "${wine_env[@]}" timeout 300 wine hostsim.exe --json \
  'C:\instalki\brak-wpisu.json' >"$out/hostsim.json" 2>/dev/null </dev/null) &
pid=$!
steps "the missing-entry box" install <<'EOF' &&
page box "brak wpisu"
picture wtyczka-brak-wpisu
click "#5"
EOF
  { wait "$pid"; tr -d '\r' <"$out/hostsim.json" | grep -q '"answer": "ignore"' &&
    ok "the plug-in's missing-entry box: its picture, answered Ignoruj" ||
    fail "the missing-entry box: hostsim.exe did not report the answer Ignoruj"; }
pid=""

# A picture in docs/obrazy/ that no case takes any more.
taken=" $(sed -n 's/^picture \([^ ]*\)$/\1/p' scripts/wine-setup-windows.sh | tr '\n' ' ')"
for f in "$pictures"/*.txt; do
  [ -f "$f" ] || continue
  [[ $taken == *" $(basename "$f" .txt) "* ]] ||
    fail "docs/obrazy/$(basename "$f" .txt): no case takes this picture any more: remove it (and its .png)"
done

cp "$log" "$out/" 2>/dev/null
echo "$name: $passed passed, $failed failed, in $((SECONDS - start_all)) s"
[ "$failed" -eq 0 ]
