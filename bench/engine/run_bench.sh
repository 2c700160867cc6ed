#!/usr/bin/env bash
# The package download of a 64 MiB package through the link server: natively with the socket
# driver against curl -L, then, when the Windows tree is built, with WinInet under Wine.
# Usage: bench/engine/run_bench.sh [native build dir] [mingw build dir]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
native=$(cd "${1:-$root/build/native}" && pwd)
mingw=$(cd "${2:-$root/build/mingw}" 2>/dev/null && pwd || echo "${2:-$root/build/mingw}")
export BENCH_WORK=$native/bench/engine/work
rm -rf "$BENCH_WORK" && mkdir -p "$BENCH_WORK/www"
head -c $((64 * 1024 * 1024)) /dev/urandom >"$BENCH_WORK/www/Ventrola.msi"
command -v nginx >/dev/null || PATH=$PATH:/usr/sbin
source "$root/tools/linkserver/linkserver.sh"
trap linkserver_stop EXIT
linkserver_start "$BENCH_WORK/server" "$BENCH_WORK/www"
export LINKSERVER_HOST=127.0.0.1:$LINKSERVER_PORT
url="http://$LINKSERVER_HOST/fwlink/?LinkId=136707"

# Interleaved runs, so that a slow spell of the machine weighs on the download and curl alike.
HTTPDriver=1 "$native/bench/engine/engine_bench" --benchmark_enable_random_interleaving=true

# The same download with WinInet under Wine, when the Windows tree is built.
wininet_runs() {
    probe=$mingw/bench/engine/engine_download_probe.exe
    [ -f "$probe" ] || return 0
    echo
    source "$root/scripts/wine-env"
    if wine_machine_refuses_32bit; then
        echo "WinInet under Wine: not run, this machine starts no 32-bit x86 program"
        return 0
    fi
    echo "WinInet under Wine (each time includes Wine's process start):"
    wine_prefix_init "$root"
    target="Z:${BENCH_WORK//\//\\}\\wine.bin"
    wine "$probe" --idle >/dev/null  # starts the prefix's services before timing
    start=$(date +%s.%N)
    wine "$probe" --idle >/dev/null
    awk -v a="$start" -v b="$(date +%s.%N)" 'BEGIN { printf "Wine start and end of an idle probe: %.2f s\n", b - a }'
    for run in 1 2 3; do
        start=$(date +%s.%N)
        wine "$probe" "$url" "$target" >/dev/null
        middle=$(date +%s.%N)
        curl -sfL -o "$BENCH_WORK/curl.bin" "$url"
        end=$(date +%s.%N)
        cmp -s "$BENCH_WORK/wine.bin" "$BENCH_WORK/www/Ventrola.msi" || { echo "the Wine download differs"; exit 1; }
        awk -v run="$run" -v a="$start" -v b="$middle" -v c="$end" 'BEGIN {
            printf "run %d: WinInet %.2f s, curl -L %.2f s, ratio %.2fx\n", run, b - a, c - b, (b - a) / (c - b) }'
    done
}
wininet_runs

# A server that answers the first 512 KiB range with a whole gigabyte: the download must fail
# without holding it.
linkserver_stop || true
mkdir -p "$BENCH_WORK/huge"
truncate -s 1G "$BENCH_WORK/huge/Ventrola.msi"
touch "$BENCH_WORK/huge/.whole"
linkserver_start "$BENCH_WORK/huge-server" "$BENCH_WORK/huge" "" "" \
    "$root/tests/e2e/engine/server_faults.conf"
# The probe's peak resident KiB; the refused download exits with 1.
peak_kib() {
    { HTTPDriver=1 /usr/bin/time -f %M "$native/bench/engine/engine_download_probe" "$@" 2>&1 \
        >/dev/null || true; } | tail -n1
}
idle=$(peak_kib --idle)
huge=$(peak_kib "http://127.0.0.1:$LINKSERVER_PORT/fwlink/?LinkId=136707" "$BENCH_WORK/huge.bin")
echo "a gigabyte for a 512 KiB range: peak $((huge - idle)) KiB above an idle process (goal < 2048 KiB)"
