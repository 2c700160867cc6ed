# The link-redirection server as nginx: /fwlink/?LinkId=<id> answers 302 to the file the map
# names, files are served with real Range support and keep-alive. Sourced by the scripts; every
# nginx that the scripts, tests and benchmarks start is started here.
#
#   linkserver_start WORKDIR ROOT [LISTEN] [EXTRA_MAP] [SERVER_CONF]
#                     sets LINKSERVER_PORT, LINKSERVER_PID
#   linkserver_launch WORKDIR WRITER COUNT   any other configuration (the HTTP suites' peers)
#   linkserver_stop
#
# LISTEN is an address or address:port (default 127.0.0.1 on a free port); EXTRA_MAP is a file
# of further "id target;" lines; SERVER_CONF a file of nginx directives added to the server.
# The access log WORKDIR/logs/access.log names each request's connection and its range, so
# tests can count connections and follow the pieces.
linkserver_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# Debian installs nginx in /usr/sbin, which a user's PATH may lack.
command -v nginx >/dev/null || PATH=$PATH:/usr/sbin

linkserver_listening() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

# The start of a private nginx's configuration, up to inside its http block: one process in the
# foreground, everything it writes below WORKDIR. Also used by the HTTP suites' peers.
#   linkserver_config_head WORKDIR CONNECTIONS
linkserver_config_head() {
    local work=$1 connections=$2
    cat <<CONF
daemon off;
master_process off;
worker_processes 1;
pid $work/nginx.pid;
error_log $work/logs/error.log;
events { worker_connections $connections; }
http {
    access_log off;
    client_body_temp_path $work/tmp;
    proxy_temp_path $work/tmp;
    fastcgi_temp_path $work/tmp;
    uwsgi_temp_path $work/tmp;
    scgi_temp_path $work/tmp;
CONF
}

linkserver_write_config() {
    local work=$1 root=$2 listen=$3 extra=$4 server_conf=$5
    mkdir -p "$work/logs" "$work/tmp"
    {
        linkserver_config_head "$work" 256
        cat <<CONF
    types { text/html html; text/plain txt; application/octet-stream msi msu; }
    log_format links '\$connection \$connection_requests "\$request" "\$http_via" \$status \$http_range';
    keepalive_requests 10000;
    map \$arg_LinkId \$link_target {
        default "";
CONF
        grep -v '^#' "$linkserver_dir/links.map" | sed 's/^/        /'
        [ -n "$extra" ] && sed 's/^/        /' "$extra"
        cat <<CONF
    }
    server {
        listen $listen;
        root $root;
        access_log $work/logs/access.log links;
        location /fwlink/ {
            if (\$link_target) { return 302 http://\$http_host\$link_target; }
            return 404;
        }
CONF
        [ -n "$server_conf" ] && sed 's/^/        /' "$server_conf"
        echo "    }"
        echo "}"
    } >"$work/nginx.conf"
}

# Starts nginx on WORKDIR/nginx.conf and waits up to 5 s until it listens on every PORT; on
# failure nothing is left running. Sets LINKSERVER_PID.
#   linkserver_run_nginx WORKDIR PORT...
linkserver_run_nginx() {
    local work=$1 port
    shift
    nginx -p "$work" -c "$work/nginx.conf" -e "$work/logs/error.log" &
    LINKSERVER_PID=$!
    for _ in $(seq 50); do
        local all=1
        for port in "$@"; do linkserver_listening "$port" || all=0; done
        [ "$all" = 1 ] && return 0
        kill -0 "$LINKSERVER_PID" 2>/dev/null || break
        sleep 0.1
    done
    kill "$LINKSERVER_PID" 2>/dev/null
    wait "$LINKSERVER_PID" 2>/dev/null
    LINKSERVER_PID=
    return 1
}

# Starts nginx on COUNT distinct ports (LINKSERVER_FIXED_PORT as the only one, when set; else
# free ones) after "WRITER PORT..." has written WORKDIR/nginx.conf for them; a port taken
# meanwhile makes it try others. Sets LINKSERVER_PORTS and LINKSERVER_PID.
#   linkserver_launch WORKDIR WRITER COUNT
linkserver_launch() {
    local work=$1 writer=$2 count=$3 fixed=${LINKSERVER_FIXED_PORT:-} candidate
    LINKSERVER_PID=
    LINKSERVER_PORTS=()
    mkdir -p "$work/logs" "$work/tmp"
    for _ in $(seq 20); do
        local ports=()
        while [ ${#ports[@]} -lt "$count" ]; do
            candidate=${fixed:-$((20000 + RANDOM % 30000))}
            [[ " ${ports[*]} " == *" $candidate "* ]] && continue
            ports+=("$candidate")
        done
        # A port someone else listens on would pass the check below for ours.
        local taken=0
        for candidate in "${ports[@]}"; do linkserver_listening "$candidate" && taken=1; done
        if [ "$taken" = 1 ]; then
            [ -z "$fixed" ] && continue
            echo "linkserver: port $fixed is taken by another program" >&2
            return 1
        fi
        "$writer" "${ports[@]}"
        if linkserver_run_nginx "$work" "${ports[@]}"; then
            LINKSERVER_PORTS=("${ports[@]}")
            return 0
        fi
        [ -n "$fixed" ] && break
    done
    echo "linkserver: nginx did not start" >&2
    cat "$work/logs/error.log" >&2 2>/dev/null
    return 1
}

linkserver_start() {
    local work=$1 root=$2 listen=${3:-} extra=${4:-} server_conf=${5:-}
    local address=127.0.0.1 port=
    case $listen in
        *:*) address=${listen%:*} port=${listen##*:} ;;
        ?*) address=$listen ;;
    esac
    linkserver_links_config() {
        linkserver_write_config "$work" "$root" "$address:$1" "$extra" "$server_conf"
    }
    LINKSERVER_FIXED_PORT=$port linkserver_launch "$work" linkserver_links_config 1 || return 1
    LINKSERVER_PORT=${LINKSERVER_PORTS[0]}
}

linkserver_stop() {
    if [ -n "${LINKSERVER_PID:-}" ]; then
        kill "$LINKSERVER_PID" 2>/dev/null
        wait "$LINKSERVER_PID" 2>/dev/null
    fi
    LINKSERVER_PID=
}
