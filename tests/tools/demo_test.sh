#!/usr/bin/env bash
# scripts/demo against the stand-in dialog: a missing program is refused with a clear message,
# and --auto drives the dialog to its end and leaves one PNG per state.
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

TELLURA_DEMO_EXE="$stand_in" TELLURA_DEMO_OUT="$scratch/shots" "$root/scripts/demo" --auto --no-build \
    >"$scratch/auto.out" 2>"$scratch/auto.err"
status=$?
cat "$scratch/auto.out" "$scratch/auto.err"
check "--auto succeeds" '[ "$status" -eq 0 ]'
for state in 01-licence 02-accepted 03-installing 04-outcome; do
    check "$state.png is a PNG picture" \
        'identify -format "%m" "$scratch/shots/$state.png" 2>/dev/null | grep -qx PNG'
done
check "the outcome is read from the dialog" \
    'grep -q "outcome: Setup has successfully installed Tellura." "$scratch/auto.out"'
check "Close ends the dialog with 1" 'grep -q "the setup ended with 1" "$scratch/auto.out"'

[ "$failures" -eq 0 ]
