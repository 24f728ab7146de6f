#!/usr/bin/env bash
# A throwaway code-signing certificate for the signing tests, valid for one day:
#
#   scripts/test-cert.sh DIR PASSWORD
#
# Writes DIR/ca.pem (a certificate authority made for the purpose), DIR/sign.pfx (a code-signing
# certificate that authority issued, with its key, PKCS#12 under PASSWORD) and prints the signing
# certificate's subject as osslsigncode shows it.
set -euo pipefail
[ $# -eq 2 ] || { echo "usage: test-cert.sh DIR PASSWORD" >&2; exit 2; }
dir=$1 password=$2
subject="/C=PL/O=Autorzy cenyzak (test)/CN=cenyzak test"
{
  openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=cenyzak test CA" \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign \
    -keyout "$dir/ca.key" -out "$dir/ca.pem" &&
    openssl req -newkey rsa:2048 -nodes -subj "$subject" -keyout "$dir/sign.key" \
      -out "$dir/sign.csr" &&
    printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' \
      >"$dir/ext" &&
    openssl x509 -req -in "$dir/sign.csr" -CA "$dir/ca.pem" -CAkey "$dir/ca.key" \
      -CAcreateserial -days 1 -extfile "$dir/ext" -out "$dir/sign.pem" &&
    openssl pkcs12 -export -inkey "$dir/sign.key" -in "$dir/sign.pem" -certfile "$dir/ca.pem" \
      -passout "pass:$password" -out "$dir/sign.pfx"
} >"$dir/openssl.log" 2>&1 || { cat "$dir/openssl.log" >&2; echo "test-cert: openssl failed" >&2; exit 1; }
echo "$subject"
