#!/usr/bin/env bash
# Makes a certificate authority of our own and a certificate for "localhost" signed by it, in
# DIR: ca.pem (to be trusted, in a Wine prefix only), localhost.pem (the server's chain: its
# certificate, then the CA's) and localhost.key. Kept between runs: the CA is made once, the
# server's certificate again only when it is missing or ends within a day. The keys never leave
# DIR. Usage: scripts/make-local-ca.sh DIR
set -euo pipefail
dir=${1:?usage: make-local-ca.sh DIR}
mkdir -p "$dir"
cd "$dir"
umask 077
if [ ! -s ca.pem ] || [ ! -s ca.key ]; then
  # A host name, never an address: Wine refuses certificates for IP addresses even when trusted.
  openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 3650 \
    -subj "/O=TarvoClock/CN=TarvoClock local feeds CA $(hostname -s) $(date +%Y%m%d%H%M%S)" \
    -addext "basicConstraints=critical,CA:TRUE" \
    -addext "keyUsage=critical,keyCertSign,cRLSign" >/dev/null 2>&1
  rm -f localhost.pem localhost.key
fi
if [ ! -s localhost.pem ] || [ ! -s localhost.key ] ||
   ! openssl x509 -in localhost.pem -noout -checkend 86400 >/dev/null 2>&1; then
  openssl req -newkey rsa:2048 -nodes -keyout localhost.key -out localhost.csr \
    -subj "/O=TarvoClock/CN=localhost" >/dev/null 2>&1
  printf '%s\n' "basicConstraints=critical,CA:FALSE" "keyUsage=critical,digitalSignature,keyEncipherment" \
    "extendedKeyUsage=serverAuth" "subjectAltName=DNS:localhost" >localhost.ext
  openssl x509 -req -in localhost.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 397 \
    -extfile localhost.ext -out localhost.crt >/dev/null 2>&1
  cat localhost.crt ca.pem >localhost.pem
  rm -f localhost.csr localhost.ext localhost.crt ca.srl
fi
chmod 644 ca.pem
