#!/usr/bin/env bash
# scripts/demo against the stand-in dialog: a missing program or an unknown language is refused
# with a clear message, --auto drives the dialog to its end and leaves one PNG per state, cropped
# to the window; the gallery's index shows the pictures there are and names the missing ones.
#   demo_test.sh <source root> <stand-in exe> <scratch folder>
set -uo pipefail
root=$1
stand_in=$2
scratch=$3
failures=0
check() {
    if ! eval "$2"; then
        echo "FAILED: $1"
        failures=$((failures + 1))
    fi
}

rm -rf "$scratch"
mkdir -p "$scratch"

TELLURA_DEMO_EXE="$scratch/missing.exe" "$root/scripts/demo" --auto --no-build \
    >"$scratch/missing.out" 2>"$scratch/missing.err"
status=$?
check "a missing program fails" '[ "$status" -ne 0 ]'
check "and says which file is missing" 'grep -q "missing.exe not found" "$scratch/missing.err"'

"$root/scripts/demo" --auto --lang nl --no-build >"$scratch/lang.out" 2>"$scratch/lang.err"
status=$?
check "an unknown language is a usage error" '[ "$status" -eq 2 ]'
check "and is named" 'grep -q "unknown language \"nl\"" "$scratch/lang.err"'

TELLURA_DEMO_EXE="$stand_in" TELLURA_DEMO_OUT="$scratch/shots" "$root/scripts/demo" --auto --no-build \
    >"$scratch/auto.out" 2>"$scratch/auto.err"
status=$?
cat "$scratch/auto.out" "$scratch/auto.err"
check "--auto succeeds" '[ "$status" -eq 0 ]'
for state in 01-licence 02-accepted 03-installing 04-outcome; do
    check "$state.png is a PNG picture" \
        'identify -format "%m" "$scratch/shots/$state.png" 2>/dev/null | grep -qx PNG'
done
width=$(identify -format "%w" "$scratch/shots/01-licence.png" 2>/dev/null || echo 0)
check "the licence picture is cropped to the window ($width px of the 1024 px screen)" \
    '[ "$width" -gt 200 ] && [ "$width" -lt 1024 ]'
check "the outcome is read from the dialog" \
    'grep -q "outcome: Setup has successfully installed Tellura." "$scratch/auto.out"'
check "Close ends the dialog with 1" 'grep -q "the setup ended with 1" "$scratch/auto.out"'

mkdir -p "$scratch/gallery/gallery/ja/150"
cp "$scratch/shots/01-licence.png" "$scratch/gallery/gallery/ja/150/licence.png"
"$root/scripts/lib/gallery_index.sh" "$scratch/gallery" >"$scratch/index.out"
check "the index shows the picture there is" \
    'grep -q "<img src=\"gallery/ja/150/licence.png\"" "$scratch/gallery/index.html"'
check "and names the others as missing" 'grep -q "142 pictures missing" "$scratch/index.out"'
check "in the page too" '[ "$(grep -o "missing: " "$scratch/gallery/index.html" | wc -l)" -eq 142 ]'

[ "$failures" -eq 0 ]
