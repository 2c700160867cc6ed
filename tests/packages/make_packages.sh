#!/usr/bin/env bash
# Builds the packages the link server offers, signed with a throw-away certificate: the runtime
# prerequisites (8.1.3, for 32- and 64-bit Windows), MSXML and its hot fix, the product with the
# stand-ins of its programs, and the version file. Variants for the failure cases go to
# variants/: an unsigned product, one that registers under another UpgradeCode, a 1.0 to
# upgrade from and one whose installer fails.
# The product is a 32-bit package unless PRODUCT_ARCH is x64: a 64-bit build of the setup reads
# the registry's 64-bit view, where only a 64-bit package writes.
# Usage: make_packages.sh OUT_FOLDER STAND_IN_FOLDER [PRODUCT_VERSION [PRODUCT_ARCH [SETUP]]]
set -euo pipefail
out=$1 bin=$(cd "$2" && pwd) version=${3:-1.0.12} arch=${4:-x86} setup=${5:-}
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$out" && mkdir -p "$out/variants" "$out/work"
cd "$out/work"

product="{443128EF-B891-47D2-A48C-1B67E8224974}"
vc8_x86="{6D030EC1-97CC-4663-A875-FB09BA36DEB5}"
vc8_x64="{B7BDDA33-8259-4324-A45D-2E04DE4C576A}"
msxml="{7A3E5C10-2B1D-4E7F-9C3A-5D0B6F2E8A41}"
unrelated="{0D8E5B71-3C2A-4F6B-8E1D-9A7C4B2E6F03}"

"$here/../../tools/release/make_test_certificate.sh" .
"$here/../../tools/release/make_test_certificate.sh" other "Another Publisher"
sign() { osslsigncode sign -certs cert.pem -key key.pem -in "$1" -out "$2" >/dev/null; }
# Random payloads do not compress: the prerequisites take several 512 KiB pieces to download
# (room for a cancel between them), the product a while to install.
head -c $((2 * 1024 * 1024)) /dev/urandom >payload.bin
head -c $((12 * 1024 * 1024)) /dev/urandom >textures.bin

# name version upgrade-code target
package() {
    wixl -D Name="$1" -D Version="$2" -D UpgradeCode="$3" -D Payload=payload.bin \
        -o "$1.msi" "$here/test_product.wxs"
    sign "$1.msi" "$4"
}
package TelluraTestPrerequisitesX86 8.1.3 "$vc8_x86" "$out/InstallKVSoftwarePrerequisites_x86.msi"
package TelluraTestPrerequisitesX64 8.1.3 "$vc8_x64" "$out/InstallKVSoftwarePrerequisites_x86_x64.msi"
package TelluraTestMsxmlX86 6.10.1 "$msxml" "$out/msxml6_x86.msi"
package TelluraTestMsxmlX64 6.10.1 "$msxml" "$out/msxml6_x64.msi"

# An update package is a cabinet.
echo hotfix >KB941179.txt
gcab -c -n hotfix.msu KB941179.txt
sign hotfix.msu "$out/Windows6.0-KB941179-x86.msu"
sign hotfix.msu "$out/Windows6.0-KB941179-x64.msu"

# wixl takes file sources relative to the current folder.
mkdir bin && cp "$bin"/QELTexturesGeneration.exe "$bin"/QELSTART.exe "$bin"/Ventrola.exe bin/
mv textures.bin bin/
case $arch in
    x86) product_arch=(-a x86 -D ProgramFiles=ProgramFilesFolder -D Win64=no) ;;
    x64) product_arch=(-a x64 -D ProgramFiles=ProgramFiles64Folder -D Win64=yes) ;;
    *) echo "make_packages.sh: unknown architecture $arch" >&2; exit 2 ;;
esac
# upgrade-code output [version [fails]]
product_package() {
    wixl "${product_arch[@]}" -D Version="${3:-$version}" -D UpgradeCode="$1" -D Bin=bin \
        -D Fails="${4:-no}" -o "$2" "$here/ventrola.wxs"
}
product_package "$product" Ventrola.msi
sign Ventrola.msi "$out/Ventrola.msi"
cp Ventrola.msi "$out/variants/Ventrola_unsigned.msi"
osslsigncode sign -certs other/cert.pem -key other/key.pem -in Ventrola.msi \
    -out "$out/variants/Ventrola_other_publisher.msi" >/dev/null
product_package "$unrelated" unrelated.msi
sign unrelated.msi "$out/variants/Ventrola_unregistered.msi"
product_package "$product" old.msi 1.0.0
sign old.msi "$out/variants/Ventrola_1.0.msi"
product_package "$product" failing.msi "$version" yes
sign failing.msi "$out/variants/Ventrola_fails.msi"

printf 'PNQ1\t%s\t%s\r\n' "$product" "$version" >"$out/Ventrola_VERSION.txt"
if [ -n "$setup" ]; then sign "$setup" "$out/TelluraSetup.exe"; fi
cd "$out" && rm -rf work
