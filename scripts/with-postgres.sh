#!/usr/bin/env bash
# with-postgres.sh COMMAND...: runs COMMAND against a throwaway PostgreSQL 15 cluster on a free
# loopback port, with KVT_TEST_PG (QPSQL) and KVT_TEST_ODBC (QODBC through the PostgreSQL ODBC
# driver) in its environment, and removes the cluster afterwards. Installs nothing: test.sh
# does. When the server cannot start, the reason is printed; under CI=true that fails the run,
# otherwise COMMAND runs without the two variables. Exits with COMMAND's exit code.
set -uo pipefail

if [ $# -eq 0 ]; then
    echo "usage: $0 COMMAND [ARGS...]" >&2
    exit 2
fi

pgbin=/usr/lib/postgresql/15/bin
odbc_driver="PostgreSQL Unicode"
work=""
pg_as=()

say() { echo "with-postgres: $*" >&2; }

cleanup() {
    if [ -n "$work" ] && [ -d "$work" ]; then
        if [ -f "$work/data/postmaster.pid" ]; then
            "${pg_as[@]}" "$pgbin/pg_ctl" -D "$work/data" -m immediate -w stop >/dev/null 2>&1
        fi
        rm -rf "$work"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Without a server: fail under CI, else run the command on SQLite alone.
run_without() {
    local why=$1; shift
    say "$why"
    if [ "${CI:-}" = "true" ]; then
        say "CI=true: a PostgreSQL server is required"
        exit 1
    fi
    say "running without KVT_TEST_PG and KVT_TEST_ODBC"
    cleanup
    work=""
    "$@"
    exit $?
}

[ -x "$pgbin/initdb" ] || run_without "$pgbin/initdb not found (package postgresql-15)" "$@"

# The server refuses to run as root: as root, the cluster belongs to the postgres user.
if [ "$(id -u)" -eq 0 ]; then
    id -u postgres >/dev/null 2>&1 || run_without "no postgres user to run the server as" "$@"
    pg_as=(runuser -u postgres --)
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/kvt-pg.XXXXXX") || run_without "cannot create a temporary folder" "$@"
chmod 755 "$work"
mkdir -p "$work/data" "$work/sock"
if [ "$(id -u)" -eq 0 ]; then
    chown postgres: "$work/data" "$work/sock"
fi
chmod 700 "$work/data"

if ! "${pg_as[@]}" "$pgbin/initdb" -D "$work/data" -U postgres --no-locale -E UTF8 \
        --auth-local=trust --auth-host=scram-sha-256 >"$work/initdb.log" 2>&1; then
    run_without "initdb failed: $(tail -n 5 "$work/initdb.log")" "$@"
fi

port_in_use() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

# A port another process grabs between the probe and the start makes the start fail: try again.
started=""
for attempt in 1 2 3 4 5 6 7 8; do
    port=$((20000 + RANDOM % 40000))
    port_in_use "$port" && continue
    # Durability is worthless for a cluster that lives as long as one test run.
    if "${pg_as[@]}" "$pgbin/pg_ctl" -D "$work/data" -l "$work/data/server.log" -w -t 60 \
            -o "-p $port -k $work/sock -c listen_addresses=127.0.0.1 -c fsync=off -c synchronous_commit=off -c full_page_writes=off" \
            start >/dev/null 2>&1; then
        started=yes
        break
    fi
    grep -q "could not bind\|Address already in use" "$work/data/server.log" 2>/dev/null || break
done
if [ -z "$started" ]; then
    run_without "the server did not start: $(tail -n 5 "$work/data/server.log" 2>/dev/null)" "$@"
fi

user=kvt
database=kvt
password=$(od -An -N12 -tx1 /dev/urandom | tr -d ' \n')
# CREATEDB lets a test work in a database of its own beside the shared one.
if ! "${pg_as[@]}" "$pgbin/psql" -X -q -h "$work/sock" -p "$port" -U postgres -d postgres \
        -v ON_ERROR_STOP=1 \
        -c "CREATE ROLE $user LOGIN CREATEDB PASSWORD '$password'" \
        -c "CREATE DATABASE $database OWNER $user" >"$work/psql.log" 2>&1; then
    run_without "cannot create the test role and database: $(cat "$work/psql.log")" "$@"
fi

export KVT_TEST_PG="driver=QPSQL;host=127.0.0.1;port=$port;database=$database;user=$user;password=$password"
if grep -q "^\[$odbc_driver\]" /etc/odbcinst.ini 2>/dev/null; then
    export KVT_TEST_ODBC="driver=QODBC;database={DRIVER={$odbc_driver};SERVER=127.0.0.1;PORT=$port;DATABASE=$database;UID=$user;PWD=$password}"
else
    say "ODBC driver \"$odbc_driver\" is not registered in /etc/odbcinst.ini (package odbc-postgresql)"
    if [ "${CI:-}" = "true" ]; then
        exit 1
    fi
fi
say "PostgreSQL 15 on 127.0.0.1:$port, database $database"

"$@"
exit $?
