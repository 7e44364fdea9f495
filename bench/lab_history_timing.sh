#!/bin/sh
# How long the lab history's lists take on the server over 1 000 000 checks from 100 stations
# (bench/lab_history_fill.sql), by EXPLAIN ANALYZE, each list three times: one card's checks,
# newest first (wanted under 200 ms), right after the checks are made and again once vacuumed (as
# autovacuum soon does), one station's checks, its newest 100 and the lab's newest 100. Runs on a
# throwaway server in a temporary folder (tests/lab/lab_server.sh), stopped at the end. About two
# minutes on two cores; ROWS=... and CARDS=... (2000 cards) for other sizes.
set -eu
here=$(cd "$(dirname "$0")/.." && pwd)
state=$(mktemp)
trap 'sh "$here/tests/lab/lab_server.sh" stop "$state"' EXIT
sh "$here/tests/lab/lab_server.sh" start "$state"
socket=$(sed -n 's/^socket //p' "$state")
bin=$(sed -n 's/^bin //p' "$state")
[ -n "$socket" ] || { cat "$state" >&2; exit 1; }
psql() { "$bin/psql" -X -q -v ON_ERROR_STOP=1 -h "$socket" -U postgres "$@"; }

psql -d postgres -f "$here/packaging/postgresql/historial-laboratorio.sql"
started=$(date +%s)
psql -d historial -v rows="${ROWS:-1000000}" -v cards="${CARDS:-2000}" -f "$here/bench/lab_history_fill.sql"
echo "$(psql -d historial -At -c 'SELECT count(*) FROM checks') checks made in $(($(date +%s) - started)) s;" \
    "table and indexes: $(psql -d historial -At -c "SELECT pg_size_pretty(pg_total_relation_size('checks'))")"

list() {
    echo "$1:"
    for run in 1 2 3; do
        psql -d historial -At -c "EXPLAIN (ANALYZE, BUFFERS) $2" >"$state.plan"
        echo "  $(grep -c . "$state.plan") plan lines; $(grep -o 'rows=[0-9]* loops' "$state.plan" | head -n 1 | tr -d a-z=' ') rows;" \
            "$(grep 'Execution Time' "$state.plan")"
    done
    sed 's/^/    /' "$state.plan"
    rm -f "$state.plan"
}
columns="uuid, station, started, finished, card, kind, mode, outcome, summary, failed_test, failed_inputs"
card="SELECT $columns FROM checks WHERE card = 'T-0042' ORDER BY started DESC"
list "one card's checks, newest first, not yet vacuumed" "$card"
psql -d historial -c 'VACUUM checks'
list "one card's checks, newest first" "$card"
list "one station's checks, newest first" "SELECT $columns FROM checks WHERE station = 'puesto042' ORDER BY started DESC"
list "one station's newest 100" "SELECT $columns FROM checks WHERE station = 'puesto042' ORDER BY started DESC LIMIT 100"
list "the lab's newest 100" "SELECT $columns FROM checks ORDER BY started DESC LIMIT 100"
