#!/bin/bash
# A throwaway PostgreSQL server for the database tests: `start DIR` makes a fresh cluster in DIR
# and serves it on a Unix socket in DIR only (no TCP port), `stop DIR` stops it and removes DIR.
# For the fault tests, `crash DIR` stops it as a crash would (no shutdown, every session cut)
# and `resume DIR` starts it again on the same data.
# Run as root (as CI does), the server runs as the unprivileged user postgres. The clients
# connect with "host=DIR dbname=postgres user=vudoda". Any failure exits non-zero, so that the
# tests fail rather than run without their server.
set -eu -o pipefail
BIN=${VUDODA_POSTGRES_BIN:-/usr/lib/postgresql/15/bin}
command=$1
dir=$(realpath -m "$2")
as_server=()
if [ "$(id -u)" = 0 ]; then as_server=(runuser -u postgres --); fi
# The server's programs start in the caller's folder, which the user postgres may not enter (a
# checkout under /root): they would fail there, so every one starts from the root folder.
cd /

stop() {
  if [ -f "$dir/data/postmaster.pid" ]; then
    "${as_server[@]}" "$BIN/pg_ctl" -D "$dir/data" -m immediate -w -t 30 stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
}

serve() {
  "${as_server[@]}" "$BIN/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
    -o "-k $dir -c listen_addresses= -c fsync=off -c max_connections=60" start >/dev/null \
    || { cat "$dir/server.log" >&2; exit 1; }
}

case "$command" in
  start)
    stop
    mkdir -p "$dir"
    if [ "$(id -u)" = 0 ]; then chown postgres "$dir"; fi
    "${as_server[@]}" "$BIN/initdb" -D "$dir/data" -A trust -U vudoda -E UTF8 --locale=C --no-sync \
      >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
    serve
    ;;
  crash)
    "${as_server[@]}" "$BIN/pg_ctl" -D "$dir/data" -m immediate -w -t 30 stop >/dev/null
    ;;
  resume)
    serve
    ;;
  stop)
    stop
    ;;
  *)
    echo "usage: $0 start|stop|crash|resume DIR" >&2
    exit 2
    ;;
esac
