#!/usr/bin/env bash
# The release's signing with a throwaway certificate: scripts/test-cert.sh makes a certificate
# authority and a code-signing certificate it issued (PKCS#12, with a password), scripts/sign.sh
# signs the win32 build's cenyzak.dll, cenyzak-sprawdz.exe and cenyzak-setup.exe with it as
# ./release --sign does, and then:
# - osslsigncode verifies each signature against that authority, naming the certificate's subject;
# - the signature removed, each file is the build byte for byte (sign.sh checks it; checked here
#   again on its own);
# - a signed file changed by one byte no longer verifies;
# - a wrong password is refused with a message and leaves no file.
# The signed files are kept in build/signed/, for the Wine runs (wine-preflight.sh, wine-setup.sh),
# which may run where osslsigncode is not installed.
set -uo pipefail
cd "$(dirname "$0")/.."
win=build/win32
for f in "$win/cenyzak.dll" "$win/cenyzak-sprawdz.exe" "$win/cenyzak-setup.exe"; do
  [ -f "$f" ] || { echo "sign-test: $f is missing: build the win32 preset first"; exit 1; }
done
for tool in openssl osslsigncode; do
  command -v "$tool" >/dev/null || { echo "sign-test: $tool is not installed"; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
ok() { echo "sign-test: $1"; passed=$((passed + 1)); }
fail() { echo "sign-test: FAILED: $1"; failed=$((failed + 1)); }

# The authority, and the signing certificate it issues (code signing only), valid for a day.
subject=$(scripts/test-cert.sh "$work" próba-hasła) || exit 1

for file in cenyzak.dll cenyzak-sprawdz.exe cenyzak-setup.exe; do
  signed=$work/$file
  if CENYZAK_SIGN_PASSWORD=próba-hasła scripts/sign.sh "$work/sign.pfx" "$win/$file" "$signed"; then
    ok "$file: signed, and sign.sh found the round trip exact"
  else
    fail "$file: sign.sh failed"
    continue
  fi
  verify=$(osslsigncode verify -CAfile "$work/ca.pem" -in "$signed" 2>&1)
  if grep -q "Signature verification: ok" <<<"$verify" && grep -q "Subject: $subject" <<<"$verify"; then
    ok "$file: the signature verifies against the test authority, signed by $subject"
  else
    fail "$file: the signature does not verify:"$'\n'"$verify"
  fi
  osslsigncode remove-signature -in "$signed" -out "$work/removed-$file" >/dev/null 2>&1
  if cmp -s "$win/$file" "$work/removed-$file"; then
    ok "$file: without its signature, byte for byte the build ($(stat -c %s "$win/$file") bytes)"
  else
    fail "$file: without its signature it is not the build"
  fi
  # One byte of the code changed after signing (the first byte of the second 512-byte block).
  cp "$signed" "$work/changed"
  printf '\xCC' | dd of="$work/changed" bs=1 seek=1024 conv=notrunc status=none
  if osslsigncode verify -CAfile "$work/ca.pem" -in "$work/changed" >/dev/null 2>&1; then
    fail "$file: a changed file still verifies"
  else
    ok "$file: changed by one byte, it no longer verifies"
  fi
  mkdir -p build/signed && cp "$signed" build/signed/
done

if CENYZAK_SIGN_PASSWORD=wrong scripts/sign.sh "$work/sign.pfx" "$win/cenyzak.dll" "$work/wrong.dll" \
  2>"$work/wrong.log"; then
  fail "a wrong password was accepted"
elif grep -q "could not be signed" "$work/wrong.log" && [ ! -e "$work/wrong.dll" ]; then
  ok "a wrong password: refused with a message, no file left"
else
  fail "a wrong password: no message, or a file left behind"
fi

echo "sign-test: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
