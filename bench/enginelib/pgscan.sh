#!/usr/bin/env bash
# A 1,000,000-row table on a PostgreSQL server, read through the engine
# library (bench_enginelib_query) beside psql in the same run:
#   - the first 100 rows (ORDER BY the key): time and peak memory
#   - a full scan written to a file: time and peak memory, best of 3
# checking that both give the same rows; then a table browse of 10,000
# rows through a generated extension (bench_extension), in rows per second.
# The tables are made here and dropped afterwards.
#
#   eval "$(scripts/pgcluster start)"
#   bench/enginelib/pgscan.sh [BIN_DIR]
set -euo pipefail

top=$(cd "$(dirname "$0")/../.." && pwd)
bin=${1:-$top/build/bin}
: "${QUILLON_TEST_PG_URI:?no server: run eval \"\$(scripts/pgcluster start)\" first}"
export PGUSER=$QUILLON_TEST_PG_USER PGPASSWORD=$QUILLON_TEST_PG_PASSWORD
uri=$QUILLON_TEST_PG_URI
work=$(mktemp -d)
sql() { PGOPTIONS="-c client_min_messages=warning" psql --no-psqlrc -X -q -v ON_ERROR_STOP=1 -d "$uri" -c "$1"; }
trap 'sql "DROP TABLE IF EXISTS bench_1m, bench_10k" || true; rm -rf "$work"' EXIT

echo "Making the tables..." >&2
sql "DROP TABLE IF EXISTS bench_1m, bench_10k;
     CREATE TABLE bench_1m AS SELECT i AS id, 'Customer ' || (i::bigint * 7919 % 100000) || ', Ltd' AS name,
         (ARRAY['Oslo','Lyon','Porto','Graz','Turku','Bilbao','Gent','Leeds'])[1 + i % 8] AS city,
         round((i::bigint * 7907 % 100000) / 100.0, 2) AS price
       FROM generate_series(1, 1000000) i;
     ALTER TABLE bench_1m ADD PRIMARY KEY (id);
     CREATE TABLE bench_10k AS SELECT * FROM bench_1m WHERE id <= 10000;"
sql "VACUUM ANALYZE bench_1m"
sql "VACUUM ANALYZE bench_10k"
echo "Table: $(psql -X -At -d "$uri" -c "SELECT pg_size_pretty(pg_table_size('bench_1m'))")" >&2

now() { date +%s.%N; }
# run LABEL OUTFILE COMMAND...: prints the label, wall seconds and peak RSS.
run() {
    local label=$1 out=$2; shift 2
    local start end
    start=$(now)
    /usr/bin/time -f '%M' -o "$work/rss" "$@" > "$out" 2> "$work/err" || { cat "$work/err" >&2; exit 1; }
    end=$(now)
    printf '%-34s %8.3f s  %8d kB peak\n' "$label" "$(awk "BEGIN { print $end - $start }")" "$(tail -n 1 "$work/rss")"
}

first="SELECT * FROM bench_1m ORDER BY id"
run "engine: first 100 rows" "$work/e100" "$bin/bench_enginelib_query" "$uri" "$first" 1 100
run "psql:   LIMIT 100" "$work/p100" psql -X -At -F $'\t' -d "$uri" -c "$first LIMIT 100"
cmp -s "$work/e100" "$work/p100" && echo "first 100 rows: same as psql" \
    || { echo "first 100 rows differ from psql" >&2; exit 1; }

scan="SELECT * FROM bench_1m"
for i in 1 2 3; do
    run "engine: full scan ($i)" "$work/eall" "$bin/bench_enginelib_query" "$uri" "$scan"
    run "psql -At: full scan ($i)" "$work/pall" psql -X -At -F $'\t' -d "$uri" -c "$scan"
done
[ "$(sort "$work/eall" | md5sum)" = "$(sort "$work/pall" | md5sum)" ] && echo "full scan: same rows as psql" \
    || { echo "full scan rows differ from psql" >&2; exit 1; }

if [ -x "$bin/bench_extension" ]; then
    QUILLON_BENCH_PG_TABLE=bench_10k "$bin/bench_extension" --benchmark_filter=ServerTableBrowse
fi
