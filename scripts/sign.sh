#!/usr/bin/env bash
# Signs a Windows image with Authenticode and checks that the signature is all that was added:
#
#   scripts/sign.sh [--timestamp URL] CERT.pfx UNSIGNED SIGNED
#
# CERT.pfx is a PKCS#12 file with the code-signing certificate and its key; its password comes
# from CENYZAK_SIGN_PASSWORD (empty when that is unset), never from the command line, so that it
# shows in no process list. With --timestamp the signature gets an RFC 3161 time stamp from URL,
# which keeps it valid after the certificate expires; without it there is none. SHA-256
# throughout. SIGNED is written anew; UNSIGNED is left as it is.
#
# The check: osslsigncode remove-signature on SIGNED must give back UNSIGNED byte for byte. That
# holds when UNSIGNED already ends on the 8-byte boundary the signature is aligned to and has its
# checksum right (scripts/pe-pad.sh, run by the build): the signed file is then the reproducible
# build plus its signature, nothing else changed.
set -euo pipefail
usage="usage: sign.sh [--timestamp URL] CERT.pfx UNSIGNED SIGNED"
timestamp=()
if [ "${1:-}" = "--timestamp" ]; then
  timestamp=(-ts "${2:?$usage}")
  shift 2
fi
[ $# -eq 3 ] || { echo "$usage" >&2; exit 2; }
cert=$1 unsigned=$2 signed=$3
name=$(basename "$unsigned")
command -v osslsigncode >/dev/null || { echo "sign: osslsigncode is not installed" >&2; exit 1; }
[ -f "$cert" ] || { echo "sign: $cert: no such file (a PKCS#12 certificate, .pfx)" >&2; exit 2; }
[ -f "$unsigned" ] || { echo "sign: $unsigned: no such file" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
password=(-pass "")
if [ -n "${CENYZAK_SIGN_PASSWORD:-}" ]; then
  (umask 077 && printf '%s' "$CENYZAK_SIGN_PASSWORD" >"$work/password")
  password=(-readpass "$work/password")
fi
rm -f "$signed"
if ! osslsigncode sign -pkcs12 "$cert" "${password[@]}" -h sha256 -n cenyzak "${timestamp[@]}" \
  -in "$unsigned" -out "$signed" >"$work/log" 2>&1; then
  echo "sign: $name could not be signed with $cert (a wrong CENYZAK_SIGN_PASSWORD, a file that is" \
    "no PKCS#12 certificate, or an unreachable time stamp server):" >&2
  grep -v '^Failed$' "$work/log" | head -n 5 >&2
  rm -f "$signed"
  exit 1
fi

osslsigncode remove-signature -in "$signed" -out "$work/unsigned" >/dev/null 2>&1 ||
  { echo "sign: the signature of $name cannot be removed again" >&2; exit 1; }
if ! cmp -s "$unsigned" "$work/unsigned"; then
  echo "sign: $name without its signature differs from the build ($(stat -c %s "$work/unsigned")" \
    "bytes against $(stat -c %s "$unsigned")): is it padded (scripts/pe-pad.sh)?" >&2
  cmp -l "$unsigned" "$work/unsigned" | head -n 5 >&2 || true
  exit 1
fi
echo "sign: $name signed ($(stat -c %s "$signed") bytes); without its signature it is the build" \
  "byte for byte ($(stat -c %s "$unsigned") bytes, sha256 $(sha256sum <"$unsigned" | cut -c1-16)...)"
