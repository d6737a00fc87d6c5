#!/usr/bin/env bash
# run.sh - make bench: lodrun against the fastest per-record client, loading
# into an embedded database, loading through a server on localhost, and
# unloading; side by side in one table.
#
#   bench/run.sh BUILD_DIR       (BENCH_ROWS=N, default 200000)
#
#   gen_data.py --> rows.csv (N rows of bench_rows, fixed seed), and its
#                   copies rows.csv.gz, rows.csv.zst for the compressed loads
#   for run 1..BENCH_RUNS, contenders in rotating order (interleaved):
#     load embedded:  baseline client, lodrun batch=1, lodrun (default batch),
#                     lodrun csv, lodrun gz and zst (rows.csv compressed)
#                     each into a fresh embedded database
#     load remote:    the same, each into a fresh database on localhost:3050
#     unload:         baseline client, lodrun, from one embedded table
#   medians of the runs; ratios to the baseline; with BENCH_CALLGRIND=1 also
#   instructions per row under callgrind (20 000 rows against 10 000).
#
# The tables have no index (the engine's index work would dilute lodrun's
# part); BENCH_PRIMARY_KEY=1 adds a primary key on id. Each run's wall time is
# read from bash's microsecond clock around it, its peak RSS from
# /usr/bin/time. Loads are checked (N rows, content unloaded again equal to
# rows.csv) in the first run, unloads in every run (equal to rows.csv). A
# contender that fails is reported with its exit status; the bench still
# prints its table and exits 0 (2 when it cannot run at all).
#
# Environment: BENCH_ROWS; BENCH_RUNS (runs per contender, default 5);
# BENCH_REMOTE=0 (no server round); BENCH_PRIMARY_KEY=1; BENCH_CALLGRIND=1;
# BENCH_RSS_CHECK=1 (lodrun and the baseline again at N/10 for peak RSS);
# BENCH_DIR (work directory, default BUILD_DIR/bench-work); BENCH_KEEP=1
# (keep data and databases); BENCH_FORCED_WRITES=on (keep forced writes; by
# default databases are switched to asynchronous writes, so commits do not
# wait for the disk).
set -uo pipefail
export LC_ALL=C  # decimal points in the clock and in awk's figures

usage() { echo "usage: bench/run.sh BUILD_DIR" >&2; exit 2; }
[ $# -eq 1 ] || usage
[ -d "$1" ] || { echo "bench: no build directory $1" >&2; exit 2; }

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "$1" && pwd)
ROWS=${BENCH_ROWS:-200000}
RUNS=${BENCH_RUNS:-5}
WORK=${BENCH_DIR:-$BUILD/bench-work}
LODRUN=$BUILD/lodrun
BASELINE=$BUILD/bench/minimal_client
DB_USER=SYSDBA
DB_PASSWORD=masterkey

for number in "$ROWS" "$RUNS"; do
  [[ $number =~ ^[1-9][0-9]*$ ]] || { echo "bench: BENCH_ROWS and BENCH_RUNS must be positive numbers" >&2; exit 2; }
done
case $WORK in
  *[[:space:]#]*) echo "bench: the work directory must not contain blanks or '#': $WORK" >&2; exit 2 ;;
esac
for tool in isql-fb gfix python3 /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "bench: $tool is needed" >&2; exit 2; }
done
for program in "$LODRUN" "$BASELINE"; do
  [ -x "$program" ] || { echo "bench: $program is not built (LODRUN_BENCH=OFF?)" >&2; exit 2; }
done
mkdir -p "$WORK" || exit 2
WORK=$(cd "$WORK" && pwd)
rm -f "$WORK"/*.log "$WORK"/*.cmd "$WORK"/*.fdb "$WORK"/*.out

say() { echo "bench: $*" >&2; }

# ---- the server ----
REMOTE_DIR=
SERVER_PASSWORD=
if [ "${BENCH_REMOTE:-1}" = 1 ]; then
  bash "$ROOT/scripts/start-server.sh" >/dev/null 2>&1
  SERVER_PASSWORD=$(sed -n 's/^ISC_PASSWORD="\{0,1\}\([^"]*\)"\{0,1\}$/\1/p' /etc/firebird/3.0/SYSDBA.password 2>/dev/null)
  if [ -n "$SERVER_PASSWORD" ] && (exec 3<>/dev/tcp/127.0.0.1/3050) 2>/dev/null; then
    # The server runs as its own user: its databases live where it may write.
    REMOTE_DIR=$(mktemp -d /tmp/lodrun-bench-XXXXXX) && chmod 777 "$REMOTE_DIR"
  else
    say "no Firebird server on localhost: the remote round is left out"
  fi
fi
cleanup() { [ -n "$REMOTE_DIR" ] && rm -rf "$REMOTE_DIR"; }
trap cleanup EXIT

# Results by "mode|contender": seconds of every run, peak RSS KiB, failure.
declare -A TIMES RSS FAILURE BIG_RSS INSTRUCTIONS
NOTES=()

# create_db NAME PASSWORD: a fresh database (path or localhost:path) holding
# the empty bench_rows table.
create_db() {
  local name=$1 password=$2 key=
  [ "${BENCH_PRIMARY_KEY:-0}" = 1 ] && key=" primary key"
  case $name in localhost:*) rm -f "${name#localhost:}" ;; *) rm -f "$name" ;; esac
  isql-fb -q -b >"$WORK/create.log" 2>&1 <<SQL || return 1
create database '$name' user '$DB_USER' password '$password';
create table bench_rows (id integer not null$key, name varchar(30),
  amount numeric(12,2), born date, note varchar(60));
commit;
SQL
  [ "${BENCH_FORCED_WRITES:-off}" = on ] ||
    gfix -write async -user "$DB_USER" -password "$password" "$name" >>"$WORK/create.log" 2>&1
}

# timed KEY LOG ENV... -- COMMAND...: runs the command with the environment
# words under /usr/bin/time; adds its seconds and peak RSS to KEY.
timed() {
  local key=$1 log=$2 start end status
  shift 2
  local env=()
  while [ "$1" != -- ]; do env+=("$1"); shift; done
  shift
  start=$EPOCHREALTIME
  env "${env[@]}" /usr/bin/time -f "%M" -o "$WORK/time.txt" "$@" >"$log" 2>&1 </dev/null
  status=$?
  end=$EPOCHREALTIME
  if [ "$status" -ne 0 ]; then
    FAILURE[$key]="exit status $status ($(tr -d '\r' <"$log" | grep -v '^[[:space:]]*$' | tail -n 2 | tr '\n' ' '))"
    return 1
  fi
  TIMES[$key]+=" $(awk -v a="$start" -v b="$end" 'BEGIN { printf "%.3f", b - a }')"
  local rss
  rss=$(tail -n 1 "$WORK/time.txt")
  [ "${rss:-0}" -gt "${RSS[$key]:-0}" ] && RSS[$key]=$rss
  return 0
}

# lodrun_command FILE DB PASSWORD DIRECTION DATAFILE BATCH [csv]: a command
# file. CSV mode reads and writes the same rows.csv: its dates are day first,
# so the date field carries that dateform.
lodrun_command() {
  local batch= form= born=
  [ -n "$6" ] && batch=" batch=$6"
  if [ "${7:-}" = csv ]; then form=" csv"; born="{dateform=16}"; else form=" delimiter=,"; fi
  {
    echo "options db=$2 user=$DB_USER passwd=$3 direction=$4 file=$5 variables=5$form$batch"
    if [ "$4" = i ]; then
      echo "insert into bench_rows (id, name, amount, born, note) values (?, ?, ?, ?$born, ?)"
    else
      echo "options lineend=u"
      echo "select id, name, amount, born$born, note from bench_rows"
    fi
  } >"$1"
}

# contender_command CONTENDER DIRECTION DB PASSWORD DATAFILE: sets COMMAND
# (the words to run) and COMMAND_ENV (environment words).
contender_command() {
  local contender=$1 direction=$2 db=$3 password=$4 data=$5
  COMMAND_ENV=("ISC_USER=$DB_USER" "ISC_PASSWORD=$password")
  case $contender in
    baseline)
      if [ "$direction" = i ]; then COMMAND=("$BASELINE" load-delimited "$db" "$data")
      else COMMAND=("$BASELINE" unload "$db" "$data"); fi ;;
    "lodrun batch=1" | lodrun)
      local batch=
      [ "$contender" = "lodrun batch=1" ] && batch=1
      local cmd=$WORK/$direction-${batch:-default}.cmd
      lodrun_command "$cmd" "$db" "$password" "$direction" "$data" "$batch"
      COMMAND=("$LODRUN" -x "$cmd") ;;
    "lodrun csv")
      local cmd=$WORK/$direction-csv.cmd
      lodrun_command "$cmd" "$db" "$password" "$direction" "$data" "" csv
      COMMAND=("$LODRUN" -x "$cmd") ;;
    "lodrun gz" | "lodrun zst")  # loads only: rows.csv compressed beside it
      local suffix=${contender#lodrun }
      local cmd=$WORK/$direction-$suffix.cmd
      lodrun_command "$cmd" "$db" "$password" "$direction" "$data.$suffix" ""
      COMMAND=("$LODRUN" -x "$cmd") ;;
  esac
}

# check_table KEY DB PASSWORD: N rows, and the content unloaded equal to rows.csv.
check_table() {
  local key=$1 db=$2 password=$3
  if ISC_USER=$DB_USER ISC_PASSWORD=$password "$BASELINE" unload "$db" "$WORK/check.out" >"$WORK/check.log" 2>&1 &&
     cmp -s "$WORK/check.out" "$DATA/rows.csv"; then
    return 0
  fi
  FAILURE[$key]="the loaded table differs from rows.csv ($(wc -l <"$WORK/check.out" 2>/dev/null) rows)"
  return 1
}

# load_once MODE CONTENDER RUN: one timed load into a fresh database.
load_once() {
  local mode=$1 contender=$2 run=$3 key="$1|$2" db password=$DB_PASSWORD
  [ -n "${FAILURE[$key]:-}" ] && return
  if [ "$mode" = "load remote" ]; then
    db=localhost:$REMOTE_DIR/load.fdb
    password=$SERVER_PASSWORD
  else
    db=$WORK/load.fdb
  fi
  create_db "$db" "$password" || { FAILURE[$key]="the database could not be created"; return; }
  contender_command "$contender" i "$db" "$password" "$DATA/rows.csv"
  timed "$key" "$WORK/$(echo "$key" | tr -c 'a-zA-Z0-9=\n' '-').log" "${COMMAND_ENV[@]}" -- "${COMMAND[@]}" || return
  [ "$run" = 1 ] && check_table "$key" "$db" "$password"
}

# unload_once CONTENDER: one timed unload of SOURCE_DB, checked.
unload_once() {
  local key="unload|$1"
  [ -n "${FAILURE[$key]:-}" ] && return
  contender_command "$1" o "$SOURCE_DB" "$DB_PASSWORD" "$WORK/unload.out"
  timed "$key" "$WORK/unload-${1// /-}.log" "${COMMAND_ENV[@]}" -- "${COMMAND[@]}" || return
  cmp -s "$WORK/unload.out" "$DATA/rows.csv" ||
    FAILURE[$key]="the output differs from rows.csv ($(cmp "$WORK/unload.out" "$DATA/rows.csv" 2>&1 | head -n 1))"
  rm -f "$WORK/unload.out"
}

# rotated N ITEMS...: the items rotated left by N (interleaving across runs).
rotated() {
  local n=$1
  shift
  local items=("$@") count=$#
  for ((i = 0; i < count; i++)); do echo "${items[$(((i + n) % count))]}"; done
}

LOADERS=(baseline "lodrun batch=1" lodrun "lodrun csv" "lodrun gz")
if command -v zstd >/dev/null; then
  LOADERS+=("lodrun zst")
else
  NOTES+=("no zstd command to compress rows.csv: the zst load is left out")
fi
UNLOADERS=(baseline lodrun "lodrun csv")
MODES=("load embedded")
[ -n "$REMOTE_DIR" ] && MODES+=("load remote")

# compressed_copies DIR: DIR/rows.csv.gz and, for the zst load, DIR/rows.csv.zst.
compressed_copies() {
  python3 -c 'import gzip, shutil, sys
with open(sys.argv[1], "rb") as f, gzip.open(sys.argv[1] + ".gz", "wb", 6) as g: shutil.copyfileobj(f, g)' \
    "$1/rows.csv" || { say "rows.csv could not be compressed"; exit 2; }
  if command -v zstd >/dev/null; then zstd -q -f "$1/rows.csv" -o "$1/rows.csv.zst" || exit 2; fi
}

# round ROWS: generates the data and runs every mode RUNS times.
round() {
  DATA=$WORK/data-$1
  say "generating $1 rows"
  python3 "$ROOT/bench/gen_data.py" "$1" "$DATA" >/dev/null || { say "the generator failed"; exit 2; }
  compressed_copies "$DATA"
  SOURCE_DB=$WORK/source.fdb
  create_db "$SOURCE_DB" "$DB_PASSWORD" &&
    "$BASELINE" load-delimited "$SOURCE_DB" "$DATA/rows.csv" >"$WORK/source.log" 2>&1 ||
    { say "the unload source could not be loaded"; SOURCE_DB=; }
  for ((run = 1; run <= RUNS; run++)); do
    say "run $run of $RUNS ($1 rows)"
    local mode contender
    for mode in "${MODES[@]}"; do
      while read -r contender; do load_once "$mode" "$contender" "$run"; done \
        < <(rotated "$run" "${LOADERS[@]}")
    done
    if [ -n "$SOURCE_DB" ]; then
      while read -r contender; do unload_once "$contender"; done < <(rotated "$run" "${UNLOADERS[@]}")
    fi
  done
  [ -n "${BENCH_KEEP:-}" ] || rm -rf "$DATA" "$WORK/load.fdb" "$SOURCE_DB" "$WORK/check.out"
}

median() { tr ' ' '\n' | grep . | sort -n | awk '{ v[NR] = $1 } END { if (NR == 0) print ""; else if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a != "" && b != "" && b > 0) printf "%.2f", a / b; else print "-" }'; }

START_LOAD=$(cut -d' ' -f1-3 /proc/loadavg)
round "$ROWS"

# ---- callgrind: instructions per row ----
if [ "${BENCH_CALLGRIND:-0}" = 1 ]; then
  if ! command -v valgrind >/dev/null; then
    NOTES+=("BENCH_CALLGRIND=1 needs valgrind (apt-get install -y valgrind)")
  else
    # ir ROWS CONTENDER DIRECTION: total instructions of one run under callgrind.
    ir() {
      local rows=$1 contender=$2 direction=$3 data=$WORK/data-cg-$1 db out=$WORK/cg.out
      db=$WORK/cg.fdb
      if [ "$direction" = i ]; then
        create_db "$db" "$DB_PASSWORD" || return
        contender_command "$contender" i "$db" "$DB_PASSWORD" "$data/rows.csv"
      else
        contender_command "$contender" o "$data/source.fdb" "$DB_PASSWORD" "$WORK/cg-unload.out"
      fi
      env "${COMMAND_ENV[@]}" valgrind --tool=callgrind --callgrind-out-file="$out" "${COMMAND[@]}" \
        >"$WORK/cg.log" 2>&1 || return
      sed -n 's/^summary: *\([0-9]*\).*/\1/p' "$out" | head -n 1
      rm -f "$out" "$WORK/cg-unload.out"
    }
    for rows in 10000 20000; do
      python3 "$ROOT/bench/gen_data.py" "$rows" "$WORK/data-cg-$rows" >/dev/null
      compressed_copies "$WORK/data-cg-$rows"
      create_db "$WORK/data-cg-$rows/source.fdb" "$DB_PASSWORD" &&
        "$BASELINE" load-delimited "$WORK/data-cg-$rows/source.fdb" "$WORK/data-cg-$rows/rows.csv" >/dev/null 2>&1
    done
    for contender in "${LOADERS[@]}"; do
      say "callgrind: load embedded, $contender"
      INSTRUCTIONS["load embedded|$contender"]="$(ir 20000 "$contender" i) $(ir 10000 "$contender" i)"
    done
    for contender in "${UNLOADERS[@]}"; do
      say "callgrind: unload, $contender"
      INSTRUCTIONS["unload|$contender"]="$(ir 20000 "$contender" o) $(ir 10000 "$contender" o)"
    done
    rm -rf "$WORK"/data-cg-* "$WORK/cg.fdb"
  fi
fi

# ---- peak RSS against N ----
if [ "${BENCH_RSS_CHECK:-0}" = 1 ] && [ "$ROWS" -ge 10 ]; then
  for key in "${!RSS[@]}"; do BIG_RSS[$key]=${RSS[$key]}; done
  RSS=()
  SAVED_RUNS=$RUNS
  RUNS=1
  round $((ROWS / 10))
  RUNS=$SAVED_RUNS
fi

# ---- the report ----
echo
echo "lodrun benchmark: $ROWS rows, medians of $RUNS interleaved runs, $(nproc) cores,"
echo "load average at start $START_LOAD, table $( [ "${BENCH_PRIMARY_KEY:-0}" = 1 ] && echo "with a primary key" || echo "without index"),"
echo "forced writes ${BENCH_FORCED_WRITES:-off}; ratio = seconds over the baseline client's"
printf '%-14s %-15s %9s %10s %7s %9s\n' mode contender seconds rows/s ratio "peak MiB"
for mode in "${MODES[@]}" unload; do
  [ "$mode" = unload ] && contenders=("${UNLOADERS[@]}") || contenders=("${LOADERS[@]}")
  base=$(echo "${TIMES[$mode|baseline]:-}" | median)
  for contender in "${contenders[@]}"; do
    key="$mode|$contender"
    if [ -n "${FAILURE[$key]:-}" ]; then
      printf '%-14s %-15s  FAILED: %s\n' "$mode" "$contender" "${FAILURE[$key]}"
      continue
    fi
    secs=$(echo "${TIMES[$key]:-}" | median)
    rate=$(awk -v n="$ROWS" -v s="$secs" 'BEGIN { if (s > 0) printf "%.0f", n / s; else print "-" }')
    # the full-size peak (RSS holds the N/10 round's after an RSS check)
    mib=$(awk -v k="${BIG_RSS[$key]:-${RSS[$key]:-0}}" 'BEGIN { printf "%.1f", k / 1024 }')
    printf '%-14s %-15s %9s %10s %7s %9s\n' "$mode" "$contender" "$secs" "$rate" "$(ratio "$secs" "$base")" "$mib"
  done
done

median_of() { echo "${TIMES[$1]:-}" | median; }
echo
echo "targets:"
printf '  load embedded, lodrun default over the baseline client: %s (target <= 0.80)\n' \
  "$(ratio "$(median_of "load embedded|lodrun")" "$(median_of "load embedded|baseline")")"
for mode in "load embedded" unload; do
  printf '  %-13s lodrun csv over lodrun default (delimited):  %s (target <= 1.10)\n' "$mode," \
    "$(ratio "$(median_of "$mode|lodrun csv")" "$(median_of "$mode|lodrun")")"
done
printf '  load embedded, lodrun gz over lodrun default:           %s (target <= 1.30)\n' \
  "$(ratio "$(median_of "load embedded|lodrun gz")" "$(median_of "load embedded|lodrun")")"
printf '  load embedded, lodrun zst over lodrun default:          %s (target <= 1.10)\n' \
  "$(ratio "$(median_of "load embedded|lodrun zst")" "$(median_of "load embedded|lodrun")")"
if [ -n "$REMOTE_DIR" ]; then
  printf '  load remote, lodrun batch=1 over lodrun default:         %s (target >= 4)\n' \
    "$(ratio "$(median_of "load remote|lodrun batch=1")" "$(median_of "load remote|lodrun")")"
fi

if [ "${BENCH_CALLGRIND:-0}" = 1 ] && [ ${#INSTRUCTIONS[@]} -gt 0 ]; then
  echo
  echo "instructions per row (callgrind): marginal = (20 000 rows - 10 000 rows) / 10 000,"
  echo "total = all instructions of the 20 000-row run / 20 000"
  printf '%-14s %-15s %10s %9s %7s\n' mode contender marginal total ratio
  for mode in "load embedded" unload; do
    [ "$mode" = unload ] && contenders=("${UNLOADERS[@]}") || contenders=("${LOADERS[@]}")
    read -r b20 b10 <<<"${INSTRUCTIONS[$mode|baseline]:-}"
    base=$(awk -v a="${b20:-0}" -v b="${b10:-0}" 'BEGIN { printf "%.0f", (a - b) / 10000 }')
    for contender in "${contenders[@]}"; do
      read -r i20 i10 <<<"${INSTRUCTIONS[$mode|$contender]:-}"
      if [ -z "${i20:-}" ] || [ -z "${i10:-}" ]; then
        printf '%-14s %-15s  FAILED (see %s)\n' "$mode" "$contender" "$WORK/cg.log"
        continue
      fi
      marginal=$(awk -v a="$i20" -v b="$i10" 'BEGIN { printf "%.0f", (a - b) / 10000 }')
      total=$(awk -v a="$i20" 'BEGIN { printf "%.0f", a / 20000 }')
      printf '%-14s %-15s %10s %9s %7s\n' "$mode" "$contender" "$marginal" "$total" "$(ratio "$marginal" "$base")"
    done
  done
  echo "  target: unload, lodrun over the baseline client <= 1.10"
fi

if [ "${BENCH_RSS_CHECK:-0}" = 1 ] && [ "$ROWS" -ge 10 ]; then
  echo
  echo "peak RSS at $ROWS rows against $((ROWS / 10)) rows (the engine's page cache grows with"
  echo "the database: the baseline client's growth is the reference):"
  for key in "${!BIG_RSS[@]}"; do
    [ -n "${RSS[$key]:-}" ] || continue
    awk -v name="${key/|/, }" -v big="${BIG_RSS[$key]}" -v little="${RSS[$key]}" \
      'BEGIN { printf "  %-30s %7.1f MiB %7.1f MiB  growth %+.1f MiB\n", name, big / 1024, little / 1024, (big - little) / 1024 }'
  done | sort
fi

if [ ${#NOTES[@]} -gt 0 ]; then
  echo
  echo "notes:"
  for note in "${NOTES[@]}"; do echo "  $note"; done
fi
echo
echo "logs and lodrun command files: $WORK"
exit 0
