#!/bin/sh
# The lab history, measured on a throwaway server in a temporary folder (tests/lab/lab_server.sh),
# stopped at the end; build cardcheck, sequence_timing and lab_sync_timing first. About nine
# minutes on two cores.
#  1. What a check's end waits for, with the lab history up, down (its socket gone) and unreachable
#     (a listener on 127.0.0.1 that takes the connection and never answers, standing for a server
#     that does not answer; with no python3, a loopback port that refuses, and it says so): four
#     headless checks of the simulated card, one after the other so that none slows another, each
#     timed from its last line to its exit, and whole against 36.5 s (the first with no lab history);
#     then the sequence alone, from its start to its last verdict line, likewise (sequence_timing).
#  2. Sending 1 000 waiting checks (lab_sync_timing).
#  3. The lists over 1 000 000 checks from 100 stations (bench/lab_history_fill.sql), by EXPLAIN
#     ANALYZE, each three times: one card's checks, newest first (wanted under 200 ms), right after
#     the checks are made and again once vacuumed (as autovacuum soon does), one station's checks,
#     its newest 100 and the lab's newest 100; then `cardcheck --history-list --card` itself.
#     ROWS=... and CARDS=... (2000 cards) for other sizes.
set -eu
. "$(dirname "$0")/lab_server_up.sh"
program="$here/build/cardcheck"
export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$state.none"

# 1. A check's end, with the lab history up, down and unreachable.
silent_port=54329
if command -v python3 >/dev/null; then
    python3 -c "import socket, time; s = socket.socket(); s.bind(('127.0.0.1', $silent_port)); s.listen(64); time.sleep(600)" &
    silent=$!
    unreachable="a listener that never answers"
else
    silent=
    unreachable="a port that refuses (no python3)"
fi
sleep 1
timed() {  # NAME, then cardcheck's options
    name=$1
    shift
    start=$(date +%s.%N)
    "$program" --auto --simulate --history "$state.$name.sqlite" "$@" | while read -r line; do date +%s.%N; done \
        | tail -n 1 >"$state.$name.last"
    end=$(date +%s.%N)
    awk -v s="$start" -v l="$(cat "$state.$name.last")" -v e="$end" -v n="$name" \
        'BEGIN { printf "  %-12s whole %.2f s (%.4f of 36.5 s); its end waited %.0f ms\n", n, e - s, (e - s) / 36.5, (e - l) * 1000 }'
}
echo "a check's end:"
timed "no-lab"
timed "up" --lab-history "$lab" 2>/dev/null
timed "down" --lab-history "host=$state.nowhere dbname=historial" 2>/dev/null
timed "unreachable" --lab-history "host=127.0.0.1 port=$silent_port dbname=historial" 2>/dev/null
echo "  (unreachable: $unreachable)"
echo "the sequence itself, from its start to its last verdict line (sequence_timing):"
for name in no-lab up down unreachable; do
    case $name in
        no-lab) set -- ;;
        up) set -- "$lab" ;;
        down) set -- "host=$state.nowhere dbname=historial" ;;
        unreachable) set -- "host=127.0.0.1 port=$silent_port dbname=historial" ;;
    esac
    printf '  %-12s %s\n' "$name" "$("$here/build/sequence_timing" "$@" | grep '^total' | awk '{print $4}')"
done
[ -z "$silent" ] || kill "$silent" 2>/dev/null || true

# 2. Sending 1 000 waiting checks.
"$here/build/lab_sync_timing" "$lab" 1000

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
for run in 1 2 3; do
    start=$(date +%s%N)
    lines=$("$program" --history-list --card T-0042 --lab-history "$lab" | wc -l)
    echo "cardcheck --history-list --card T-0042: $lines checks in $((($(date +%s%N) - start) / 1000000)) ms"
done
