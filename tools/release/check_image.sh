#!/usr/bin/env bash
# Checks a built TelluraSetup.exe and the TelluraSetup.debug beside it as they are shipped: under
# 1 MB, ASLR and DEP on, only KnownDLLs imported, a manifest that Windows XP SP2 loads and that
# declares Windows Vista to 11 and per-monitor DPI awareness, stripped with a debug link, hardened,
# and no given folder (the checkout, the build tree) named in either file. With --time-stamp, the
# PE header's time stamp must be those seconds since 1970.
# Usage: check_image.sh [--time-stamp SECONDS] IMAGE [FOLDER...]
# Exit code 0 when every check holds, 1 when one fails, 2 on a usage error.
set -euo pipefail
usage() {
    echo "usage: check_image.sh [--time-stamp SECONDS] IMAGE [FOLDER...]" >&2
    exit 2
}
stamp=
if [ "${1:-}" = --time-stamp ]; then
    [[ "${2:-}" =~ ^[0-9]+$ ]] || usage
    stamp=$2
    shift 2
fi
[ $# -ge 1 ] || usage
image=$1
shift
debug=${image%.exe}.debug
failures=0
fail() {
    echo "check_image: $*" >&2
    failures=$((failures + 1))
}
for file in "$image" "$debug"; do
    [ -f "$file" ] || { echo "check_image: $file is missing" >&2; exit 1; }
done

size=$(stat -c %s "$image")
[ "$size" -lt 1048576 ] || fail "$image is $size bytes, not under 1 MB"

# The header's time stamp sits 8 bytes into the PE header, whose offset is at 0x3C.
if [ -n "$stamp" ]; then
    header=$(od -An -tu4 -j 60 -N4 "$image" | tr -d ' ')
    actual=$(od -An -tu4 -j $((header + 8)) -N4 "$image" | tr -d ' ')
    [ "$actual" = "$stamp" ] || fail "$image has the time stamp $actual, not $stamp"
fi

headers=$(i686-w64-mingw32-objdump -p "$image")
flags=$(awk '$1 == "DllCharacteristics" { print $2 }' <<<"$headers")
(( 0x${flags:-0} & 0x40 )) || fail "$image: no ASLR (DllCharacteristics ${flags:-missing})"
(( 0x${flags:-0} & 0x100 )) || fail "$image: no DEP (DllCharacteristics ${flags:-missing})"

# Only the KnownDLLs that imported_dlls.txt names; a runtime DLL of the toolchain is not among them.
known=" $(grep -v '^#' "$(dirname "$0")/imported_dlls.txt" | tr '\n' ' ') "
for dll in $(awk '/DLL Name:/ { print $3 }' <<<"$headers"); do
    [[ "$known" == *" ${dll,,} "* ]] || fail "$image imports $dll, not one of the KnownDLLs"
done

# The manifest is kept as UTF-8 text in the resources. Without the supported systems Windows treats
# the setup as a Vista program; without the DPI settings it stretches the window as a bitmap.
# Windows XP SP2's loader refuses an element that declares a namespace twice.
manifest=$(strings -a "$image" | sed -n '/<assembly /,/<\/assembly>/p')
has() { grep -qF "$1" <<<"$manifest" || fail "$image: the manifest lacks $1"; }
has 'level="requireAdministrator"'
for os in e2011457-1546-43c5-a5fe-008deee3d3f0 35138b9a-5d96-4fbd-8e2d-a2440225f93a \
    4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38 1f676c76-80e1-4239-95bb-83d0f6d0da78 \
    8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a; do
    has "<supportedOS Id=\"{$os}\"/>"
done
has '<application xmlns="urn:schemas-microsoft-com:asm.v3">'
has '<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true/pm</dpiAware>'
has '<dpiAwareness xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">PerMonitorV2, PerMonitor, System</dpiAwareness>'
! grep -Eq 'xmlns[:=].*xmlns[:=]' <<<"$manifest" ||
    fail "$image: a manifest element declares two namespaces, which Windows XP SP2 refuses"

sections=$(i686-w64-mingw32-objdump -h "$image")
! grep -q ' \.debug_' <<<"$sections" || fail "$image still carries debug sections"
grep -q ' \.gnu_debuglink ' <<<"$sections" || fail "$image has no debug link"

# The stack protector's guard and at least one checked string function are linked in.
symbols=$(i686-w64-mingw32-nm "$debug")
grep -q ' ___stack_chk_guard$' <<<"$symbols" || fail "$image is built without stack protection"
grep -Eq ' ___(mem|str)[a-z]*_chk$' <<<"$symbols" ||
    fail "$image is built without the checked string functions"

for folder in "$@"; do
    for file in "$image" "$debug"; do
        count=$({ strings -a "$file"; strings -a -el "$file"; } | grep -cF "$folder" || true)
        [ "$count" -eq 0 ] || fail "$file names $folder in $count strings"
    done
done

[ "$failures" -eq 0 ] || exit 1
echo "check_image: $image holds ($size bytes)"
