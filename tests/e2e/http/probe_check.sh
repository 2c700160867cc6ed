#!/usr/bin/env bash
# Checks http_probe against the peers of run_with_peers.sh, with the default driver and with
# "HTTPDriver" set. Usage: probe_check.sh WORKDIR PROBE-COMMAND...
set -uo pipefail
work=$1
shift
failures=0
check() {
    local what=$1
    shift
    if "$@"; then echo "ok: $what"; else echo "FAILED: $what"; failures=$((failures + 1)); fi
}

for driver in default socket; do
    if [ "$driver" = socket ]; then export HTTPDriver=1; else unset HTTPDriver; fi
    out="$work/probe-$driver.bin"
    "$@" --pieces 524288 --out "$out" "$QEL_PEERS_URL/fwlink/?LinkId=1001" >"$work/pieces.txt"
    check "$driver: pieces exit 0" [ $? -eq 0 ]
    check "$driver: pieces reassemble the file" cmp -s "$out" "$QEL_PEERS_FILE"

    "$@" --head "$QEL_PEERS_URL/files/blob.bin" >"$work/head.txt"
    check "$driver: head exit 0" [ $? -eq 0 ]
    check "$driver: head size" grep -q "^size: $(stat -c %s "$QEL_PEERS_FILE")" "$work/head.txt"

    "$@" --range 10 20 --out "$out" "$QEL_PEERS_URL/files/blob.bin" >"$work/range.txt"
    check "$driver: range exit 0" [ $? -eq 0 ]
    check "$driver: range bytes" cmp -s "$out" <(tail -c +11 "$QEL_PEERS_FILE" | head -c 20)
    check "$driver: range status" grep -q "^status: 206" "$work/range.txt"
    check "$driver: raw head printed" grep -q "^Content-Range: bytes 10-29/" "$work/range.txt"

    "$@" "$QEL_PEERS_URL/none" >"$work/missing.txt"
    check "$driver: 404 exit 1" [ $? -eq 1 ]
    check "$driver: 404 result" grep -q "^result: -404" "$work/missing.txt"
done
"$@" --range 1 >/dev/null 2>&1
check "usage error exit 2" [ $? -eq 2 ]
[ "$failures" -eq 0 ]
