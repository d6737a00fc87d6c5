#!/usr/bin/env bash
# callgrind.sh - instructions per row of lodrun's delimited load and unload of
# the bench table, beside the minimal client's, counted by callgrind (the
# figures do not depend on the machine's load, unlike run.sh's seconds).
#
#   bench/callgrind.sh BUILD_DIR       (BENCH_ROWS=N, default 20000)
#
#   gen_data.py --> rows.csv --lodrun / minimal client load--> fresh database
#   database (loaded by the minimal client) --lodrun / minimal client unload--> file
#
# Prints, per run: all instructions of the process over the rows (the
# embedded engine included), and the instructions of each program's own code
# (and the C/C++ libraries it calls; not the client library and the engine:
# own_code.py). Both include start-up: run.sh's BENCH_CALLGRIND=1 gives the
# marginal figures. Work files go to
# BUILD_DIR/bench-callgrind and are removed at the end unless BENCH_KEEP=1.
set -uo pipefail
export LC_ALL=C

[ $# -eq 1 ] && [ -d "$1" ] || { echo "usage: bench/callgrind.sh BUILD_DIR" >&2; exit 2; }
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "$1" && pwd)
ROWS=${BENCH_ROWS:-20000}
WORK=$BUILD/bench-callgrind
LODRUN=$BUILD/lodrun
MINIMAL=$BUILD/bench/minimal_client
for tool in valgrind callgrind_annotate isql-fb gfix python3; do
  command -v "$tool" >/dev/null || { echo "callgrind: $tool is needed" >&2; exit 2; }
done
[ -x "$LODRUN" ] && [ -x "$MINIMAL" ] || { echo "callgrind: build lodrun and the bench first" >&2; exit 2; }
rm -rf "$WORK" && mkdir -p "$WORK" || exit 2
python3 "$ROOT/bench/gen_data.py" "$ROWS" "$WORK" >/dev/null || exit 2

create_db() {
  rm -f "$1"
  isql-fb -q -b >/dev/null 2>&1 <<SQL
create database '$1' user 'SYSDBA' password 'masterkey';
create table bench_rows (id integer not null primary key, name varchar(30),
  amount numeric(12,2), born date, note varchar(60));
commit;
SQL
  gfix -write async -user SYSDBA -password masterkey "$1" >/dev/null 2>&1
}

# counted NAME COMMAND...: runs the command under callgrind.
counted() {
  local name=$1
  shift
  valgrind --tool=callgrind --callgrind-out-file="$WORK/$name.out" "$@" \
    >"$WORK/$name.log" 2>&1 || { echo "callgrind: $name failed, see $WORK/$name.log" >&2; exit 1; }
}

# per_row NAME [PROGRAM]: instructions over the rows, all of them or those
# of PROGRAM's own code.
per_row() {
  local total
  if [ $# -eq 1 ]; then
    total=$(callgrind_annotate "$WORK/$1.out" 2>/dev/null | awk '/PROGRAM TOTALS/ { gsub(",", "", $1); print $1; exit }')
  else
    total=$(python3 "$ROOT/bench/own_code.py" "$WORK/$1.out" "$2")
  fi
  awk -v t="${total:-0}" -v n="$ROWS" 'BEGIN { printf "%.0f", t / n }'
}

command_file() {
  local db=$1 direction=$2 data=$3
  echo "options db=$db user=SYSDBA passwd=masterkey direction=$direction file=$data variables=5 delimiter=, trans=5000${4:-}"
  if [ "$direction" = i ]; then
    echo "insert into bench_rows (id, name, amount, born, note) values (?, ?, ?, ?, ?)"
  else
    echo "select id, name, amount, born, note from bench_rows"
  fi
}

create_db "$WORK/minimal.fdb"
counted minimal-load "$MINIMAL" load-delimited "$WORK/minimal.fdb" "$WORK/rows.csv"
counted minimal-unload "$MINIMAL" unload "$WORK/minimal.fdb" "$WORK/minimal.out"
create_db "$WORK/lodrun.fdb"
command_file "$WORK/lodrun.fdb" i "$WORK/rows.csv" >"$WORK/load.cmd"
counted lodrun-load "$LODRUN" -x "$WORK/load.cmd"
command_file "$WORK/minimal.fdb" o "$WORK/lodrun.out" " lineend=u" >"$WORK/unload.cmd"
counted lodrun-unload "$LODRUN" -x "$WORK/unload.cmd"
cmp -s "$WORK/lodrun.out" "$WORK/rows.csv" || echo "callgrind: lodrun's unload differs from rows.csv" >&2

echo "instructions per row, $ROWS rows (delimited)"
printf '%-16s %12s %12s %14s %11s %11s\n' run lodrun minimal lodrun/minimal "lodrun own" "minimal own"
for mode in load unload; do
  l=$(per_row lodrun-$mode) m=$(per_row minimal-$mode)
  printf '%-16s %12s %12s %14s %11s %11s\n' "$mode" "$l" "$m" \
    "$(awk -v a="$l" -v b="$m" 'BEGIN { printf "%.3f", a / b }')" \
    "$(per_row lodrun-$mode lodrun)" "$(per_row minimal-$mode minimal_client)"
done
[ -n "${BENCH_KEEP:-}" ] || rm -rf "$WORK"
