#!/usr/bin/env bash
# Runs a test program beside real HTTP peers on loopback: nginx (ranges, keep-alive, a LinkId
# map answered with 302: 1001 to files/blob.bin, 136708 to files/Ventrola_VERSION.txt) on a free
# port and, with --proxy, tinyproxy on 127.0.0.1:8080. A second nginx server on another free
# port serves the same files: /otherlink/?LinkId= on the first redirects there, as a link server
# sends the download to a file server on another host.
# Usage: run_with_peers.sh WORKDIR [--proxy] -- COMMAND...
# The program learns about the peers from QEL_PEERS_URL, QEL_PEERS_PORT, QEL_PEERS_OTHER_PORT,
# QEL_PEERS_WWW (the folder served, which it may rewrite), QEL_PEERS_FILE, QEL_PEERS_LOG (one
# line per request: server port, connection number, requests on it, request, Via, status, user
# agent) and QEL_PEERS_PROXY (the proxy's address, or "unavailable: <reason>").
set -uo pipefail
work=$1
shift
want_proxy=0
if [ "${1:-}" = --proxy ]; then
    want_proxy=1
    shift
fi
[ "${1:-}" = -- ] && shift
source "$(dirname "$0")/../../../tools/linkserver/linkserver.sh"

rm -rf "$work"
mkdir -p "$work/www/files" "$work/logs" "$work/tmp"
proxy_pid=
stop_peers() {
    linkserver_stop
    [ -n "$proxy_pid" ] && kill "$proxy_pid" 2>/dev/null && wait "$proxy_pid" 2>/dev/null
}
trap stop_peers EXIT

# 2.5 MiB and a few bytes unless QEL_PEERS_SIZE says otherwise: the last 512 KiB piece is a
# short one.
head -c "${QEL_PEERS_SIZE:-$((5 * 512 * 1024 + 1234))}" /dev/urandom >"$work/www/files/blob.bin"

peers_config() {
    local port=$1 other=$2
    {
        linkserver_config_head "$work" 64
        cat <<CONF
    log_format peers '\$server_port \$connection \$connection_requests "\$request" "\$http_via" \$status "\$http_user_agent"';
    keepalive_requests 1000;
    map \$arg_LinkId \$link_target {
        default "";
        1001 /files/blob.bin;
        136708 /files/Ventrola_VERSION.txt;
    }
    server {
        listen 127.0.0.1:$port;
        root $work/www;
        access_log $work/logs/access.log peers;
        location /fwlink/ {
            if (\$link_target) { return 302 http://127.0.0.1:$port\$link_target; }
            return 404;
        }
        location /otherlink/ {
            if (\$link_target) { return 302 http://127.0.0.1:$other\$link_target; }
            return 404;
        }
    }
    server {
        listen 127.0.0.1:$other;
        root $work/www;
        access_log $work/logs/access.log peers;
    }
}
CONF
    } >"$work/nginx.conf"
}

linkserver_launch "$work" peers_config 2 || exit 1
port=${LINKSERVER_PORTS[0]}
other_port=${LINKSERVER_PORTS[1]}

export QEL_PEERS_URL="http://127.0.0.1:$port"
export QEL_PEERS_PORT=$port
export QEL_PEERS_OTHER_PORT=$other_port
export QEL_PEERS_WWW="$work/www"
export QEL_PEERS_FILE="$work/www/files/blob.bin"
export QEL_PEERS_LOG="$work/logs/access.log"
export QEL_PEERS_PROXY="unavailable: not asked for"
if [ "$want_proxy" = 1 ]; then
    if linkserver_listening 8080; then
        QEL_PEERS_PROXY="unavailable: 127.0.0.1:8080 is taken by another program"
    else
        cat >"$work/tinyproxy.conf" <<CONF
Port 8080
Listen 127.0.0.1
Timeout 60
MaxClients 16
Allow 127.0.0.1
LogFile "$work/logs/tinyproxy.log"
LogLevel Info
CONF
        tinyproxy -d -c "$work/tinyproxy.conf" >"$work/logs/tinyproxy.out" 2>&1 &
        proxy_pid=$!
        for _ in $(seq 50); do
            linkserver_listening 8080 && break
            sleep 0.1
        done
        if linkserver_listening 8080 && kill -0 "$proxy_pid" 2>/dev/null; then
            QEL_PEERS_PROXY="127.0.0.1:8080"
        else
            QEL_PEERS_PROXY="unavailable: tinyproxy did not start ($(tail -n1 "$work/logs/tinyproxy.out"))"
        fi
    fi
    echo "peers: proxy $QEL_PEERS_PROXY"
fi
echo "peers: nginx on $QEL_PEERS_URL"
"$@"
