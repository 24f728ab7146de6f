#!/usr/bin/env bash
# Every check of the real DLL under Wine, in one go, as ./test runs them: where the kernel runs
# 32-bit programs directly, or in the Wine guest (scripts/guest/run scripts/wine-checks.sh), where
# one boot serves them all.
#
#   scripts/wine-checks.sh [--documents N]    N: generated documents for wine-e2e.sh (default 300)
#
# CZ_WINE_GUEST=1 runs them in the Wine guest even where the kernel runs 32-bit programs.
set -uo pipefail
cd "$(dirname "$0")/.."
case ${CZ_WINE_GUEST:-0} in 0 | 1) ;; *) echo "CZ_WINE_GUEST is 0 or 1, not '$CZ_WINE_GUEST'"; exit 2 ;; esac
if [ "${CZ_WINE_GUEST:-0}" = 1 ] && [ -z "${CZ_GUEST_WINEPREFIX:-}" ]; then
  exec scripts/guest/run -t 3600 scripts/wine-checks.sh "$@"
fi
failed=()

# Every scenario (the long path among them) and the generated documents: the same result natively
# and under Wine.
scripts/wine-e2e.sh "$@" || failed+=(wine-e2e)

# From load to unload the plug-in calls nothing but its four system functions...
scripts/relay-check.sh || failed+=(relay-check)
# ...and the check sees a call more when there is one: the DLL with a planted call must fail it.
planted=build/win32/planted/cenyzak.dll
if scripts/relay-check.sh --dll "$planted" >build/relay/planted.txt 2>&1; then
  cat build/relay/planted.txt
  echo "relay-check: the planted call went unnoticed: $planted passed"
  failed+=(relay-check-planted)
elif grep -q 'the plug-in called KERNEL32.GetTickCount' build/relay/planted.txt; then
  echo "relay-check: $planted fails as it must: $(grep -m 1 'the plug-in called' build/relay/planted.txt | sed 's/^relay-check: //')"
else
  cat build/relay/planted.txt
  echo "relay-check: $planted failed, but not on its planted call"
  failed+=(relay-check-planted)
fi

# The package's Windows files as an integrator uses them: the pre-flight tool on the simulated
# module under a Polish path, the guide's examples of it, the signed DLL through the sample.
scripts/wine-preflight.sh || failed+=(wine-preflight)

# The setup program in a 64-bit prefix: install, update, roll back, uninstall, refusals, silently.
scripts/wine-setup.sh || failed+=(wine-setup)
# ...and with its windows, under an X server, page by page, as an integrator works them.
scripts/wine-setup-windows.sh || failed+=(wine-setup-windows)

if [ ${#failed[@]} -gt 0 ]; then
  echo "wine-checks: failed: ${failed[*]}"
  exit 1
fi
echo "wine-checks: all passed"
