#!/usr/bin/env bash
# Makes the signed test files: a throw-away certificate, a signed copy of a program and of an
# MSI, and one of each with a byte changed after signing.
# Usage: sign_packages.sh <out folder> <program to sign> <wxs source>
set -euo pipefail
out=$1 program=$2 wxs=$3
tools=$(cd "$(dirname "$0")/../../../tools/release" && pwd)
rm -rf "$out" && mkdir -p "$out"
cd "$out"

"$tools/make_test_certificate.sh" .
echo payload >payload.txt
wixl -D Name=SignedProduct -D Version=1.0.0 -D UpgradeCode="{0F4B7B3C-6E0B-4B6E-9C4B-51D1B3E0A001}" \
    -D Payload=payload.txt -o unsigned.msi "$wxs"

osslsigncode sign -certs cert.pem -key key.pem -in "$program" -out signed.exe >/dev/null
osslsigncode sign -certs cert.pem -key key.pem -in unsigned.msi -out signed.msi >/dev/null

# Changes the byte at the offset to its complement.
flip() {
    local file=$1 offset=$2
    local byte
    byte=$(od -An -tu1 -j "$offset" -N1 "$file" | tr -d ' ')
    printf "$(printf '\\%03o' $((255 - byte)))" | dd of="$file" bs=1 seek="$offset" conv=notrunc 2>/dev/null
}

# A byte of the program's code: the digest no longer matches.
cp signed.exe tampered.exe
flip tampered.exe 1100
# Wine does not check an MSI's content digest, so the change goes into the signer's name
# inside the signature.
cp signed.msi tampered_signature.msi
offset=$(grep -abo "Tellura Test Signer" tampered_signature.msi | tail -n1 | cut -d: -f1)
flip tampered_signature.msi "$((offset + 3))"
