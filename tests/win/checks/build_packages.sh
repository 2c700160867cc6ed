#!/usr/bin/env bash
# Builds the installable test packages: the product at 1.0.12 and the VC8 runtime at several
# versions, each under its real UpgradeCode, for 32-bit (vc8_*) and 64-bit Windows (vc8x64_*).
# Usage: build_packages.sh <out folder> <wxs source>
set -euo pipefail
out=$1 wxs=$2
rm -rf "$out" && mkdir -p "$out"
cd "$out"
echo payload >payload.txt

product="{443128EF-B891-47D2-A48C-1B67E8224974}"
vc8_x86="{6D030EC1-97CC-4663-A875-FB09BA36DEB5}"
vc8_x64="{B7BDDA33-8259-4324-A45D-2E04DE4C576A}"

wixl -D Name=TelluraTest -D Version=1.0.12 -D UpgradeCode="$product" -D Payload=payload.txt \
    -o product_1.0.12.msi "$wxs"
for version in 8.1.3 8.1.2 8.0.9 9.0.0 8.2.0 8.1; do
    wixl -D Name="VC8Test$version" -D Version="$version" -D UpgradeCode="$vc8_x86" \
        -D Payload=payload.txt -o "vc8_$version.msi" "$wxs"
    wixl -D Name="VC8x64Test$version" -D Version="$version" -D UpgradeCode="$vc8_x64" \
        -D Payload=payload.txt -o "vc8x64_$version.msi" "$wxs"
done
