#!/bin/sh
# The throwaway PostgreSQL server of the lab history's tests, started and stopped by ctest:
#   lab_server.sh start STATE   a new cluster in a temporary folder, listening only on a Unix
#                               socket in that folder (no TCP); STATE then holds "socket FOLDER"
#                               and "bin FOLDER" (the server's programs). Without the server's
#                               programs it fails, and so do the tests that need it.
#   lab_server.sh stop STATE    stops it and removes the folder and STATE
# The bootstrap superuser is "postgres"; local logins are trusted except for members of the role
# "con_clave", who log in with a password (the tests of a refused login need one).
set -eu
action=$1
state=$2

# initdb and pg_ctl refuse root: run as postgres then, else as whoever runs the tests.
as_server() {
    if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

stop() {
    [ -f "$state" ] || return 0
    folder=$(sed -n 's/^socket //p' "$state")
    bin=$(sed -n 's/^bin //p' "$state")
    if [ -n "$folder" ] && [ -d "$folder" ]; then
        if [ -f "$folder/data/postmaster.pid" ]; then
            as_server "$bin/pg_ctl" -D "$folder/data" -m immediate -w stop >/dev/null || true
        fi
        rm -rf "$folder"
    fi
    rm -f "$state"
}

case $action in
start)
    stop  # a server left by a run that was cut short
    bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
    if [ -z "$bin" ] || [ ! -x "$bin/initdb" ] || [ ! -x "$bin/pg_ctl" ]; then
        echo "The lab history's tests need the PostgreSQL server programs (initdb, pg_ctl under" \
            "/usr/lib/postgresql/*/bin): scripts/install-deps.sh installs them; -DCARDCHECK_LAB_TESTS=OFF" \
            "leaves these tests out." >&2
        exit 1
    fi
    folder=$(mktemp -d /tmp/cardcheck-lab.XXXXXX)
    [ "$(id -u)" -eq 0 ] && chown postgres: "$folder"
    as_server "$bin/initdb" -D "$folder/data" -U postgres -E UTF8 --locale=C --no-sync \
        --auth-local=trust --auth-host=reject >"$folder/initdb.log" 2>&1 || {
        cat "$folder/initdb.log" >&2
        rm -rf "$folder"
        exit 1
    }
    printf '%s\n' "local all +con_clave scram-sha-256" "local all all trust" >"$folder/data/pg_hba.conf"
    [ "$(id -u)" -eq 0 ] && chown postgres: "$folder/data/pg_hba.conf"
    printf 'socket %s\nbin %s\n' "$folder" "$bin" >"$state"
    # No TCP at all; durability is not needed for a server that lives as long as the tests.
    as_server "$bin/pg_ctl" -D "$folder/data" -l "$folder/server.log" -w -t 60 \
        -o "-c listen_addresses= -k $folder -c fsync=off -c synchronous_commit=off -c full_page_writes=off" \
        start >/dev/null || {
        cat "$folder/server.log" >&2
        stop
        exit 1
    }
    echo "PostgreSQL $("$bin/pg_ctl" --version | awk '{ print $3 }') on $folder"
    ;;
stop)
    stop
    ;;
*)
    echo "usage: $0 start|stop STATE" >&2
    exit 2
    ;;
esac
