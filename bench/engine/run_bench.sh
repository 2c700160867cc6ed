#!/usr/bin/env bash
# The package download of a 64 MiB package through the link server: natively with the socket
# driver against curl -L, on loopback and then over lines of 100 Mbit/s, then, when the Windows
# tree is built, with WinInet under Wine.
# Usage: bench/engine/run_bench.sh [native build dir] [mingw build dir]
# BENCH_ROUND_TRIPS lists the lines' round trips in ms (default "0 50 150").
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
native=$(cd "${1:-$root/build/native}" && pwd)
mingw=$(cd "${2:-$root/build/mingw}" 2>/dev/null && pwd || echo "${2:-$root/build/mingw}")
export BENCH_WORK=$native/bench/engine/work
rm -rf "$BENCH_WORK" && mkdir -p "$BENCH_WORK/www"
head -c $((64 * 1024 * 1024)) /dev/urandom >"$BENCH_WORK/www/Ventrola.msi"
source "$root/tools/linkserver/linkserver.sh"
# The line's proxy, while one runs.
proxy_pid=
line_stop() {
    [ -n "$proxy_pid" ] && { kill "$proxy_pid"; wait "$proxy_pid" 2>/dev/null || true; }
    proxy_pid=
}
trap 'line_stop; linkserver_stop' EXIT
linkserver_start "$BENCH_WORK/server" "$BENCH_WORK/www"
export LINKSERVER_HOST=127.0.0.1:$LINKSERVER_PORT
url="http://$LINKSERVER_HOST/fwlink/?LinkId=136707"

# Interleaved runs, so that a slow spell of the machine weighs on the download and curl alike.
HTTPDriver=1 "$native/bench/engine/engine_bench" --benchmark_enable_random_interleaving=true

# Over a line: bench/line's proxy in front of nginx, which names the proxy in its 302, so the
# redirected request takes the line too.

# The median of column COLUMN of the lines read.
median() { sort -n -k"$1" | awk -v c="$1" '{ v[NR] = $c } END { print v[int((NR + 1) / 2)] }'; }
# Appends "seconds connections" of one download to RESULTS.
#   timed_download RESULTS FILE COMMAND...
timed_download() {
    local results=$1 file=$2 before start end
    shift 2
    rm -f "$file"
    before=$(cat "$line_dir/connections")
    start=$(date +%s.%N)
    "$@" >/dev/null || { echo "a download over the line failed: $*"; exit 1; }
    end=$(date +%s.%N)
    cmp -s "$file" "$BENCH_WORK/www/Ventrola.msi" ||
        { echo "a download over the line differs: $*"; exit 1; }
    awk -v a="$start" -v b="$end" -v c="$before" -v d="$(cat "$line_dir/connections")" \
        'BEGIN { printf "%.3f %d\n", b - a, d - c }' >>"$results"
}
# The probe and curl -L in turn over a line of RTT ms, and the medians against GOAL.
#   line_runs RTT GOAL
line_runs() {
    local rtt=$1 goal=$2 url requests
    line_dir=$BENCH_WORK/line-$rtt
    mkdir -p "$line_dir"
    "$native/bench/line/line_proxy" "$LINKSERVER_PORT" "$rtt" 100 "$line_dir" &
    proxy_pid=$!
    for _ in $(seq 50); do [ -f "$line_dir/port" ] && break; sleep 0.1; done
    url="http://127.0.0.1:$(cat "$line_dir/port")/fwlink/?LinkId=136707"
    requests=$(wc -l <"$BENCH_WORK/server/logs/access.log")
    for _ in 1 2 3; do
        timed_download "$line_dir/ours" "$BENCH_WORK/line.bin" \
            env HTTPDriver=1 "$native/bench/engine/engine_download_probe" "$url" \
            "$BENCH_WORK/line.bin"
        timed_download "$line_dir/curl" "$BENCH_WORK/curl.bin" \
            curl -sfL -o "$BENCH_WORK/curl.bin" "$url"
    done
    line_stop
    # Every connection nginx saw meanwhile came through the proxy.
    [ "$(tail -n +$((requests + 1)) "$BENCH_WORK/server/logs/access.log" | cut -d' ' -f1 |
        sort -u | wc -l)" = "$(cat "$line_dir/connections")" ] ||
        { echo "a request went around the line"; exit 1; }
    awk -v rtt="$rtt" -v goal="$goal" -v a="$(median 1 <"$line_dir/ours")" \
        -v b="$(median 1 <"$line_dir/curl")" -v c="$(median 2 <"$line_dir/ours")" \
        -v d="$(median 2 <"$line_dir/curl")" 'BEGIN {
        printf "%7d ms  %6.2f s  %6.2f s  %5.2fx (goal <= %sx)  %d / %d\n",
            rtt, a, b, a / b, goal, c, d }'
}
echo
echo "Over a line of 100 Mbit/s (64 MiB alone take 5.37 s; 0 ms is the proxy without delay),"
echo "medians of 3 alternating runs:"
echo "round trip  download   curl -L   ratio                 connections (download / curl -L)"
for rtt in ${BENCH_ROUND_TRIPS:-0 50 150}; do
    goal=1.25
    [ "$rtt" -gt 50 ] && goal=1.5
    line_runs "$rtt" "$goal"
done

# A flaky line: the 50 ms line cutting a connection every 16 MiB. curl -L cannot go on after a
# cut, so the download is held against its own runs over the clean line.
cut_runs() {
    local clean=$BENCH_WORK/line-50/ours
    # The clean runs to hold it against, when the 50 ms line was left out above.
    [ -f "$clean" ] || line_runs 50 1.25 >/dev/null
    line_dir=$BENCH_WORK/line-50-cut
    mkdir -p "$line_dir"
    "$native/bench/line/line_proxy" "$LINKSERVER_PORT" 50 100 "$line_dir" 16 &
    proxy_pid=$!
    for _ in $(seq 50); do [ -f "$line_dir/port" ] && break; sleep 0.1; done
    url="http://127.0.0.1:$(cat "$line_dir/port")/fwlink/?LinkId=136707"
    for _ in 1 2 3; do
        timed_download "$line_dir/ours" "$BENCH_WORK/line.bin" \
            env HTTPDriver=1 "$native/bench/engine/engine_download_probe" "$url" \
            "$BENCH_WORK/line.bin"
    done
    line_stop
    awk -v a="$(median 1 <"$line_dir/ours")" -v b="$(median 1 <"$clean")" \
        -v c="$(median 2 <"$line_dir/ours")" 'BEGIN {
        printf "50 ms, a connection cut every 16 MiB: %.2f s against %.2f s clean, %.2fx (goal <= 1.3x), %d connections\n",
            a, b, a / b, c }'
}
cut_runs

# The same download with WinInet under Wine, when the Windows tree is built.
wininet_runs() {
    probe=$mingw/bench/engine/engine_download_probe.exe
    [ -f "$probe" ] || return 0
    echo
    source "$root/scripts/wine-env"
    if [ "$wine_tree" != mingw ]; then
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
    # The plainest WinInet loop over the same pieces: WinInet's own speed under this Wine.
    local loop=$mingw/bench/engine/wininet_loop.exe
    for run in 1 2 3; do
        start=$(date +%s.%N)
        wine "$probe" "$url" "$target" >/dev/null
        middle=$(date +%s.%N)
        wine "$loop" "$url" "$target.loop"
        looped=$(date +%s.%N)
        curl -sfL -o "$BENCH_WORK/curl.bin" "$url"
        end=$(date +%s.%N)
        for got in wine.bin wine.bin.loop; do
            cmp -s "$BENCH_WORK/$got" "$BENCH_WORK/www/Ventrola.msi" || { echo "the Wine download $got differs"; exit 1; }
        done
        awk -v run="$run" -v a="$start" -v b="$middle" -v l="$looped" -v c="$end" 'BEGIN {
            printf "run %d: WinInet %.2f s, plain WinInet loop %.2f s (%.2fx, goal <= 1.3x), curl -L %.2f s\n",
                run, b - a, l - b, (b - a) / (l - b), c - l }'
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
# The probe's peak resident KiB, its libraries mapped whole first; the refused download exits with 1.
peak_kib() {
    { HTTPDriver=1 /usr/bin/time -f %M "$native/bench/engine/engine_download_probe" --resident "$@" 2>&1 \
        >/dev/null || true; } | tail -n1
}
idle=$(peak_kib --idle)
huge=$(peak_kib "http://127.0.0.1:$LINKSERVER_PORT/fwlink/?LinkId=136707" "$BENCH_WORK/huge.bin")
echo "a gigabyte for a 512 KiB range: peak $((huge - idle)) KiB above an idle process (goal < 2048 KiB)"
