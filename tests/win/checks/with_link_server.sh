#!/usr/bin/env bash
# Runs a command beside nginx on a free loopback port, serving the version file's link
# (LinkId 136708, answered with a 302 to the file) from a folder the command may rewrite.
# The command learns CHECKS_LINK_PORT and CHECKS_LINK_WWW.
# Usage: with_link_server.sh WORKDIR -- COMMAND...
set -uo pipefail
work=$1
shift
[ "${1:-}" = -- ] && shift
rm -rf "$work"
mkdir -p "$work/www/files" "$work/logs" "$work/tmp"
nginx_pid=
trap '[ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null' EXIT

listening() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

for _ in $(seq 20); do
    port=$((20000 + RANDOM % 20000))
    listening "$port" && continue
    cat >"$work/nginx.conf" <<CONF
daemon off;
master_process off;
worker_processes 1;
pid $work/nginx.pid;
error_log $work/logs/error.log;
events { worker_connections 16; }
http {
    access_log off;
    client_body_temp_path $work/tmp;
    proxy_temp_path $work/tmp;
    fastcgi_temp_path $work/tmp;
    uwsgi_temp_path $work/tmp;
    scgi_temp_path $work/tmp;
    server {
        listen 127.0.0.1:$port;
        root $work/www;
        location /fwlink/ {
            if (\$arg_LinkId = 136708) { return 302 http://127.0.0.1:$port/files/Ventrola_VERSION.txt; }
            return 404;
        }
    }
}
CONF
    nginx -p "$work" -c "$work/nginx.conf" -e "$work/logs/error.log" &
    nginx_pid=$!
    for _ in $(seq 50); do
        listening "$port" && break
        kill -0 "$nginx_pid" 2>/dev/null || break
        sleep 0.1
    done
    if listening "$port"; then
        export CHECKS_LINK_PORT=$port CHECKS_LINK_WWW=$work/www
        "$@"
        exit $?
    fi
    kill "$nginx_pid" 2>/dev/null
    wait "$nginx_pid" 2>/dev/null
    nginx_pid=
done
echo "with_link_server: nginx did not start" >&2
exit 1
