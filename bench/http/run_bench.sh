#!/usr/bin/env bash
# Runs the HTTP benchmark against nginx on loopback serving a 64 MiB file. The runs of the
# client and of curl are interleaved, so that a slow spell of the machine weighs on both alike.
# Usage: bench/http/run_bench.sh [build dir, default build/native] [benchmark flags...]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/native}" && pwd)
shift $(($# > 0 ? 1 : 0))
work="$build/bench/http/peers"
export QEL_PEERS_SIZE=$((64 * 1024 * 1024))
export QEL_PEERS_WORK="$work"
exec "$root/tests/e2e/http/run_with_peers.sh" "$work" -- "$build/bench/http/qel_http_bench" \
    --benchmark_enable_random_interleaving=true "$@"
