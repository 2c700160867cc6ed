#!/usr/bin/env bash
# Makes a throw-away self-signed signing certificate, valid two days: key.pem and cert.pem in the
# folder, for the test suites and for trial releases only.
# Usage: make_test_certificate.sh <folder> [common name]
set -euo pipefail
folder=$1 name=${2:-Tellura Test Signer}
mkdir -p "$folder"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=$name" \
    -keyout "$folder/key.pem" -out "$folder/cert.pem" >/dev/null 2>&1
