#!/usr/bin/env bash
# Runs a command beside the link server (nginx) serving WORKDIR/www.
# Usage: with_linkserver.sh WORKDIR [--server-conf FILE] -- COMMAND...
# The command learns LINKSERVER_HOST (address:port, the setup's Tellura_Server),
# LINKSERVER_WWW (the served folder, which it may fill) and LINKSERVER_LOG (nginx's access log).
set -uo pipefail
work=$1
shift
server_conf=
if [ "${1:-}" = --server-conf ]; then
    server_conf=$2
    shift 2
fi
[ "${1:-}" = -- ] && shift
source "$(dirname "$0")/../../tools/linkserver/linkserver.sh"
rm -rf "$work"
mkdir -p "$work/www"
trap linkserver_stop EXIT
linkserver_start "$work" "$work/www" "" "" "$server_conf" || exit 1
export LINKSERVER_HOST="127.0.0.1:$LINKSERVER_PORT"
export LINKSERVER_WWW="$work/www"
export LINKSERVER_LOG="$work/logs/access.log"
"$@"
