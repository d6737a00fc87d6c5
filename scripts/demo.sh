#!/usr/bin/env bash
# make demo: creates an embedded sample database, loads a delimited and a
# fixed-size sample file into it with lodrun, shows the rows with isql-fb,
# then unloads the table again as a delimited file with a heading line and as
# a fixed-size file, and prints both files. The first step that fails ends
# the demo with a non-zero status.
set -euo pipefail
LODRUN=${1:-build/lodrun}
ROOT=$(cd "$(dirname "$0")/.." && pwd)
WORK=$ROOT/build/demo
rm -rf "$WORK" && mkdir -p "$WORK"
DB=$WORK/demo.fdb

echo "== creating the embedded sample database $DB"
isql-fb -q -b <<SQL
create database '$DB' user 'SYSDBA' password 'masterkey';
create table people (id integer not null primary key, name varchar(30),
  balance numeric(12,2), born date, note varchar(60));
commit;
SQL

cp "$ROOT"/scripts/demo/*.csv "$ROOT"/scripts/demo/*.fix "$WORK"/
for cmd in "$ROOT"/scripts/demo/*.cmd; do
  sed -e "s|@DB@|$DB|g" -e "s|@DIR@|$WORK|g" "$cmd" > "$WORK/$(basename "$cmd")"
done

run() {
  echo
  echo "== lodrun -v -x $1"
  local status=0
  "$LODRUN" -v -x "$WORK/$1" || status=$?
  if [ "$status" -ne 0 ]; then
    echo "demo: lodrun stopped with status $status" >&2
    exit "$status"
  fi
}

run load-delimited.cmd
run load-fixed.cmd

echo
echo "== rows now in the table"
isql-fb -q -b "$DB" -user SYSDBA -password masterkey <<SQL
select id, name, balance, born, note from people order by id;
SQL

run unload-delimited.cmd
run unload-fixed.cmd

echo
echo "== the delimited file people-out.csv"
cat "$WORK/people-out.csv"
echo
echo "== the fixed-size file people-out.fix"
cat "$WORK/people-out.fix"
