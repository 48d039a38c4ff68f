#!/usr/bin/env bash
# Makes the certificates of the HTTPS update tests in DIR, fresh each time
# (no key is kept in the tree):
#   ca.pem                      the authority the tests trust
#   good.pem good.key           127.0.0.1, signed by ca.pem
#   other.pem other.key         the host name other.invalid, signed by ca.pem
#   untrusted.pem untrusted.key 127.0.0.1, signed by an authority nobody trusts
# Usage: make_test_certs.sh DIR
set -euo pipefail
dir=$1
cd "$dir"
key() { openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$1" 2>/dev/null; }
authority() { # NAME
  key "$1.key"
  openssl req -x509 -new -key "$1.key" -subj "/CN=Portelan Test $1" -days 2 -out "$1.pem" \
    -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign 2>/dev/null
}
server() { # NAME AUTHORITY SUBJECT_ALT_NAME
  key "$1.key"
  openssl req -new -key "$1.key" -subj "/CN=$1" -out "$1.csr" 2>/dev/null
  printf 'subjectAltName=%s\nbasicConstraints=CA:FALSE\nkeyUsage=digitalSignature\nextendedKeyUsage=serverAuth\n' \
    "$3" >"$1.ext"
  openssl x509 -req -in "$1.csr" -CA "$2.pem" -CAkey "$2.key" -CAcreateserial -days 2 -extfile "$1.ext" \
    -out "$1.pem" 2>/dev/null
  rm -f "$1.csr" "$1.ext"
}
authority ca
authority rogue
server good ca IP:127.0.0.1
server other ca DNS:other.invalid
server untrusted rogue IP:127.0.0.1
