#!/usr/bin/env bash
# run.sh - make bench: times lodrun against two baselines, loading and unloading.
#
#   bench/run.sh BUILD_DIR        (BENCH_ROWS=N, default 1000000)
#
#   gen_data.py --> rows.csv, rows.fix, rows.sql
#   load:   isql-fb (rows.sql), minimal client (csv, fixed), lodrun (csv, fixed),
#           each into a fresh embedded database; afterwards the table must hold
#           N rows, and its content is compared with rows.csv
#   unload: one table loaded by the minimal client is unloaded by isql-fb,
#           the minimal client (csv) and lodrun (delimited, fixed); every
#           output must hold N lines
#
# Each contender runs under /usr/bin/time for its peak RSS; its wall time is
# read from bash's microsecond clock around it. The
# table at the end gives rows/s, peak RSS and lodrun's time over the minimal
# client's. A contender that fails is reported as failed, with its exit status;
# the bench still prints its whole table, then exits 1.
#
# Environment: BENCH_ROWS (rows, default 1000000); BENCH_RSS_CHECK=1 (run lodrun
# and the minimal client again at N/10 and print the peak RSS differences);
# BENCH_DIR (work directory, default BUILD_DIR/bench-work); BENCH_KEEP=1 (keep
# the generated data, databases and outputs); BENCH_FORCED_WRITES=on (keep the
# databases' forced writes: every commit then waits for the disk, which here
# doubles the load times and hides per-record costs behind disk waits; by
# default the databases are switched to asynchronous writes).
set -euo pipefail
export LC_ALL=C  # decimal points in the clock and in awk's figures

usage() { echo "usage: bench/run.sh BUILD_DIR" >&2; exit 2; }
[ $# -eq 1 ] || usage
[ -d "$1" ] || { echo "bench: no build directory $1" >&2; exit 2; }

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "$1" && pwd)
ROWS=${BENCH_ROWS:-1000000}
WORK=${BENCH_DIR:-$BUILD/bench-work}
LODRUN=$BUILD/lodrun
MINIMAL=$BUILD/bench/minimal_client
DB_USER=SYSDBA
DB_PASSWORD=masterkey

if ! [[ $ROWS =~ ^[1-9][0-9]*$ ]]; then
  echo "bench: BENCH_ROWS must be a positive number, not '$ROWS'" >&2
  exit 2
fi
# lodrun command files take paths as keyword values, which end at a blank and
# must not hold the comment sign.
case $WORK in
  *[[:space:]#]*) echo "bench: the work directory must not contain blanks or '#': $WORK" >&2; exit 2 ;;
esac
for tool in isql-fb gfix python3 /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "bench: $tool is needed" >&2; exit 2; }
done
mkdir -p "$WORK" || exit 2
WORK=$(cd "$WORK" && pwd)
rm -f "$WORK"/*.log "$WORK"/*.cmd "$WORK"/*.sql "$WORK"/*.fdb "$WORK"/*.out

# Results, keyed "contender|mode": wall seconds, peak RSS KiB, failure text.
declare -A SECONDS_OF=() RSS_OF=() FAILURE_OF=()
ORDER=()
NOTES=()

say() { echo "bench: $*"; }

# file_name KEY: a file name for a run's log and command file.
file_name() {
  local name=${1// (N\/10)/-tenth}
  echo "${name//[^a-zA-Z0-9]/-}"
}

# create_db PATH: a fresh embedded database holding the empty bench_rows table.
create_db() {
  rm -f "$1"
  local status=0
  isql-fb -q -b >"$WORK/create.log" 2>&1 <<SQL || status=$?
create database '$1' user '$DB_USER' password '$DB_PASSWORD';
create table bench_rows (id integer not null primary key, name varchar(30),
  amount numeric(12,2), born date, note varchar(60));
commit;
SQL
  if [ "$status" -eq 0 ] && [ "${BENCH_FORCED_WRITES:-off}" != on ]; then
    gfix -write async -user "$DB_USER" -password "$DB_PASSWORD" "$1" >>"$WORK/create.log" 2>&1 ||
      status=$?
  fi
  return "$status"
}

# fresh_db KEY PATH: create_db, marking the run KEY failed when it cannot.
fresh_db() {
  create_db "$2" && return 0
  ORDER+=("$1")
  fail "$1" "$WORK/create.log" "the database could not be created"
  return 1
}

# count_rows PATH: prints the number of rows in bench_rows (nothing on failure).
count_rows() {
  echo "set heading off; select count(*) from bench_rows;" |
    isql-fb -q -user "$DB_USER" -password "$DB_PASSWORD" "$1" 2>/dev/null |
    awk 'NF { print $1; exit }' || true
}

# timed KEY LOG COMMAND...: runs the command under /usr/bin/time and records
# its seconds and peak RSS under KEY; returns the command's exit status.
timed() {
  local key=$1 log=$2 status=0
  shift 2
  ORDER+=("$key")
  # wall time from bash's microsecond clock (time's own has 10 ms steps);
  # peak RSS from time
  local start=$EPOCHREALTIME end elapsed rss
  /usr/bin/time -f "%e %M" -o "$WORK/time.txt" "$@" >"$log" 2>&1 </dev/null || status=$?
  end=$EPOCHREALTIME
  read -r elapsed rss < <(tail -n 1 "$WORK/time.txt") || true
  SECONDS_OF[$key]=$(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')
  RSS_OF[$key]=$rss
  if [ "$status" -ne 0 ]; then
    fail "$key" "$log" "exit status $status"
  fi
  return "$status"
}

# fail KEY LOG TEXT: marks the run failed and keeps the end of its output.
fail() {
  FAILURE_OF[$1]=$3
  local tail
  tail=$(tr -d '\r' <"$2" 2>/dev/null | grep -v '^[[:space:]]*$' | tail -n 3 | sed 's/^/      /' || true)
  NOTES+=("${1/|/ }: failed, $3${tail:+; its last output lines:
$tail}")
}

# check_table KEY DB LOG: the loaded table must hold ROWS rows; its content is
# then unloaded by the minimal client and compared with rows.csv.
check_table() {
  local key=$1 db=$2 log=$3 count
  count=$(count_rows "$db")
  if [ "${count:-x}" != "$ROWS" ]; then
    fail "$key" "$log" "exit status 0, but the table holds ${count:-no readable count of} rows, not $ROWS"
    return 1
  fi
  [ -x "$MINIMAL" ] || return 0
  if "$MINIMAL" unload "$db" "$WORK/check.csv" >/dev/null 2>&1 &&
     cmp -s "$WORK/check.csv" "$DATA/rows.csv"; then
    NOTES+=("${key/|/ }: table content identical to rows.csv")
  else
    NOTES+=("${key/|/ }: table content differs from rows.csv ($(cmp "$WORK/check.csv" "$DATA/rows.csv" 2>&1 | head -n 1 || true))")
  fi
  rm -f "$WORK/check.csv"
}

# check_lines KEY FILE LOG [NONEMPTY]: the output must hold ROWS lines
# (NONEMPTY: count only lines that are not blank, for isql-fb's framing).
check_lines() {
  local key=$1 file=$2 log=$3 lines
  if [ ! -f "$file" ]; then
    fail "$key" "$log" "exit status 0, but there is no output file"
    return 1
  fi
  if [ "${4:-}" = NONEMPTY ]; then lines=$(grep -c '[^[:space:]]' "$file" || true); else lines=$(wc -l <"$file"); fi
  if [ "$lines" -ne "$ROWS" ]; then
    fail "$key" "$log" "exit status 0, but the output holds $lines lines, not $ROWS"
    return 1
  fi
}

# compare_output KEY FILE: notes whether a delimited unload equals rows.csv.
compare_output() {
  if cmp -s "$2" "$DATA/rows.csv"; then
    NOTES+=("${1/|/ }: output identical to rows.csv")
  else
    NOTES+=("${1/|/ }: output differs from rows.csv ($(cmp "$2" "$DATA/rows.csv" 2>&1 | head -n 1 || true))")
  fi
}

# lodrun_command FILE DB DIRECTION DATAFILE LAYOUT: writes a lodrun command file.
lodrun_command() {
  local file=$1 db=$2 direction=$3 data=$4 layout=$5
  local common="db=$db user=$DB_USER passwd=$DB_PASSWORD direction=$direction file=$data variables=5"
  {
    case $direction$layout in
      idelimited)
        echo "options $common delimiter=, trans=5000"
        echo "insert into bench_rows (id, name, amount, born, note) values (?, ?, ?, ?, ?)" ;;
      ifixed)
        echo "options $common lrecl=126 trans=5000"
        echo "insert into bench_rows (id, name, amount, born, note) values (?{position=1 size=10},"
        echo "  ?{position=11 size=30}, ?{position=41 size=15}, ?{position=56 size=10 dateform=16},"
        echo "  ?{position=66 size=60})" ;;
      odelimited)
        echo "options $common delimiter=, lineend=u"
        echo "select id, name, amount, born, note from bench_rows" ;;
      # CSV mode reads and writes the same file: the dates day first by dateform
      icsv)
        echo "options $common csv trans=5000"
        echo "insert into bench_rows (id, name, amount, born, note) values (?, ?, ?, ?{dateform=16}, ?)" ;;
      ocsv)
        echo "options $common csv lineend=u"
        echo "select id, name, amount, born{dateform=16}, note from bench_rows" ;;
      ofixed)
        echo "options $common lineend=u"
        echo "select id{position=1 size=10}, name{position=11 size=30}, amount{position=41 size=15},"
        echo "  born{position=56 size=10 dateform=16}, note{position=66 size=60} from bench_rows" ;;
    esac
  } >"$file"
}

# run_lodrun KEY DIRECTION LAYOUT DB DATAFILE: one lodrun run, checked.
run_lodrun() {
  local key=$1 direction=$2 layout=$3 db=$4 data=$5
  local name
  name=$(file_name "$key")
  local log=$WORK/$name.log cmd=$WORK/$name.cmd
  lodrun_command "$cmd" "$db" "$direction" "$data" "$layout"
  if [ ! -x "$LODRUN" ]; then
    ORDER+=("$key")
    fail "$key" /dev/null "$LODRUN is not built"
    return
  fi
  timed "$key" "$log" "$LODRUN" -x "$cmd" || return
  if [ "$direction" = i ]; then
    check_table "$key" "$db" "$log"
  else
    check_lines "$key" "$data" "$log" || return
    if [ "$layout" != fixed ]; then compare_output "$key" "$data"; fi
  fi
}

# run_minimal KEY MODE DB FILE: one run of the minimal client, checked.
run_minimal() {
  local key=$1 mode=$2 db=$3 file=$4
  local log=$WORK/$(file_name "$key").log
  if [ ! -x "$MINIMAL" ]; then
    ORDER+=("$key")
    fail "$key" /dev/null "$MINIMAL is not built (LODRUN_BENCH=OFF?)"
    return 1
  fi
  timed "$key" "$log" "$MINIMAL" "$mode" "$db" "$file" || return 1
  case $mode in
    load-*) check_table "$key" "$db" "$log" ;;
    unload) check_lines "$key" "$file" "$log" ;;
  esac
}

# load_round SUFFIX TAG: every loader into its own fresh database (SUFFIX ends
# the labels, TAG the file names); leaves the table loaded by the minimal
# client (csv) in $SOURCE_DB for the unloads, or SOURCE_DB empty.
load_round() {
  local suffix=$1 tag=$2
  SOURCE_DB=$WORK/source$tag.fdb
  say "loading $ROWS rows with the minimal client (delimited)"
  fresh_db "minimal client|load delimited$suffix" "$SOURCE_DB" &&
    run_minimal "minimal client|load delimited$suffix" load-delimited "$SOURCE_DB" "$DATA/rows.csv" ||
    SOURCE_DB=

  say "loading with the minimal client (fixed)"
  fresh_db "minimal client|load fixed$suffix" "$WORK/load.fdb" &&
    run_minimal "minimal client|load fixed$suffix" load-fixed "$WORK/load.fdb" "$DATA/rows.fix" ||
    true

  local layout
  for layout in delimited fixed csv; do
    say "loading with lodrun ($layout)"
    local file=$DATA/rows.csv
    if [ $layout = fixed ]; then file=$DATA/rows.fix; fi
    fresh_db "lodrun|load $layout$suffix" "$WORK/load.fdb" &&
      run_lodrun "lodrun|load $layout$suffix" i $layout "$WORK/load.fdb" "$file" || true
  done
  rm -f "$WORK/load.fdb"
}

# unload_round SUFFIX: every unloader reads $SOURCE_DB.
unload_round() {
  local suffix=$1
  if [ -z "$SOURCE_DB" ]; then
    NOTES+=("unloads$suffix not run: the minimal client could not load their source table")
    return
  fi
  say "unloading with the minimal client"
  if run_minimal "minimal client|unload delimited$suffix" unload "$SOURCE_DB" "$WORK/minimal.out"; then
    compare_output "minimal client|unload delimited$suffix" "$WORK/minimal.out"
  fi
  rm -f "$WORK/minimal.out"
  local layout
  for layout in delimited fixed csv; do
    say "unloading with lodrun ($layout)"
    run_lodrun "lodrun|unload $layout$suffix" o $layout "$SOURCE_DB" "$WORK/lodrun.out" || true
    rm -f "$WORK/lodrun.out"
  done
}

generate() {
  say "generating $ROWS rows in $DATA"
  python3 "$ROOT/bench/gen_data.py" "$ROWS" "$DATA" || { say "the generator failed"; exit 2; }
}

# ---- the full-size round, with the isql-fb baselines ----
START_LOAD=$(cut -d' ' -f1-3 /proc/loadavg)
DATA=$WORK/data
generate

say "loading $ROWS rows with isql-fb (one INSERT statement a row, commit every 5000)"
if fresh_db "isql-fb|load" "$WORK/load.fdb" &&
   timed "isql-fb|load" "$WORK/isql-load.log" \
     isql-fb -q -b -user "$DB_USER" -password "$DB_PASSWORD" -i "$DATA/rows.sql" "$WORK/load.fdb"; then
  check_table "isql-fb|load" "$WORK/load.fdb" "$WORK/isql-load.log" || true
fi

load_round "" ""

if [ -n "$SOURCE_DB" ]; then
  say "unloading with isql-fb (select to a file)"
  cat >"$WORK/isql-unload.sql" <<SQL
set heading off;
output $WORK/isql.out;
select id, name, amount, born, note from bench_rows;
output;
SQL
  timed "isql-fb|unload" "$WORK/isql-unload.log" \
    isql-fb -q -b -user "$DB_USER" -password "$DB_PASSWORD" -i "$WORK/isql-unload.sql" "$SOURCE_DB" &&
    check_lines "isql-fb|unload" "$WORK/isql.out" "$WORK/isql-unload.log" NONEMPTY || true
  rm -f "$WORK/isql.out"
fi
unload_round "" ""
[ -n "${BENCH_KEEP:-}" ] || rm -f "$WORK/source.fdb"

# ---- the tenth-size round, for peak RSS against N ----
FULL_ROWS=$ROWS
if [ "${BENCH_RSS_CHECK:-0}" = 1 ]; then
  ROWS=$((FULL_ROWS / 10))
  if [ "$ROWS" -lt 1 ]; then
    NOTES+=("RSS check skipped: BENCH_ROWS is below 10")
  else
    DATA=$WORK/data-tenth
    generate
    load_round " (N/10)" -tenth
    unload_round " (N/10)"
    [ -n "${BENCH_KEEP:-}" ] || rm -rf "$WORK/data-tenth" "$WORK/source-tenth.fdb"
  fi
  ROWS=$FULL_ROWS
fi
[ -n "${BENCH_KEEP:-}" ] || rm -rf "$WORK/data" "$WORK/time.txt" "$WORK/create.log"

# ---- the report ----
# rows_of KEY: the row count of that run.
rows_of() { case $1 in *"(N/10)") echo $((FULL_ROWS / 10)) ;; *) echo "$FULL_ROWS" ;; esac; }

echo
echo "lodrun benchmark: $FULL_ROWS rows, $(nproc) cores, load average at start $START_LOAD,"
echo "forced writes ${BENCH_FORCED_WRITES:-off}, ratio = lodrun's seconds / the minimal client's (target <= 1.10)"
printf '%-15s %-24s %9s %9s %10s %13s  %s\n' contender mode rows seconds rows/s "peak RSS MiB" lodrun/minimal
for key in "${ORDER[@]}"; do
  contender=${key%%|*}
  mode=${key#*|}
  rows=$(rows_of "$key")
  if [ -n "${FAILURE_OF[$key]:-}" ]; then
    printf '%-15s %-24s %9s  FAILED: %s\n' "$contender" "$mode" "$rows" "${FAILURE_OF[$key]}"
    continue
  fi
  secs=${SECONDS_OF[$key]}
  rate=$(awk -v n="$rows" -v s="$secs" 'BEGIN { if (s > 0) printf "%.0f", n / s; else print "-" }')
  mib=$(awk -v k="${RSS_OF[$key]}" 'BEGIN { printf "%.1f", k / 1024 }')
  ratio=
  if [ "$contender" = lodrun ]; then
    # the minimal client unloads only to CSV: both lodrun unloads compare with it
    ref="minimal client|${mode/unload fixed/unload delimited}"
    ref=${ref/unload csv/unload delimited}
    ref=${ref/load csv/load delimited}
    if [ -n "${SECONDS_OF[$ref]:-}" ] && [ -z "${FAILURE_OF[$ref]:-}" ]; then
      ratio=$(awk -v a="$secs" -v b="${SECONDS_OF[$ref]}" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }')
    else
      ratio="- (minimal client failed)"
    fi
  fi
  printf '%-15s %-24s %9s %9s %10s %13s  %s\n' "$contender" "$mode" "$rows" "$secs" "$rate" "$mib" "$ratio"
done

# rss_growth KEY: peak RSS KiB at N less at N/10, or nothing when a run failed.
rss_growth() {
  local small="$1 (N/10)"
  [ -n "${RSS_OF[$1]:-}" ] && [ -n "${RSS_OF[$small]:-}" ] &&
    [ -z "${FAILURE_OF[$1]:-}${FAILURE_OF[$small]:-}" ] &&
    echo $((RSS_OF[$1] - RSS_OF[$small]))
}

if [ "${BENCH_RSS_CHECK:-0}" = 1 ]; then
  echo
  echo "peak RSS at $FULL_ROWS rows against $((FULL_ROWS / 10)) rows; the embedded engine's page"
  echo "cache grows with the database, so the minimal client's growth is the reference"
  echo "and lodrun's target is its own growth beyond that, within 2 MiB:"
  for key in "${ORDER[@]}"; do
    case $key in *"(N/10)" | isql-fb*) continue ;; esac
    name=${key/|/ }
    growth=$(rss_growth "$key" || true)
    if [ -z "$growth" ]; then
      printf '  %-32s - (a run failed)
' "$name"
      continue
    fi
    beyond=
    if [ "${key%%|*}" = lodrun ]; then
      ref="minimal client|${key#*|}"
      ref=${ref/unload fixed/unload delimited}
      ref=${ref/unload csv/unload delimited}
      ref=${ref/load csv/load delimited}
      reference=$(rss_growth "$ref" || true)
      if [ -n "$reference" ]; then
        beyond=$(awk -v g="$growth" -v r="$reference" 'BEGIN { printf "beyond the minimal client: %+.1f MiB", (g - r) / 1024 }')
      fi
    fi
    awk -v name="$name" -v big="${RSS_OF[$key]}" -v little="${RSS_OF[$key (N/10)]}" -v beyond="$beyond" \
      'BEGIN { printf "  %-32s %7.1f MiB %7.1f MiB  growth %+.1f MiB  %s\n", name, big / 1024, little / 1024, (big - little) / 1024, beyond }'
  done
fi

# CSV mode against delimited mode, the same rows either way (target <= 1.10).
for direction in load unload; do
  csv="lodrun|$direction csv" delimited="lodrun|$direction delimited"
  if [ -n "${SECONDS_OF[$csv]:-}" ] && [ -n "${SECONDS_OF[$delimited]:-}" ] &&
     [ -z "${FAILURE_OF[$csv]:-}${FAILURE_OF[$delimited]:-}" ]; then
    NOTES+=("lodrun $direction: csv / delimited = $(awk -v a="${SECONDS_OF[$csv]}" -v b="${SECONDS_OF[$delimited]}" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }') (target <= 1.10)")
  fi
done

if [ ${#NOTES[@]} -gt 0 ]; then
  echo
  echo "notes:"
  for note in "${NOTES[@]}"; do echo "  $note"; done
fi
echo
echo "logs and lodrun command files: $WORK"
if [ ${#FAILURE_OF[@]} -gt 0 ]; then
  echo "bench: ${#FAILURE_OF[@]} run(s) failed" >&2
  exit 1
fi
