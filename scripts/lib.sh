# Shared by the set-up scripts: packages, a private PostgreSQL 15 cluster,
# the CMake build. Sourced, not run.
# shellcheck shell=bash

TV_SRC=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
PGBIN=/usr/lib/postgresql/15/bin

tv_log() { printf '[talvex %(%H:%M:%S)T] %s\n' -1 "$*" >&2; }

TV_PACKAGES=(
  g++ cmake ninja-build pkg-config ccache
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libqt6opengl6-dev qt6-charts-dev qt6-image-formats-plugins
  libpq-dev postgresql-15 postgresql-15-pldebugger postgresql-contrib postgresql-client-15
  libxlsxwriter-dev zlib1g-dev
  xvfb xauth fonts-noto-cjk poppler-utils qt6-translations-l10n
)

# Installs only what dpkg reports missing: naming an installed package would upgrade it.
tv_install_packages() {
  local missing=() p
  for p in "${TV_PACKAGES[@]}"; do
    [[ $(dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null) == ii* ]] || missing+=("$p")
  done
  if ((${#missing[@]} == 0)); then
    return 0
  fi
  if [[ $(id -u) != 0 ]]; then
    tv_log "missing packages (run as root to install): ${missing[*]}"
    return 1
  fi
  tv_log "installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get -o DPkg::Lock::Timeout=300 update -q >&2
  apt-get -o DPkg::Lock::Timeout=300 install -y -q --no-install-recommends "${missing[@]}" >&2
}

# --- private cluster ---------------------------------------------------------
# tv_pg_setup <dir> <port>: sets the variables the other tv_pg_* functions use.
tv_pg_setup() {
  PG_DIR=$1 PG_PORT=$2
  PG_DATA=$PG_DIR/data PG_SOCK=$PG_DIR/sock
}
tv_as_pg() { (cd / && runuser -u postgres -- "$@"); }
tv_pg_super_psql() {
  tv_as_pg "$PGBIN/psql" -X -q -v ON_ERROR_STOP=1 -h "$PG_SOCK" -p "$PG_PORT" -U postgres "$@"
}
tv_pg_running() {
  [[ -s $PG_DATA/postmaster.pid ]] &&
    tv_as_pg "$PGBIN/pg_ctl" -D "$PG_DATA" status >/dev/null 2>&1 &&
    "$PGBIN/pg_isready" -q -h "$PG_SOCK" -p "$PG_PORT"
}
# A crash leaves postmaster.pid and the socket lock behind; the server trusts
# them while their process exists. Remove those whose process is gone, a
# zombie, or not a postgres server.
tv_pg_clear_stale() {
  local f pid state exe
  for f in "$PG_DATA/postmaster.pid" "$PG_SOCK/.s.PGSQL.$PG_PORT.lock"; do
    [[ -s $f ]] || continue
    pid=$(head -n1 "$f")
    state=$(sed -n 's/^.*) \(.\).*$/\1/p' "/proc/$pid/stat" 2>/dev/null || true)
    exe=$(readlink "/proc/$pid/exe" 2>/dev/null || true)
    if [[ -z $state || $state == Z || $exe != "$PGBIN/postgres" ]]; then
      rm -f "$f"
    fi
  done
}
tv_pg_stop() {
  tv_pg_clear_stale
  if [[ -s $PG_DATA/postmaster.pid ]]; then
    tv_as_pg "$PGBIN/pg_ctl" -D "$PG_DATA" -m fast -w -t 60 stop >/dev/null || true
  fi
}
# tv_pg_start: initdb when needed, start when not running (returns 0 if it
# started the server, 10 if it was already running).
tv_pg_start() {
  install -d -o postgres -g postgres -m 700 "$PG_DIR" "$PG_SOCK"
  if [[ ! -s $PG_DATA/PG_VERSION ]]; then
    tv_log "postgres: initdb in $PG_DATA"
    rm -rf "$PG_DATA"
    tv_as_pg "$PGBIN/initdb" -D "$PG_DATA" -U postgres -E UTF8 --locale=C.UTF-8 \
      --auth-local=peer --auth-host=scram-sha-256 >"$PG_DIR/initdb.log"
    tv_as_pg tee -a "$PG_DATA/postgresql.conf" >/dev/null <<CONF
listen_addresses = '127.0.0.1'
port = $PG_PORT
unix_socket_directories = '$PG_SOCK'
shared_preload_libraries = 'plugin_debugger,pg_stat_statements'
# Room for every statement of a whole test run: tests look up what they just
# ran, and an entry evicted by the others' would read as never run.
pg_stat_statements.max = 20000
max_connections = 200
fsync = off
synchronous_commit = off
full_page_writes = off
CONF
  fi
  if tv_pg_running; then
    return 10
  fi
  if "$PGBIN/pg_isready" -q -h 127.0.0.1 -p "$PG_PORT"; then
    tv_log "postgres: port $PG_PORT is taken by another server"
    return 1
  fi
  tv_log "postgres: starting on 127.0.0.1:$PG_PORT"
  tv_pg_clear_stale
  tv_as_pg "$PGBIN/pg_ctl" -D "$PG_DATA" -l "$PG_DIR/server.log" -w -t 60 start >/dev/null ||
    { sleep 3; tv_pg_clear_stale; tv_as_pg "$PGBIN/pg_ctl" -D "$PG_DATA" -l "$PG_DIR/server.log" -w -t 60 start >/dev/null; } ||
    { tail -n 30 "$PG_DIR/server.log" >&2; return 1; }
  return 0
}
# tv_pg_role_db <user> <password> <database>: superuser role and database, idempotent.
# The password reaches psql on stdin, never on a command line.
tv_pg_role_db() {
  tv_pg_super_psql -d postgres <<SQL
SET client_min_messages = warning;
\set u '$1'
\set pw '$2'
\set db '$3'
SELECT format('CREATE ROLE %I LOGIN SUPERUSER', :'u')
 WHERE NOT EXISTS (SELECT FROM pg_roles WHERE rolname = :'u') \gexec
ALTER ROLE :"u" PASSWORD :'pw';
SELECT format('CREATE DATABASE %I OWNER %I', :'db', :'u')
 WHERE NOT EXISTS (SELECT FROM pg_database WHERE datname = :'db') \gexec
SQL
  tv_pg_super_psql -d "$3" <<SQL
SET client_min_messages = warning;
CREATE EXTENSION IF NOT EXISTS pldbgapi;
CREATE EXTENSION IF NOT EXISTS pg_stat_statements;
SQL
}

# --- build ---------------------------------------------------------------------
# tv_build <build-dir> [targets...]
tv_build() {
  local bdir=$1; shift
  local args=(-S "$TV_SRC" -B "$bdir" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}")
  if command -v ccache >/dev/null; then
    export CCACHE_BASEDIR=$TV_SRC CCACHE_NOHASHDIR=1
    args+=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  if [[ ! -f $bdir/build.ninja ]]; then
    cmake "${args[@]}" >&2
  fi
  # AUTOMOC decides from a timestamp whether to scan again, and misses headers
  # that the source glob picked up since (a new Q_OBJECT class then fails to
  # link). Drop the stamps so every build scans; the parse cache keeps it quick.
  rm -f "$bdir"/*_autogen/timestamp "$bdir"/tests/*_autogen/timestamp
  if (($# > 0)); then
    cmake --build "$bdir" -j "${JOBS:-$(nproc)}" --target "$@" >&2
  else
    cmake --build "$bdir" -j "${JOBS:-$(nproc)}" >&2
  fi
}
