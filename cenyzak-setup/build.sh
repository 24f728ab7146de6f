#!/usr/bin/env bash
# Builds the setup program from the plug-in and the pre-flight tool of one build:
#
#   cenyzak-setup/build.sh VERSION PUBLISHER COPYRIGHT CENYZAK.DLL CENYZAK-SPRAWDZ.EXE OUT.exe
#
# makensis (Debian's nsis) gets the version and publisher as defines, the DLL's SHA-256 (which the
# setup checks the installed file against) and a SHA256SUMS naming it, for the tool's comparison of
# an installed plug-in with the package. Its output depends on nothing else (setup.nsi: no file
# times stored, one compressor), so two builds of one commit are byte for byte the same. Last, like
# the DLL and the tool, the setup ends on an 8-byte boundary with its PE checksum right
# (scripts/pe-pad.sh): a signed copy, its signature removed, is then this very file. The setup's
# own integrity check covers its data, not the PE header nor what follows the data, so neither this
# nor a signature breaks it.
set -euo pipefail
[ $# -eq 6 ] || { echo "usage: build.sh VERSION PUBLISHER COPYRIGHT DLL TOOL OUT" >&2; exit 2; }
version=$1 publisher=$2 copyright=$3 dll=$4 tool=$5 out=$6
here=$(cd "$(dirname "$0")" && pwd)
command -v makensis >/dev/null || { echo "cenyzak-setup: makensis is not installed (Debian: nsis)" >&2; exit 1; }
for f in "$dll" "$tool"; do [ -f "$f" ] || { echo "cenyzak-setup: $f is missing" >&2; exit 1; }; done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sha=$(sha256sum <"$dll" | cut -c1-64)
printf '%s  cenyzak.dll\n' "$sha" >"$work/SHA256SUMS"
out=$(realpath -m "$out")
mkdir -p "$(dirname "$out")"
rm -f "$out"
if ! makensis -V2 -INPUTCHARSET UTF8 "-DVERSION=$version" "-DPUBLISHER=$publisher" \
  "-DCOPYRIGHT=$copyright" "-DDLL=$(realpath "$dll")" "-DDLL_SHA256=$sha" \
  "-DTOOL=$(realpath "$tool")" "-DSUMS=$work/SHA256SUMS" "-DOUTFILE=$out" \
  "$here/setup.nsi" >"$work/makensis.log" 2>&1; then
  cat "$work/makensis.log" >&2
  echo "cenyzak-setup: makensis failed" >&2
  exit 1
fi
"$here/../scripts/pe-pad.sh" "$out"
