#!/usr/bin/env bash
# Times one query over a ~100 MB CSV table two ways, side by side:
#   engine: bench_enginelib_query (the engine library streams the file)
#   shell:  the sqlite3 shell imports the file into a typed in-memory table,
#           then runs the same query
# and checks that both give the same rows. The data file is generated here
# and removed afterwards.
#
#   bench/enginelib/csvquery.sh [BIN_DIR] [ROWS]
set -euo pipefail

top=$(cd "$(dirname "$0")/../.." && pwd)
bin=${1:-$top/build/bin}
rows=${2:-2500000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "Generating $rows rows..." >&2
awk -v rows="$rows" 'BEGIN {
    srand(42); split("Oslo Lyon Porto Graz Turku Bilbao Gent Leeds", city, " ");
    print "ID,NAME,CITY,PRICE";
    for (i = 1; i <= rows; i++)
        printf "%d,\"Customer %d, Ltd\",%s,%d.%02d\n", i, int(rand() * 100000), city[1 + int(rand() * 8)],
               int(rand() * 1000), int(rand() * 100);
}' > "$work/big.csv"
echo "File: $(du -m "$work/big.csv" | cut -f1) MB" >&2

query="SELECT CITY, count(*), round(sum(PRICE), 2) FROM big WHERE PRICE > 500 GROUP BY CITY ORDER BY CITY"

now() { date +%s.%N; }

# The engine learns a file's column types in one extra pass the first time
# a process queries it; the second run in the same process shows the cost
# without that pass.
t0=$(now)
"$bin/bench_enginelib_query" "$work" "$query" 2 > "$work/engine.out" 2> "$work/engine.times"
t1=$(now)
first=$(awk '/^run 1:/ { print $3 }' "$work/engine.times")
second=$(awk '/^run 2:/ { print $3 }' "$work/engine.times")
t2=$(now)
sqlite3 -tabs :memory: > "$work/shell.out" <<SQL
CREATE TABLE big(ID INTEGER, NAME TEXT, CITY TEXT, PRICE REAL);
.import --csv --skip 1 $work/big.csv big
$query;
SQL
t3=$(now)

if ! cmp -s "$work/engine.out" "$work/shell.out"; then
    echo "The results differ:" >&2
    diff "$work/engine.out" "$work/shell.out" >&2 || true
    exit 1
fi
awk -v e="$first" -v w="$second" -v t2="$t2" -v t3="$t3" 'BEGIN {
    s = t3 - t2;
    printf "engine, first query on the file:  %.2f s  (%.2f x shell)\n", e, e / s;
    printf "engine, second query, same file:  %.2f s  (%.2f x shell)\n", w, w / s;
    printf "sqlite3 shell, import + query:    %.2f s\n", s;
}'
