#!/usr/bin/env bash
# Runs a command with a Wine prefix of its own (made on first use) and a private X display, so
# that suites which install software or take the focus stay out of each other's way.
# Usage: with_wine_prefix.sh PREFIX_FOLDER win32|win64 -- COMMAND...
set -uo pipefail
prefix=$1 arch=$2
shift 2
[ "${1:-}" = -- ] && shift
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/wine-env"
wine_env_start "$root" "$prefix" "$arch"
trap wine_env_stop EXIT
"$@"
