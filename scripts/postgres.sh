#!/usr/bin/env bash
# postgres.sh start|stop|status: a private PostgreSQL cluster for the tests and for trying the
# tier on a database server, made with Debian's postgresql binaries.
#
#   start   creates the cluster on first use (role and database "merxa"), starts it listening on
#           127.0.0.1 only, and prints the connection string of the sales database
#   stop    stops the cluster; its data stays for the next start
#   status  prints the connection string when the cluster runs, fails otherwise
#
# MERXA_PG_DIR  folder of the cluster (default ${TMPDIR:-/tmp}/merxa-postgres)
# MERXA_PG_PORT port to listen on (default 15432, or the next free one). The default lies below
#               the kernel's range of ephemeral ports, so that no outgoing connection holds it.
#
# Run as root, the server runs as the "postgres" user, since it refuses to run as root. The
# cluster trades durability for speed (no fsync): it is meant for tests, not for keeping data.
set -euo pipefail

dir=${MERXA_PG_DIR:-${TMPDIR:-/tmp}/merxa-postgres}
data=$dir/data
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1 || true)
if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
  echo "postgres.sh: no PostgreSQL server binaries under /usr/lib/postgresql (apt-get install postgresql)" >&2
  exit 1
fi

# Runs a server program as the cluster's owner.
as_owner() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

port_free() { ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

connection_string() {
  echo "Provider=PostgreSQL;Host=127.0.0.1;Port=$(cat "$dir/port");Database=merxa;User ID=merxa;Password=$(cat "$dir/password")"
}

running() { [ -f "$data/PG_VERSION" ] && as_owner "$bin/pg_ctl" -D "$data" status >/dev/null 2>&1; }

psql_admin() {
  as_owner "$bin/psql" -X -q -v ON_ERROR_STOP=1 -h "$dir" -p "$(cat "$dir/port")" -U postgres -d postgres "$@"
}

create_cluster() {
  mkdir -p "$dir"
  chmod 700 "$dir"
  [ "$(id -u)" -eq 0 ] && chown postgres:postgres "$dir"
  # The password of the role "merxa"; the server accepts it on the loopback address only.
  as_owner sh -c "umask 077; head -c 18 /dev/urandom | base64 | tr -d '/+=' > '$dir/password'"
  # No locale: text sorts by code point, as on the embedded database.
  as_owner "$bin/initdb" -D "$data" -U postgres -E UTF8 --no-locale --auth-local=trust \
    --auth-host=scram-sha-256 >"$dir/initdb.log"
}

start() {
  if running; then
    connection_string
    return
  fi
  [ -f "$data/PG_VERSION" ] || create_cluster
  local port=${MERXA_PG_PORT:-15432} tries=20
  while :; do
    if [ -z "${MERXA_PG_PORT:-}" ]; then
      while ! port_free "$port"; do port=$((port + 1)); done
    fi
    as_owner sh -c "echo $port > '$dir/port'"
    if as_owner "$bin/pg_ctl" -D "$data" -l "$dir/server.log" -w -t 60 \
      -o "-c listen_addresses=127.0.0.1 -c port=$port -c unix_socket_directories='$dir' -c fsync=off -c synchronous_commit=off -c full_page_writes=off" \
      start >/dev/null; then
      break
    fi
    # A port nobody listens on may still be bound by a connection; then the next one is tried.
    tries=$((tries - 1))
    if [ -n "${MERXA_PG_PORT:-}" ] || [ "$tries" -eq 0 ] ||
      ! tail -n 20 "$dir/server.log" | grep -q "could not create any TCP/IP sockets"; then
      echo "postgres.sh: the server did not start; see $dir/server.log" >&2
      tail -n 20 "$dir/server.log" >&2
      exit 1
    fi
    port=$((port + 1))
  done
  if ! psql_admin -tA -c "SELECT 1 FROM pg_roles WHERE rolname = 'merxa'" | grep -q 1; then
    psql_admin -c "CREATE ROLE merxa LOGIN PASSWORD '$(cat "$dir/password")'"
    psql_admin -c "CREATE DATABASE merxa OWNER merxa"
  fi
  connection_string
}

stop() {
  if running; then as_owner "$bin/pg_ctl" -D "$data" -m fast -w stop >/dev/null; fi
}

case "${1:-}" in
  start) start ;;
  stop) stop ;;
  status) running && connection_string ;;
  *)
    echo "usage: $0 start|stop|status" >&2
    exit 2
    ;;
esac
