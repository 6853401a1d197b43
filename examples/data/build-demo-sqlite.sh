#!/bin/sh
# Rebuilds demo.sqlite from the CSV tables beside it, with typed columns, so
# that the SQLite sample holds the same data as the CSV sample. The result is
# committed; run this again after changing a CSV file (needs the sqlite3 shell).
set -eu
cd "$(dirname "$0")"
rm -f demo.sqlite.new
sqlite3 demo.sqlite.new <<'SQL'
CREATE TABLE customer(CUSTNO INTEGER PRIMARY KEY, COMPANY TEXT, CITY TEXT, COUNTRY TEXT, PHONE TEXT);
CREATE TABLE parts(PARTNO INTEGER PRIMARY KEY, DESCRIPTION TEXT, PRICE REAL, ONHAND INTEGER);
CREATE TABLE orders(ORDERNO INTEGER PRIMARY KEY, CUSTNO INTEGER REFERENCES customer, SALEDATE TEXT,
                    TOTAL REAL, STATUS TEXT);
CREATE TABLE items(ORDERNO INTEGER REFERENCES orders, ITEMNO INTEGER, PARTNO INTEGER REFERENCES parts,
                   QTY INTEGER, PRIMARY KEY (ORDERNO, ITEMNO));
.import --csv --skip 1 customer.csv customer
.import --csv --skip 1 parts.csv parts
.import --csv --skip 1 orders.csv orders
.import --csv --skip 1 items.csv items
VACUUM;
SQL
mv demo.sqlite.new demo.sqlite
