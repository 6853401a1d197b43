#!/usr/bin/env bash
# The engine beside its peers, one pair at a time, interleaved: each round
# runs our command and the peer's once, one right after the other, so both
# see the same machine load.  For each pair it prints the min, median and
# max of the wall-time ratios (ours / peer's), CPU time per row (user +
# system) and peak memory of both, and checks once that both give the same
# rows.
#
# Pairs (each skipped, with a note, when its peer or server is missing):
#   sqlite  1,000,000 rows of a SQLite table: quillon db query | sqlite3 -batch -tabs
#   csv     first query on a ~105 MB CSV (count and sum with a WHERE):
#             quillon db query | sqlite3 .import plus the same query
#   csv-wc  the same query | wc -l on the file (the cost of reading it once)
#   csv-duckdb the same query | DuckDB's read_csv (node with @duckdb/node-api
#             in $QUILLON_BENCH_DUCKDB_NODE_MODULES, if given)
#   pg      full scan of 1,000,000 PostgreSQL rows: quillon db query | psql -At
#             (needs eval "$(scripts/pgcluster start)" first)
# Every output goes to a file that is compared, not to /dev/null, so both
# sides pay the same for writing.
#
#   bench/enginelib/sidebyside.sh [BIN_DIR] [ROUNDS] [PAIRS...]
set -euo pipefail

top=$(cd "$(dirname "$0")/../.." && pwd)
bin=${1:-$top/build/bin}
rounds=${2:-5}
shift $(( $# > 2 ? 2 : $# ))
pairs=("$@")
[ ${#pairs[@]} -gt 0 ] || pairs=(sqlite csv csv-wc csv-duckdb pg)
[ "$rounds" -ge 1 ] || { echo "ROUNDS must be at least 1" >&2; exit 2; }
[ -x "$bin/quillon" ] || { echo "no $bin/quillon: build the quillon target first" >&2; exit 2; }

work=$(mktemp -d)
export QUILLON_ENGINE_CONFIG=$work/engine.cfg QUILLON_REGISTRY_DIR=$work/registry
mkdir -p "$work/registry" "$work/csv"
cleanup() {
    if [ -n "${QUILLON_TEST_PG_URI:-}" ] && [ -n "${pg_made:-}" ]; then
        psql -X -q -d "$QUILLON_TEST_PG_URI" -c "DROP TABLE IF EXISTS bench_1m" >/dev/null 2>&1 || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

wants() { local p; for p in "${pairs[@]}"; do [ "$p" = "$1" ] && return 0; done; return 1; }

# measure OUT ROWS CMD...: runs CMD with stdout to OUT; prints "wall cpu rss_kb".
# The wall time is taken here in nanoseconds: time's own has 10 ms steps.
measure() {
    local out=$1; shift
    local start end
    start=$(date +%s%N)
    /usr/bin/time -f '%U %S %M' -o "$work/time" "$@" > "$out" 2> "$work/err" \
        || { echo "failed: $*" >&2; cat "$work/err" >&2; exit 1; }
    end=$(date +%s%N)
    awk -v ns=$((end - start)) '{ printf "%.4f %.3f %d\n", ns / 1e9, $1 + $2, $3 }' "$work/time"
}

# pair NAME ROWS SAME OURS_CMD -- PEER_CMD: interleaved rounds and the summary.
# SAME is a command (a shell function) that gets the two output files and
# fails when they do not hold the same rows; "-" skips the check.
pair() {
    local name=$1 rows=$2 same=$3; shift 3
    local ours=() peer=()
    while [ "$1" != "--" ]; do ours+=("$1"); shift; done
    shift
    peer=("$@")
    : > "$work/ratios"
    local r a b
    for ((r = 1; r <= rounds; r++)); do
        a=$(measure "$work/ours.out" "${ours[@]}")
        b=$(measure "$work/peer.out" "${peer[@]}")
        if [ "$r" = 1 ] && [ "$same" != - ]; then
            "$same" "$work/ours.out" "$work/peer.out" || { echo "$name: the rows differ" >&2; exit 1; }
        fi
        echo "$a $b" >> "$work/ratios"
    done
    awk -v name="$name" -v rows="$rows" '
        { wa[NR] = $1; ca[NR] = $2; ma[NR] = $3; wb[NR] = $4; cb[NR] = $5; mb[NR] = $6;
          ratio[NR] = ($4 > 0 ? $1 / $4 : 0) }
        function median(v, n,   i, j, t, s) {
            for (i = 1; i <= n; i++) s[i] = v[i];
            for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (s[j] < s[i]) { t = s[i]; s[i] = s[j]; s[j] = t }
            return n % 2 ? s[(n + 1) / 2] : (s[n / 2] + s[n / 2 + 1]) / 2
        }
        END {
            n = NR; lo = ratio[1]; hi = ratio[1];
            for (i = 1; i <= n; i++) { if (ratio[i] < lo) lo = ratio[i]; if (ratio[i] > hi) hi = ratio[i] }
            printf "%-11s ratio min %.2f  median %.2f  max %.2f   (%d rounds)\n", name, lo, median(ratio, n), hi, n;
            printf "%-11s ours: wall %.2f s, CPU %.0f ns/row, peak %.0f MB | peer: wall %.2f s, CPU %.0f ns/row, peak %.0f MB\n",
                "", median(wa, n), median(ca, n) * 1e9 / rows, median(ma, n) / 1024,
                median(wb, n), median(cb, n) * 1e9 / rows, median(mb, n) / 1024;
        }' "$work/ratios"
}

# Output comparisons.
sameRowsSkippingOurHeader() { cmp -s <(tail -n +2 "$1" | sort) <(sort "$2"); }
sameQueryResult() { cmp -s <(tail -n +2 "$1") "$2"; }

q=("$bin/quillon" db query)

if wants sqlite; then
    echo "Making a SQLite table of 1,000,000 rows..." >&2
    sqlite3 "$work/bench.sqlite" "CREATE TABLE bench(id INTEGER PRIMARY KEY, name TEXT, city TEXT, price REAL);
        WITH RECURSIVE s(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM s WHERE i < 1000000)
        INSERT INTO bench SELECT i, 'Customer ' || (i * 7919 % 100000) || ', Ltd',
            CASE i % 4 WHEN 0 THEN 'Oslo' WHEN 1 THEN 'Lyon' WHEN 2 THEN 'Porto' ELSE 'Graz' END,
            (i * 7907 % 100000) / 100.0 FROM s;"
    printf '[SQLBENCH]\nDRIVER=SQLITE\nPATH:%s\n' "$work/bench.sqlite" >> "$QUILLON_ENGINE_CONFIG"
    pair sqlite 1000000 sameRowsSkippingOurHeader "${q[@]}" SQLBENCH "SELECT * FROM bench" -- \
        sqlite3 -batch -tabs "$work/bench.sqlite" "SELECT * FROM bench"
fi

if wants csv || wants csv-wc || wants csv-duckdb; then
    echo "Generating a CSV file of 2,500,000 rows..." >&2
    awk 'BEGIN {
        srand(42); split("Oslo Lyon Porto Graz Turku Bilbao Gent Leeds", city, " ");
        print "ID,NAME,CITY,PRICE";
        for (i = 1; i <= 2500000; i++)
            printf "%d,\"Customer %d, Ltd\",%s,%d.%02d\n", i, int(rand() * 100000), city[1 + int(rand() * 8)],
                   int(rand() * 1000), int(rand() * 100);
    }' > "$work/csv/big.csv"
    echo "File: $(du -m "$work/csv/big.csv" | cut -f1) MB" >&2
    printf '[CSVBENCH]\nDRIVER=\nPATH:%s\n' "$work/csv" >> "$QUILLON_ENGINE_CONFIG"
    query="SELECT count(*), round(sum(PRICE), 2) FROM big WHERE PRICE > 500"
    cat > "$work/import.sql" <<SQL
CREATE TABLE big(ID INTEGER, NAME TEXT, CITY TEXT, PRICE REAL);
.import --csv --skip 1 $work/csv/big.csv big
$query;
SQL
    wants csv && pair csv 2500000 sameQueryResult "${q[@]}" CSVBENCH "$query" -- \
        sqlite3 -batch -tabs :memory: ".read $work/import.sql"
    wants csv-wc && pair csv-wc 2500000 - "${q[@]}" CSVBENCH "$query" -- wc -l "$work/csv/big.csv"
    if wants csv-duckdb; then
        modules=${QUILLON_BENCH_DUCKDB_NODE_MODULES:-}
        if [ -n "$modules" ] && [ -d "$modules/@duckdb/node-api" ] && command -v node > /dev/null; then
            cat > "$work/duck.mjs" <<JS
import { DuckDBInstance } from '$modules/@duckdb/node-api/lib/index.js';
const db = await DuckDBInstance.create(':memory:');
const c = await db.connect();
const r = await c.runAndReadAll("SELECT count(*), round(sum(PRICE), 2) FROM read_csv('$work/csv/big.csv') WHERE PRICE > 500");
for (const row of r.getRows()) console.log(row.map(String).join('\t'));
JS
            pair csv-duckdb 2500000 - "${q[@]}" CSVBENCH "$query" -- node "$work/duck.mjs"
        else
            echo "csv-duckdb  skipped: no DuckDB (set QUILLON_BENCH_DUCKDB_NODE_MODULES to a node_modules with @duckdb/node-api)"
        fi
    fi
fi

if wants pg; then
    if [ -z "${QUILLON_TEST_PG_URI:-}" ]; then
        echo "pg          skipped: no server (eval \"\$(scripts/pgcluster start)\" first)"
    else
        export PGUSER=${QUILLON_TEST_PG_USER:-} PGPASSWORD=${QUILLON_TEST_PG_PASSWORD:-}
        echo "Making a PostgreSQL table of 1,000,000 rows..." >&2
        pg_made=1
        PGOPTIONS="-c client_min_messages=warning" psql -X -q -v ON_ERROR_STOP=1 -d "$QUILLON_TEST_PG_URI" -c "DROP TABLE IF EXISTS bench_1m;
            CREATE TABLE bench_1m AS SELECT i AS id, 'Customer ' || (i::bigint * 7919 % 100000) || ', Ltd' AS name,
                (ARRAY['Oslo','Lyon','Porto','Graz','Turku','Bilbao','Gent','Leeds'])[1 + i % 8] AS city,
                round((i::bigint * 7907 % 100000) / 100.0, 2) AS price
              FROM generate_series(1, 1000000) i;" > /dev/null
        psql -X -q -d "$QUILLON_TEST_PG_URI" -c "VACUUM ANALYZE bench_1m" > /dev/null
        "$bin/quillon" db alias PGBENCH "$QUILLON_TEST_PG_URI" > /dev/null
        pair pg 1000000 sameRowsSkippingOurHeader "${q[@]}" PGBENCH "SELECT * FROM bench_1m" \
            --user "$PGUSER" --password "$PGPASSWORD" -- \
            psql -X -At -F $'\t' -d "$QUILLON_TEST_PG_URI" -c "SELECT * FROM bench_1m"
    fi
fi
