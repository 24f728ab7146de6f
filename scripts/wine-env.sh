# The Wine set-up that the scripts running the real DLL share (sourced by wine-e2e.sh,
# relay-check.sh and the guest image's recipe, from the repository root): one prefix, no .NET or
# HTML engine installers (they would wait for a download that cannot happen here), a Polish locale
# so that the message box shows Windows-1250 text, dialogs that close at once when told to, and no
# crash dialog waiting for a debugger window.
#
#   wine_setup NAME    NAME names the caller in its messages; 1 when the set-up fails.
# Afterwards WINEPREFIX, WINEARCH, WINEDEBUG and WINEDLLOVERRIDES are exported, the array wine_env
# is the command prefix that runs a Wine program in the Polish locale, and wine_programs is the
# folder that holds hostsim.exe, VORDAN.dll and cenyzak.dll for Wine to run.
#
# On this machine the prefix is build/wine-prefix, made on first use, and the programs are
# build/win32's. In the Wine guest (scripts/guest/) the prefix was made when the image was built
# (CZ_GUEST_WINEPREFIX names it) and the Polish locale is the system's; the programs are copied
# from the shared folder to the guest's own disk first, because an image mapped straight from the
# 9p share can come up with pages of zeros.

export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# Makes a prefix at $1 with the settings above, and waits for Wine to write them to its disk.
# $3: win64 for a 64-bit prefix (default win32).
wine_prefix_init() {
  local prefix=$1 name=$2
  local WINEARCH=${3:-win32}
  export WINEARCH
  # Wine makes the prefix's own folder, not the folders above it.
  mkdir -p "$(dirname "$prefix")"
  # A 64-bit prefix is made by the 64-bit loader: Debian's wine command starts the 32-bit one,
  # which cannot load its kernel32.dll from a prefix whose 64-bit system is not there yet.
  local boot=(wineboot -i)
  [ "$WINEARCH" = win64 ] && boot=(/usr/lib/wine/wine64 wineboot.exe -i)
  if ! WINEPREFIX=$prefix "${wine_env[@]}" timeout 1200 "${boot[@]}" >"$prefix.wineboot.log" 2>&1; then
    tail -n 20 "$prefix.wineboot.log"
    echo "$name: wineboot failed"
    return 1
  fi
  rm -f "$prefix.wineboot.log"
  WINEPREFIX=$prefix "${wine_env[@]}" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  WINEPREFIX=$prefix "${wine_env[@]}" wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  WINEPREFIX=$prefix "${wine_env[@]}" wineserver -w
  [ -f "$prefix/system.reg" ] || { echo "$name: wineboot left no registry in $prefix"; return 1; }
}

wine_setup() {
  local name=$1 root=$PWD
  if [ -n "${CZ_GUEST_WINEPREFIX:-}" ]; then
    export WINEPREFIX=$CZ_GUEST_WINEPREFIX
    wine_env=(env LC_ALL=pl_PL.UTF-8)
    wine_programs=/var/tmp/cenyzak-win32
    mkdir -p "$wine_programs"
    cp "$root"/build/win32/{hostsim.exe,VORDAN.dll,cenyzak.dll} "$wine_programs/" ||
      { echo "$name: cannot copy the win32 build to the guest's disk"; return 1; }
    return 0
  fi
  export WINEPREFIX=$root/build/wine-prefix
  wine_programs=$root/build/win32
  if [ ! -d build/locale/pl_PL.UTF-8 ]; then
    mkdir -p build/locale && localedef -i pl_PL -f UTF-8 build/locale/pl_PL.UTF-8 ||
      { echo "$name: cannot make the pl_PL.UTF-8 locale"; return 1; }
  fi
  wine_env=(env LOCPATH="$root/build/locale" LC_ALL=pl_PL.UTF-8)
  [ -f "$WINEPREFIX/system.reg" ] || wine_prefix_init "$WINEPREFIX" "$name"
}

# As wine_setup, in a 64-bit prefix (WINEARCH=win64, with Debian's wine64 beside wine32), where a
# 32-bit program runs as on the clients' 64-bit Windows: "Program Files (x86)", the registry's
# 32-bit view (Wow6432Node), file system redirection. In the guest the prefix was made with the
# image, beside the 32-bit one; here it is build/wine-prefix64, made on first use.
wine_setup64() {
  local name=$1
  wine_setup "$name" || return 1
  export WINEARCH=win64
  if [ -n "${CZ_GUEST_WINEPREFIX:-}" ]; then
    export WINEPREFIX=${CZ_GUEST_WINEPREFIX}64
    [ -f "$WINEPREFIX/system.reg" ] || { echo "$name: the guest has no 64-bit Wine prefix at $WINEPREFIX"; return 1; }
    return 0
  fi
  export WINEPREFIX=$PWD/build/wine-prefix64
  [ -f "$WINEPREFIX/system.reg" ] || wine_prefix_init "$WINEPREFIX" "$name" win64
}

# An X server for the windows Wine shows (Xvfb, 1024x768, 24 bits), for the checks that need a
# display: wine-e2e.sh's message boxes, wine-setup-windows.sh's setup windows. $1: a folder for
# its display number. Exports DISPLAY and sets wine_xvfb (its process); 1 when it does not start.
# A Wine server started without a display cannot show windows: end it first (wineserver -k).
wine_display_start() {
  rm -f "$1/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$1/display" >/dev/null 2>&1 &
  wine_xvfb=$!
  local _
  for _ in $(seq 150); do [ -s "$1/display" ] && break; sleep 0.2; done
  [ -s "$1/display" ] || return 1
  export DISPLAY=:$(head -n 1 "$1/display")
}
wine_display_stop() {
  kill "$wine_xvfb" 2>/dev/null
  wait "$wine_xvfb" 2>/dev/null
}
