#!/usr/bin/env bash
# Benchmarks the client against nginx: starts nginx (package nginx-light, installed by
# `tools/install-deps.sh bench`) as a plain process with its own prefix on a free port of
# 127.0.0.1, runs bench_web_http with repetitions (client and bare libcurl loop side by side),
# prints the medians and their ratio with the machine's load, then the 40 MB POST's peak memory,
# and stops nginx by its PID.
# Usage: bench/web_http/run-nginx.sh [build dir, default build/bench] [repetitions, default 5]
set -euo pipefail
cd "$(dirname "$0")/../.."
build="${1:-build/bench}"
reps="${2:-5}"
bin="$build/bench/web_http"
[ -x "$bin/bench_web_http" ] || { echo "build the bench preset first: $bin/bench_web_http" >&2; exit 1; }
NGINX="${NGINX:-$(command -v nginx || echo /usr/sbin/nginx)}"

prefix="$(mktemp -d /tmp/va-nginx.XXXXXX)"
pid=""
stop() {
    if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi
    rm -rf "$prefix"
}
trap stop EXIT

port="$(/usr/bin/python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')"
mkdir -p "$prefix/html" "$prefix/logs" "$prefix/tmp"
head -c 20480 /dev/urandom > "$prefix/html/page20480"
head -c 1048576 /dev/urandom > "$prefix/html/page1048576"
cat > "$prefix/nginx.conf" <<CONF
daemon off;
master_process off;
worker_processes 1;
pid $prefix/nginx.pid;
error_log $prefix/logs/error.log;
events { worker_connections 64; }
http {
    access_log off;
    client_body_temp_path $prefix/tmp/client;
    proxy_temp_path $prefix/tmp/proxy;
    fastcgi_temp_path $prefix/tmp/fastcgi;
    uwsgi_temp_path $prefix/tmp/uwsgi;
    scgi_temp_path $prefix/tmp/scgi;
    default_type text/html;
    keepalive_requests 1000000;
    keepalive_timeout 60s;
    server {
        listen 127.0.0.1:$port;
        root $prefix/html;
    }
}
CONF
"$NGINX" -p "$prefix" -c "$prefix/nginx.conf" -e "$prefix/logs/error.log" &
pid=$!
for _ in $(seq 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
    sleep 0.05
done

echo "load before: $(uptime)"
VA_BENCH_HTTP_URL="http://127.0.0.1:$port/" "$bin/bench_web_http" \
    --benchmark_repetitions="$reps" --benchmark_report_aggregates_only=true \
    --benchmark_out="$prefix/result.json" --benchmark_out_format=json
echo "load after: $(uptime)"
/usr/bin/python3 - "$prefix/result.json" <<'PY'
import json, sys
runs = json.load(open(sys.argv[1]))["benchmarks"]
med = {r["run_name"]: r["real_time"] for r in runs if r.get("aggregate_name") == "median"}
for size in ("20480", "1048576"):
    ours, bare = med.get(f"BM_TSubmit/{size}/iterations:2000"), med.get(f"BM_CurlEasy/{size}/iterations:2000")
    if ours and bare:
        print(f"{size} bytes: client {ours:.1f} us, bare libcurl {bare:.1f} us per request (medians); ratio {ours / bare:.2f}")
PY
[ -x "$bin/bench_post_memory" ] && "$bin/bench_post_memory"
