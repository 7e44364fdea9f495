# Sourced by the lab benchmarks: a throwaway PostgreSQL server in a temporary folder
# (tests/lab/lab_server.sh), stopped when the script exits, with the lab history made by the
# administrator's script; psql runs as its superuser, and $lab connects cardcheck to it.
here=$(cd "$(dirname "$0")/.." && pwd)
state=$(mktemp)
trap 'sh "$here/tests/lab/lab_server.sh" stop "$state"' EXIT
sh "$here/tests/lab/lab_server.sh" start "$state"
socket=$(sed -n 's/^socket //p' "$state")
bin=$(sed -n 's/^bin //p' "$state")
[ -n "$socket" ] || { cat "$state" >&2; exit 1; }
psql() { "$bin/psql" -X -q -v ON_ERROR_STOP=1 -h "$socket" -U postgres "$@"; }

psql -d postgres -f "$here/packaging/postgresql/historial-laboratorio.sql"
lab="host=$socket dbname=historial user=postgres"
