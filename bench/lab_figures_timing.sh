#!/bin/sh
# The lab's figures (cardcheck --history-stats) over 1 000 000 checks from 100 stations
# (bench/lab_history_fill.sql, the connections each failed check names filled in by the server),
# on a throwaway server in a temporary folder (tests/lab/lab_server.sh) with its cache warm: the
# whole lab (wanted under 1 s), one station and one batch of cards by a label prefix (under 0.3 s
# each), the program's whole run from its start to its exit, RUNS times each (5), minimum and
# median; then the Estadística tab over the whole lab (figures_tab_timing, when built). Build
# cardcheck first. ROWS=... for another size. About three minutes on two cores.
set -eu
. "$(dirname "$0")/lab_server_up.sh"
started=$(date +%s)
psql -d historial -v rows="${ROWS:-1000000}" -f "$here/bench/lab_history_fill.sql"
psql -d historial -c 'VACUUM ANALYZE checks'
echo "$(psql -d historial -At -c 'SELECT count(*) FROM checks') checks made in $(($(date +%s) - started)) s;" \
    "table and indexes: $(psql -d historial -At -c "SELECT pg_size_pretty(pg_total_relation_size('checks'))")"

export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$state.none"
timed() {  # NAME LIMIT_MS, then cardcheck's options
    name=$1 limit=$2
    shift 2
    "$here/build/cardcheck" --history-stats --lab-history "$lab" "$@" >/dev/null  # the server's cache warm
    for run in $(seq "${RUNS:-5}"); do
        start=$(date +%s%N)
        "$here/build/cardcheck" --history-stats --lab-history "$lab" "$@" >/dev/null
        echo $((($(date +%s%N) - start) / 1000000))
    done | sort -n | awk -v n="$name" -v l="$limit" '{ t[NR] = $1 } END {
        m = t[int((NR + 1) / 2)]; printf "  %-28s minimum %5d ms, median %5d ms (under %d ms: %s)\n", n, t[1], m, l, m < l ? "yes" : "NO" }'
}
echo "cardcheck --history-stats, start to exit:"
timed "the whole lab" 1000
timed "one station (puesto042)" 300 --station puesto042
timed "one batch (--card 'T-004*')" 300 --card 'T-004*'
[ ! -x "$here/build/figures_tab_timing" ] || "$here/build/figures_tab_timing" "$state.none.sqlite" "$lab" 2>/dev/null
"$here/build/cardcheck" --history-stats --lab-history "$lab" --card 'T-004*' | head -n 12
