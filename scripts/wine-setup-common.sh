# What the setup program's two tests under Wine share (sourced by scripts/wine-setup.sh, the silent
# cases, and scripts/wine-setup-windows.sh, the windowed ones, from the repository root, after they
# set $name (for messages), $root, $win, $older, $older_version and $out, the folder for what a run
# leaves): the 64-bit prefix, the setups in C:\instalki, the program's folder under a Polish path,
# and the helpers that set up a fresh folder, take a snapshot of the folder (with the setup's state
# in it), this PC's state and the uninstall entries, run a setup silently and check its exit code
# against the logs.
for tool in wine wineboot wineserver; do
  command -v "$tool" >/dev/null || { echo "$name: $tool is not installed"; exit 1; }
done
for f in build/linux/hostsim "$win/cenyzak-setup.exe" "$win/cenyzak.dll" "$win/hostsim.exe" \
  "$win/VORDAN.dll" "$win/hold-file.exe" "$win/at-rename.exe" "$win/drive.exe" \
  "$older/cenyzak-setup.exe" "$older/cenyzak.dll"; do
  [ -f "$f" ] || { echo "$name: $f is missing: build the linux and win32 presets and run scripts/wine-setup.sh --build"; exit 1; }
done
version=$(sed -n 's/^#define CZ_VERSION "\(.*\)"$/\1/p' "$win/generated/cenyzak_version.h")

source scripts/wine-env.sh
wine_setup64 "$name" || exit 1
# The 32-bit prefix (the one wine_setup made for wine-e2e) stands for a second workstation.
prefix32=${CZ_GUEST_WINEPREFIX:-$root/build/wine-prefix}
rm -rf "$out" && mkdir -p "$out"
drive=$WINEPREFIX/drive_c
# The setups and the helper on the prefix's own disk, where Wine runs them.
kits=$drive/instalki
rm -rf "$kits" && mkdir -p "$kits"
cp "$win/cenyzak-setup.exe" "$kits/cenyzak-$version-setup.exe"
cp "$older/cenyzak-setup.exe" "$kits/cenyzak-$older_version-setup.exe"
cp "$win/hold-file.exe" "$win/at-rename.exe" "$win/drive.exe" "$kits/"

passed=0
failed=0
ok() { echo "$name: $1"; passed=$((passed + 1)); }
fail() { echo "$name: FAILED: $1"; failed=$((failed + 1)); }

program='C:\Program Files (x86)\Księgowość Łódź\Vordan'
unix_path() { local p=${1#C:\\}; echo "$drive/${p//\\//}"; }
prog=$(unix_path "$program")
# The setup's state for the program's folder (record, its log, kept copies, uninstaller) is in it;
# this PC's log (every run, whole) and the runs' unpacked files in %ProgramData%.
state=$prog/cenyzak
flog=$state/instalacja.log
pcstate=$drive/ProgramData/cenyzak
log=$pcstate/instalacja.log
plugin=$prog/Wtyczki/cenyzak.dll
uninstall_views=('Software\Wow6432Node' 'Software')

# Removes every entry of the setup from a prefix's list of programs (both views). $1: the prefix.
drop_entries() {
  local view key
  for view in "${uninstall_views[@]}"; do
    for key in $(WINEPREFIX=$1 "${wine_env[@]}" wine reg query "HKLM\\$view\Microsoft\Windows\CurrentVersion\Uninstall" 2>/dev/null |
      tr -d '\r' | grep -o 'Uninstall\\cenyzak[^\\]*$'); do
      WINEPREFIX=$1 "${wine_env[@]}" wine reg delete "HKLM\\$view\Microsoft\Windows\CurrentVersion\\$key" /f >/dev/null 2>&1
    done
  done
  WINEPREFIX=$1 "${wine_env[@]}" wineserver -w
}

# A fresh program's folder (hostsim.exe and the host module, as a program's own files), no setup
# state and no entry. $1: a service to clear from the module, or "".
fresh() {
  local dir=${2:-$prog}
  drop_entries "$WINEPREFIX"
  rm -rf "$dir" "$prog" "$pcstate" "$drive/Program Files (x86)/Vordan" "$drive/Program Files/Vordan"
  mkdir -p "$dir"
  cp "$win/VORDAN.dll" "$win/hostsim.exe" "$dir/"
  [ -n "${1:-}" ] && scripts/pe-clear-export.sh "$dir/VORDAN.dll" "$1"
  return 0
}

# Every file and folder under the program's folder (the setup's state in it), every file of this
# PC's state (the logs aside), each file with its SHA-256; and, but while Wine still runs
# something, the uninstall entries.
files_of() {
  echo "# $1"
  [ -d "$1" ] || return 0
  (cd "$1" && { [ "$2" = all ] && find . -printf '%y %p\n' | sort
    find . -type f ! -name instalacja.log -exec sha256sum {} + | sort -k 2; })
}
snapshot_held() { files_of "$prog" all; files_of "$pcstate" files; }
snapshot() { snapshot_held; entry_values; }

# The uninstall entries as the registry keeps them (system.reg, written out once Wine has ended):
# where each lies (the 32-bit view is Software\Wow6432Node, the key cenyzak-KEY) and its values,
# one a line. $1: the prefix (default: the 64-bit one).
entry_values() {
  local prefix=${1:-$WINEPREFIX}
  WINEPREFIX=$prefix "${wine_env[@]}" wineserver -w
  awk '/^\[/ { on = $1 ~ /\\\\Uninstall\\\\cenyzak(-[0-9a-f]+)?\]$/; if (on) print $1 } on && /^"/' \
    "$prefix/system.reg"
}

# Whether the folder's record (instalacja.ini) holds KEY=VALUE. $3: the state folder.
record_has() { tr -d '\r' <"${3:-$state}/instalacja.ini" 2>/dev/null | grep -qx "$1=$2"; }

# Runs a setup silently; its status is in $status, what it printed in $out/last.txt. $1: the
# setup (a file in C:\instalki); the rest: its switches (/D= last, unquoted, as the setup wants).
run_setup() {
  local exe=$1
  shift
  "${wine_env[@]}" timeout 300 wine cmd /c "C:\\instalki\\$exe $*" >"$out/last.txt" 2>&1 </dev/null
  status=$?
  "${wine_env[@]}" wineserver -w
}

# Checks a status and that the log's last run ended with the same code.
expect_status() { # label, expected status
  if [ "$status" -ne "$2" ]; then
    fail "$1: exit code $status, expected $2"
    tail -n 15 "$log" 2>/dev/null | tr -d '\r'
    return 1
  fi
  if ! tail -n 3 "$log" 2>/dev/null | tr -d '\r' | grep -q "^Kod wyjścia: $2$"; then
    fail "$1: exit code $status, but the log ($log) does not end with it"
    tail -n 15 "$log" 2>/dev/null | tr -d '\r'
    return 1
  fi
  return 0
}

same_file() { cmp -s "$1" "$2"; }
