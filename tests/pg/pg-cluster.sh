#!/usr/bin/env bash
# The throw-away PostgreSQL cluster of one test run.
#
#   pg-cluster.sh start STATE [--durable]
#                               initdb into a new folder under /tmp, start the
#                               server on a unix socket in that folder (no TCP),
#                               and write the folder's path to the file STATE;
#                               the tests' cluster syncs nothing to disk, a
#                               --durable one (the benchmarks') syncs each
#                               commit as a real server does
#   pg-cluster.sh stop STATE    stop that server and remove its folder
#
# While the tests' cluster runs, a filler beside it keeps a few clones of
# every template the tests made (fo_tpl_*) ready, named
# fo_ready__TEMPLATE__N: a test takes one by renaming it
# (tests/support/PgTestServer.cpp), which costs milliseconds where a clone
# costs a tenth of a second or more, and clones for itself only when none
# is ready. A --durable cluster has no filler.
#
# The tests read STATE (FEEOFFICE_TEST_PG) and connect as the user "feeoffice"
# over the socket, trusted; every other role (an operator's) logs in with its
# SCRAM password, as on an office's server. As root, the server runs as the system user
# "postgres", since PostgreSQL refuses to run as root.
set -euo pipefail
action=${1:-}
state=${2:-}
durability="-c fsync=off -c synchronous_commit=off -c full_page_writes=off"
[ "${3:-}" = "--durable" ] && durability=""
[ -n "$action" ] && [ -n "$state" ] || { echo "usage: $0 start|stop STATE" >&2; exit 2; }
port=5432
ready_per_template=2

bindir=""
if command -v pg_config >/dev/null 2>&1 && [ -x "$(pg_config --bindir)/initdb" ]; then
  bindir=$(pg_config --bindir)
else
  initdb=$(ls -d /usr/lib/postgresql/*/bin/initdb 2>/dev/null | sort -V | tail -n 1 || true)
  [ -n "$initdb" ] && bindir=$(dirname "$initdb")
fi
if [ -z "$bindir" ] || [ ! -x "$bindir/pg_ctl" ]; then
  cat >&2 <<'MSG'
The PostgreSQL runs of the tests need the PostgreSQL server (initdb, pg_ctl),
which is not installed. Install it with

    sudo apt-get install postgresql postgresql-contrib

or run scripts/install-deps.sh, which installs everything the tests need.
MSG
  exit 1
fi

as_server=()
if [ "$(id -u)" -eq 0 ]; then
  id postgres >/dev/null 2>&1 || { echo "running as root needs the system user postgres (package postgresql)" >&2; exit 1; }
  as_server=(runuser -u postgres --)
fi

stop_cluster() {
  local dir=$1
  if [ -f "$dir/filler.pid" ]; then kill "$(cat "$dir/filler.pid")" 2>/dev/null || true; fi
  if [ -f "$dir/data/postmaster.pid" ]; then
    "${as_server[@]}" "$bindir/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
  fi
  rm -rf "$dir"
}

case "$action" in
start)
  # A cluster left behind by an interrupted run goes first.
  if [ -f "$state" ]; then stop_cluster "$(cat "$state")"; rm -f "$state"; fi
  dir=$(mktemp -d /tmp/feeoffice-pg.XXXXXX)
  chmod 755 "$dir"
  [ "$(id -u)" -eq 0 ] && chown postgres "$dir"
  if ! "${as_server[@]}" "$bindir/initdb" -D "$dir/data" -U feeoffice --auth=trust -E UTF8 --no-locale \
       >"$dir/initdb.log" 2>&1; then
    cat "$dir/initdb.log" >&2
    rm -rf "$dir"
    exit 1
  fi
  printf 'local all feeoffice trust\nlocal all all scram-sha-256\n' >"$dir/data/pg_hba.conf"
  if ! "${as_server[@]}" "$bindir/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
       -o "-k $dir -p $port -c listen_addresses= $durability -c max_connections=300" \
       start >/dev/null; then
    cat "$dir/server.log" >&2 || true
    rm -rf "$dir"
    exit 1
  fi
  if [ -n "$durability" ]; then
    # Its own session and no terminal or pipe of ctest's, which would wait
    # for it otherwise.
    setsid "$0" fill "$dir" </dev/null >"$dir/filler.log" 2>&1 &
    echo $! >"$dir/filler.pid"
  fi
  mkdir -p "$(dirname "$state")"
  echo "$dir" >"$state"
  echo "PostgreSQL $("$bindir/postgres" --version | awk '{print $3}') test cluster on $dir (port $port)"
  ;;
fill)
  # STATE is here the cluster's folder. Ends with the cluster: when its
  # folder goes or the server no longer answers.
  dir=$state
  psql=("$bindir/psql" -h "$dir" -p "$port" -U feeoffice -d postgres -X -q -A -t -v ON_ERROR_STOP=1)
  made=0
  while [ -d "$dir/data" ]; do
    short=$("${psql[@]}" -c "select t.datname from pg_database t
        where t.datname like 'fo\_tpl\_%' and t.datname not like '%\_building'
          and (select count(*) from pg_database r
               where starts_with(r.datname, 'fo_ready__' || t.datname || '__')) < $ready_per_template") || exit 0
    if [ -z "$short" ]; then sleep 0.2; continue; fi
    for template in $short; do
      made=$((made + 1))
      # A clone that fails (the template busy) is tried again next round.
      "${psql[@]}" -c "create database fo_ready__${template}__$made template $template strategy file_copy" || sleep 0.2
    done
  done
  ;;
stop)
  [ -f "$state" ] || exit 0
  stop_cluster "$(cat "$state")"
  rm -f "$state"
  ;;
*)
  echo "usage: $0 start|stop STATE" >&2
  exit 2
  ;;
esac
