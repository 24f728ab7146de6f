# The Wine set-up that the scripts running the real DLL share (sourced by wine-e2e.sh and
# relay-check.sh, from the repository root): one prefix under build/, no .NET or HTML engine
# installers (they would wait for a download that cannot happen here), a Polish locale so that the
# message box shows Windows-1250 text, dialogs that close at once when told to, and no crash
# dialog waiting for a debugger window.
#
#   wine_setup NAME    NAME names the caller in its messages; 1 when the set-up fails.
# Afterwards WINEPREFIX, WINEARCH, WINEDEBUG and WINEDLLOVERRIDES are exported, and the array
# wine_env is the command prefix that runs a Wine program in the Polish locale.
wine_setup() {
  local name=$1 root=$PWD
  export WINEPREFIX=$root/build/wine-prefix WINEARCH=win32 WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -d build/locale/pl_PL.UTF-8 ]; then
    mkdir -p build/locale && localedef -i pl_PL -f UTF-8 build/locale/pl_PL.UTF-8 ||
      { echo "$name: cannot make the pl_PL.UTF-8 locale"; return 1; }
  fi
  wine_env=(env LOCPATH="$root/build/locale" LC_ALL=pl_PL.UTF-8)
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "${wine_env[@]}" timeout 300 wineboot -i >/dev/null 2>&1 || { echo "$name: wineboot failed"; return 1; }
    "${wine_env[@]}" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    "${wine_env[@]}" wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
  fi
  return 0
}
