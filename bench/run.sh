#!/usr/bin/env bash
# run.sh - make bench: lodrun against the fastest per-record client and the
# engine's own bulk path, loading into an embedded database, loading through
# a server on localhost, unloading, and loading 100 KiB blobs; side by side
# in one report, with the targets lodrun is held to.
#
#   bench/run.sh BUILD_DIR       (BENCH_ROWS=N, default 200000)
#
#   gen_data.py --> rows.csv (N rows of bench_rows, fixed seed), rows.fix (the
#                   same rows as fixed records, the engine's external table),
#                   rows.csv.gz, rows.csv.zst for the compressed loads;
#                   --blobs: BENCH_BLOBS files of 100 KiB, their names, the
#                   same texts inline in a CSV file
#   for run 1..BENCH_RUNS, contenders in rotating order (interleaved):
#     load embedded:  baseline client, engine (external table -> INSERT ...
#                     SELECT), lodrun batch=1, lodrun (default batch), lodrun
#                     csv, lodrun gz and zst, each into a fresh database
#     load remote:    baseline client, lodrun batch=1, lodrun, lodrun csv,
#                     each into a fresh database on localhost:3050
#     unload:         baseline, lodrun, lodrun csv, from one embedded table
#     load blobs:     lodrun from files (line mode, blob_stream) and inline
#                     CSV, embedded
#   measure.py around each run: wall time, CPU time (user + system) of the
#   client, and for remote loads the server process's CPU time over the run
#   medians --> the table; ratios --> the targets, each PASS or MISS
#   BENCH_CALLGRIND=1: instructions per row under callgrind (20 000 rows
#     against 10 000; blobs 20 against 10), all of them and lodrun's own code
#   BENCH_FLAT=1: lodrun and the baseline client at 1 M and 5 M rows,
#     interleaved, embedded: CPU time per row against the row count
#
# The tables have no index (the engine's index work would dilute lodrun's
# part); BENCH_PRIMARY_KEY=1 adds a primary key on id. Loads are checked (N
# rows, content unloaded again equal to rows.csv; blobs: count, bytes and a
# hash alike for every contender) in the first run, unloads in every run
# (equal to rows.csv). A contender that fails is reported with its exit
# status; the bench still prints its report and exits 0 (2 when it cannot run
# at all): it measures, it gates nothing.
#
# The engine's external tables need ExternalFileAccess, which the installed
# firebird.conf leaves at None. The embedded engine takes its configuration
# from the directory FIREBIRD names, so the bench gives it one of its own
# under BENCH_DIR: the installed firebird.conf plus "ExternalFileAccess =
# Restrict BENCH_DIR", every other file linked to the installed ones. The
# server reads only the installed file: no external table remotely.
#
# Environment: BENCH_ROWS; BENCH_RUNS (runs per contender, default 3);
# BENCH_BLOBS (blob files, default 1000); BENCH_REMOTE=0 (no server round);
# BENCH_PRIMARY_KEY=1; BENCH_CALLGRIND=1; BENCH_FLAT=1 (BENCH_FLAT_ROWS,
# default "1000000 5000000"; BENCH_FLAT_RUNS, default 5); BENCH_RSS_CHECK=1
# (the N/10 round for peak RSS); BENCH_DIR (work directory, default
# BUILD_DIR/bench-work); BENCH_KEEP=1 (keep data and databases);
# BENCH_FORCED_WRITES=on (keep forced writes; by default databases are
# switched to asynchronous writes, so commits do not wait for the disk).
set -uo pipefail
export LC_ALL=C  # decimal points in awk's figures

usage() { echo "usage: bench/run.sh BUILD_DIR" >&2; exit 2; }
[ $# -eq 1 ] || usage
[ -d "$1" ] || { echo "bench: no build directory $1" >&2; exit 2; }

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(cd "$1" && pwd)
ROWS=${BENCH_ROWS:-200000}
RUNS=${BENCH_RUNS:-3}
BLOBS=${BENCH_BLOBS:-1000}
FLAT_ROWS=${BENCH_FLAT_ROWS:-1000000 5000000}
FLAT_RUNS=${BENCH_FLAT_RUNS:-5}
WORK=${BENCH_DIR:-$BUILD/bench-work}
LODRUN=$BUILD/lodrun
BASELINE=$BUILD/bench/minimal_client
MEASURE=$ROOT/bench/measure.py
DB_USER=SYSDBA
DB_PASSWORD=masterkey

for number in "$ROWS" "$RUNS" "$BLOBS" "$FLAT_RUNS" $FLAT_ROWS; do
  [[ $number =~ ^[1-9][0-9]*$ ]] ||
    { echo "bench: BENCH_ROWS, BENCH_RUNS, BENCH_BLOBS and BENCH_FLAT_* must be positive numbers" >&2; exit 2; }
done
case $WORK in
  *[[:space:]#\']*) echo "bench: the work directory must not contain blanks, quotes or '#': $WORK" >&2; exit 2 ;;
esac
for tool in isql-fb gfix python3 /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "bench: $tool is needed" >&2; exit 2; }
done
for program in "$LODRUN" "$BASELINE"; do
  [ -x "$program" ] || { echo "bench: $program is not built (LODRUN_BENCH=OFF?)" >&2; exit 2; }
done
mkdir -p "$WORK" || exit 2
WORK=$(cd "$WORK" && pwd)
rm -f "$WORK"/*.log "$WORK"/*.cmd "$WORK"/*.sql "$WORK"/*.fdb "$WORK"/*.out

say() { echo "bench: $*" >&2; }

# Results by "mode|contender": per run wall seconds, client CPU seconds,
# server CPU seconds, client + server CPU seconds; peak RSS KiB; failure.
declare -A TIMES CPU SERVER_CPU TOTAL_CPU RSS FAILURE BIG_RSS INSTRUCTIONS OWN UNAVAILABLE BLOB_SUMS
declare -A FLAT_CPU FLAT_RATIO
INSTRUCTIONS=() OWN=()
NOTES=()

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

# server_pids: the Firebird server processes, whose CPU time a remote run adds.
server_pids() { pgrep -x firebird 2>/dev/null | tr '\n' ' '; }

# ---- the engine's configuration for external tables ----
ENGINE_ROOT=$WORK/engine-root
# engine_root: makes ENGINE_ROOT and checks that the embedded engine reads an
# external file with it; on failure prints the reason.
engine_root() {
  local installed
  installed=$(fb_config --confdir 2>/dev/null)
  [ -f "$installed/firebird.conf" ] || installed=$(dirname "$(ls /usr/lib/*/firebird/3.0/firebird.msg 2>/dev/null | head -n 1)")
  [ -f "$installed/firebird.conf" ] || { echo "no installed firebird.conf found"; return 1; }
  rm -rf "$ENGINE_ROOT" && mkdir -p "$ENGINE_ROOT" || { echo "cannot make $ENGINE_ROOT"; return 1; }
  local entry
  for entry in "$installed"/*; do
    [ "$(basename "$entry")" = firebird.conf ] || ln -s "$entry" "$ENGINE_ROOT/"
  done
  { cat "$installed/firebird.conf"; echo; echo "ExternalFileAccess = Restrict $WORK"; } >"$ENGINE_ROOT/firebird.conf"
  printf '1         \n' >"$WORK/probe.txt"
  rm -f "$WORK/probe.fdb"
  local answer
  answer=$(FIREBIRD=$ENGINE_ROOT isql-fb -q -b 2>&1 <<SQL
create database '$WORK/probe.fdb' user '$DB_USER' password '$DB_PASSWORD';
create table probe external file '$WORK/probe.txt' (id char(10), nl char(1));
select 'probe:' || trim(id) from probe;
SQL
)
  rm -f "$WORK/probe.fdb" "$WORK/probe.txt"
  case $answer in
    *probe:1*) return 0 ;;
    *) echo "the embedded engine refused the external table with FIREBIRD=$ENGINE_ROOT: $(echo "$answer" | grep -v '^[[:space:]]*$' | tail -n 1)"; return 1 ;;
  esac
}
ENGINE="engine ext table"  # the contender's name
if reason=$(engine_root); then
  :
else
  UNAVAILABLE["load embedded|$ENGINE"]=$reason
fi
UNAVAILABLE["load remote|$ENGINE"]="the server reads only the installed firebird.conf (ExternalFileAccess None), not ours to edit"

# create_db NAME PASSWORD [blobs]: a fresh database (path or localhost:path)
# holding the empty bench_rows table (bench_blobs with `blobs`).
create_db() {
  local name=$1 password=$2 key='' table
  [ "${BENCH_PRIMARY_KEY:-0}" = 1 ] && key=" primary key"
  if [ "${3:-}" = blobs ]; then
    table="create table bench_blobs (id integer not null$key, body blob sub_type text);"
  else
    table="create table bench_rows (id integer not null$key, name varchar(30),
  amount numeric(12,2), born date, note varchar(60));"
  fi
  case $name in localhost:*) rm -f "${name#localhost:}" ;; *) rm -f "$name" ;; esac
  isql-fb -q -b >"$WORK/create.log" 2>&1 <<SQL || return 1
create database '$name' user '$DB_USER' password '$password';
$table
commit;
SQL
  [ "${BENCH_FORCED_WRITES:-off}" = on ] ||
    gfix -write async -user "$DB_USER" -password "$password" "$name" >>"$WORK/create.log" 2>&1
}

# external_table DB FIXED_FILE: adds the external table over FIXED_FILE and
# writes WORK/bulk.sql, the engine's whole load of it into bench_rows.
external_table() {
  FIREBIRD=$ENGINE_ROOT isql-fb -q -b -user "$DB_USER" -password "$DB_PASSWORD" "$1" \
    >>"$WORK/create.log" 2>&1 <<SQL || return 1
create table ext external file '$2' (id char(10), name char(30), amount char(15),
  born char(10), note char(60), nl char(1));
commit;
SQL
  cat >"$WORK/bulk.sql" <<SQL
connect '$1' user '$DB_USER' password '$DB_PASSWORD';
insert into bench_rows (id, name, amount, born, note)
  select cast(id as integer), trim(trailing from name), cast(amount as numeric(12,2)),
         cast(born as date), trim(trailing from note) from ext;
commit;
SQL
}

# timed KEY LOG SERVERS ENV... -- COMMAND...: runs the command with the
# environment words, measured (SERVERS: the server pids whose CPU time
# counts too); adds its figures to KEY.
timed() {
  local key=$1 log=$2 servers=$3 status figures
  shift 3
  local env=()
  while [ "$1" != -- ]; do env+=("$1"); shift; done
  shift
  # shellcheck disable=SC2086  # the pids are words
  figures=$(python3 "$MEASURE" "$log" $servers -- env "${env[@]}" "$@")
  status=$?
  if [ "$status" -ne 0 ]; then
    FAILURE[$key]="exit status $status ($(tr -d '\r' <"$log" | grep -v '^[[:space:]]*$' | tail -n 2 | tr '\n' ' '))"
    return 1
  fi
  local wall user sys rss server
  read -r wall user sys rss server <<<"$figures"
  TIMES[$key]+=" $wall"
  CPU[$key]+=" $(awk -v u="$user" -v s="$sys" 'BEGIN { printf "%.3f", u + s }')"
  SERVER_CPU[$key]+=" $server"
  TOTAL_CPU[$key]+=" $(awk -v u="$user" -v s="$sys" -v v="$server" 'BEGIN { printf "%.3f", u + s + v }')"
  [ "${rss:-0}" -gt "${RSS[$key]:-0}" ] && RSS[$key]=$rss
  return 0
}

# write_command FILE OPTIONS STATEMENT: a lodrun command file.
write_command() { printf 'options %s\n%s\n' "$2" "$3" >"$1"; }

# contender_command CONTENDER DIRECTION DB PASSWORD DATADIR: sets COMMAND
# (the words to run) and COMMAND_ENV (environment words). Loads read
# DATADIR's files; unloads write WORK/unload.out.
contender_command() {
  local contender=$1 direction=$2 db=$3 password=$4 data=$5
  local connect="db=$db user=$DB_USER passwd=$password"
  local insert="insert into bench_rows (id, name, amount, born, note) values"
  local select="select id, name, amount, born, note from bench_rows"
  local blobs="insert into bench_blobs (id, body) values"
  local cmd
  cmd=$WORK/$direction-$(echo "$contender" | tr -c 'a-zA-Z0-9=\n' '-').cmd
  COMMAND_ENV=("ISC_USER=$DB_USER" "ISC_PASSWORD=$password")
  COMMAND=("$LODRUN" -x "$cmd")
  case $direction/$contender in
    i/baseline) COMMAND=("$BASELINE" load-delimited "$db" "$data/rows.csv") ;;
    o/baseline) COMMAND=("$BASELINE" unload "$db" "$WORK/unload.out") ;;
    "i/$ENGINE")
      COMMAND_ENV+=("FIREBIRD=$ENGINE_ROOT")
      COMMAND=(isql-fb -q -b -i "$WORK/bulk.sql") ;;
    "i/lodrun batch=1")
      write_command "$cmd" "$connect direction=i file=$data/rows.csv variables=5 delimiter=, batch=1" \
        "$insert (?, ?, ?, ?, ?)" ;;
    i/lodrun)
      write_command "$cmd" "$connect direction=i file=$data/rows.csv variables=5 delimiter=," \
        "$insert (?, ?, ?, ?, ?)" ;;
    o/lodrun)
      write_command "$cmd" "$connect direction=o file=$WORK/unload.out variables=5 delimiter=, lineend=u" \
        "$select" ;;
    # CSV mode reads and writes the same rows.csv: its dates are day first.
    "i/lodrun csv")
      write_command "$cmd" "$connect direction=i file=$data/rows.csv variables=5 csv" \
        "$insert (?, ?, ?, ?{dateform=16}, ?)" ;;
    "o/lodrun csv")
      write_command "$cmd" "$connect direction=o file=$WORK/unload.out variables=5 csv lineend=u" \
        "select id, name, amount, born{dateform=16}, note from bench_rows" ;;
    "i/lodrun gz" | "i/lodrun zst")
      write_command "$cmd" "$connect direction=i file=$data/rows.csv.${contender#lodrun } variables=5 delimiter=," \
        "$insert (?, ?, ?, ?, ?)" ;;
    "i/lodrun file lines")
      write_command "$cmd" "$connect direction=i file=$data/blobs.txt variables=2 delimiter=," "$blobs (?, ?)" ;;
    "i/lodrun file stream")
      write_command "$cmd" "$connect direction=i file=$data/blobs.txt variables=2 delimiter=," \
        "$blobs (?, ?{blob_stream})" ;;
    "i/lodrun csv inline")
      write_command "$cmd" "$connect direction=i file=$data/blobs.csv variables=2 csv" "$blobs (?, ?)" ;;
    *) say "no command for $contender ($direction)"; exit 2 ;;
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

# check_blobs KEY DB: count, bytes and a hash of the blobs, the same for every contender.
check_blobs() {
  local sums
  sums=$(isql-fb -q -b -user "$DB_USER" -password "$DB_PASSWORD" "$2" 2>&1 <<'SQL' | grep 'sums:'
select 'sums:' || count(*) || ' ' || sum(octet_length(body)) || ' ' || sum(mod(hash(body), 1000000)) from bench_blobs;
SQL
)
  BLOB_SUMS[$1]=${sums#sums:}
  [ "${BLOB_SUMS[$1]%% *}" = "$BLOBS" ] || FAILURE[$1]="$BLOBS blobs expected, the table holds: ${BLOB_SUMS[$1]:-nothing}"
}

# load_once MODE CONTENDER RUN: one measured load into a fresh database.
load_once() {
  local mode=$1 contender=$2 run=$3 key="$1|$2" db password=$DB_PASSWORD servers=
  [ -n "${FAILURE[$key]:-}" ] && return
  case $mode in
    "load remote")
      db=localhost:$REMOTE_DIR/load.fdb
      password=$SERVER_PASSWORD
      servers=$(server_pids) ;;
    *) db=$WORK/load.fdb ;;
  esac
  local table=
  [ "$mode" = "load blobs" ] && table=blobs
  create_db "$db" "$password" $table || { FAILURE[$key]="the database could not be created"; return; }
  if [ "$contender" = "$ENGINE" ]; then
    external_table "$db" "$DATA/rows.fix" || { FAILURE[$key]="the external table could not be made"; return; }
  fi
  local data=$DATA
  [ "$mode" = "load blobs" ] && data=$BLOB_DATA
  contender_command "$contender" i "$db" "$password" "$data"
  timed "$key" "$WORK/$(echo "$key" | tr -c 'a-zA-Z0-9=\n' '-').log" "$servers" \
    "${COMMAND_ENV[@]}" -- "${COMMAND[@]}" || return
  [ "$run" = 1 ] || return
  if [ "$mode" = "load blobs" ]; then check_blobs "$key" "$db"; else check_table "$key" "$db" "$password"; fi
}

# unload_once CONTENDER: one measured unload of SOURCE_DB, checked.
unload_once() {
  local key="unload|$1"
  [ -n "${FAILURE[$key]:-}" ] && return
  contender_command "$1" o "$SOURCE_DB" "$DB_PASSWORD" "$DATA"
  timed "$key" "$WORK/unload-${1// /-}.log" "" "${COMMAND_ENV[@]}" -- "${COMMAND[@]}" || return
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

EMBEDDED_LOADERS=(baseline)
[ -z "${UNAVAILABLE["load embedded|$ENGINE"]:-}" ] && EMBEDDED_LOADERS+=("$ENGINE")
EMBEDDED_LOADERS+=("lodrun batch=1" lodrun "lodrun csv" "lodrun gz")
if command -v zstd >/dev/null; then
  EMBEDDED_LOADERS+=("lodrun zst")
else
  NOTES+=("no zstd command to compress rows.csv: the zst load is left out")
fi
REMOTE_LOADERS=(baseline "lodrun batch=1" lodrun "lodrun csv")
UNLOADERS=(baseline lodrun "lodrun csv")
BLOB_LOADERS=("lodrun file lines" "lodrun file stream" "lodrun csv inline")
MODES=("load embedded")
[ -n "$REMOTE_DIR" ] && MODES+=("load remote")

# contenders MODE: the contenders of a mode, one a line.
contenders() {
  case $1 in
    "load embedded") printf '%s\n' "${EMBEDDED_LOADERS[@]}" ;;
    "load remote") printf '%s\n' "${REMOTE_LOADERS[@]}" ;;
    unload) printf '%s\n' "${UNLOADERS[@]}" ;;
    "load blobs") printf '%s\n' "${BLOB_LOADERS[@]}" ;;
  esac
}

# compressed_copies DIR: DIR/rows.csv.gz and, for the zst load, DIR/rows.csv.zst.
compressed_copies() {
  python3 -c 'import gzip, shutil, sys
with open(sys.argv[1], "rb") as f, gzip.open(sys.argv[1] + ".gz", "wb", 6) as g: shutil.copyfileobj(f, g)' \
    "$1/rows.csv" || { say "rows.csv could not be compressed"; exit 2; }
  if command -v zstd >/dev/null; then zstd -q -f "$1/rows.csv" -o "$1/rows.csv.zst" || exit 2; fi
}

# round ROWS [rows-only]: generates the data and runs every mode RUNS times
# (rows-only: not the blobs).
round() {
  DATA=$WORK/data-$1
  BLOB_DATA=$WORK/blobs-$BLOBS
  say "generating $1 rows"
  python3 "$ROOT/bench/gen_data.py" "$1" "$DATA" >/dev/null || { say "the generator failed"; exit 2; }
  compressed_copies "$DATA"
  local modes=("${MODES[@]}")
  if [ "${2:-}" != rows-only ]; then
    say "generating $BLOBS blob files"
    python3 "$ROOT/bench/gen_data.py" --blobs "$BLOBS" "$BLOB_DATA" >/dev/null || { say "the generator failed"; exit 2; }
    modes+=("load blobs")
  fi
  SOURCE_DB=$WORK/source.fdb
  create_db "$SOURCE_DB" "$DB_PASSWORD" &&
    "$BASELINE" load-delimited "$SOURCE_DB" "$DATA/rows.csv" >"$WORK/source.log" 2>&1 ||
    { say "the unload source could not be loaded"; SOURCE_DB=; }
  for ((run = 1; run <= RUNS; run++)); do
    say "run $run of $RUNS ($1 rows)"
    local mode contender list
    for mode in "${modes[@]}"; do
      mapfile -t list < <(contenders "$mode")
      while read -r contender; do load_once "$mode" "$contender" "$run"; done < <(rotated "$run" "${list[@]}")
    done
    if [ -n "$SOURCE_DB" ]; then
      while read -r contender; do unload_once "$contender"; done < <(rotated "$run" "${UNLOADERS[@]}")
    fi
  done
  [ -n "${BENCH_KEEP:-}" ] || rm -rf "$DATA" "$BLOB_DATA" "$WORK/load.fdb" "$SOURCE_DB" "$WORK/check.out"
}

median() { tr ' ' '\n' | grep . | sort -n | awk '{ v[NR] = $1 } END { if (NR == 0) print ""; else if (NR % 2) print v[(NR + 1) / 2]; else printf "%.3f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
# ratio A B [DECIMALS]: A / B, or - when either is missing.
ratio() { awk -v a="$1" -v b="$2" -v d="${3:-3}" 'BEGIN { if (a != "" && b != "" && a != "-" && b != "-" && b > 0) printf "%.*f", d, a / b; else print "-" }'; }
median_of() { local -n values=$1; echo "${values[$2]:-}" | median; }

START_LOAD=$(cut -d' ' -f1-3 /proc/loadavg)
round "$ROWS"

# ---- callgrind: instructions per row ----
if [ "${BENCH_CALLGRIND:-0}" = 1 ]; then
  if ! command -v valgrind >/dev/null; then
    NOTES+=("BENCH_CALLGRIND=1 needs valgrind (apt-get install -y valgrind)")
  else
    # counted KEY SIZE DIRECTION: one run of KEY's contender under callgrind
    # at SIZE rows (blobs: SIZE blobs); prints its instructions, all and own.
    counted() {
      local mode=${1%%|*} contender=${1#*|} size=$2 direction=$3 db=$WORK/cg.fdb out=$WORK/cg.out
      local data=$WORK/data-cg-$size
      if [ "$direction" = o ]; then
        contender_command "$contender" o "$data/source.fdb" "$DB_PASSWORD" "$data"
      else
        local table=
        [ "$mode" = "load blobs" ] && { table=blobs; data=$WORK/blobs-cg-$size; }
        create_db "$db" "$DB_PASSWORD" $table || return
        if [ "$contender" = "$ENGINE" ]; then external_table "$db" "$data/rows.fix" || return; fi
        contender_command "$contender" i "$db" "$DB_PASSWORD" "$data"
      fi
      env "${COMMAND_ENV[@]}" valgrind --tool=callgrind --callgrind-out-file="$out" "${COMMAND[@]}" \
        >"$WORK/cg.log" 2>&1 || return
      echo "$(sed -n 's/^summary: *\([0-9]*\).*/\1/p' "$out" | head -n 1)" \
        "$(python3 "$ROOT/bench/own_code.py" "$out" "$(basename "${COMMAND[0]}")")"
      rm -f "$out" "$WORK/unload.out"
    }
    for rows in 10000 20000; do
      python3 "$ROOT/bench/gen_data.py" "$rows" "$WORK/data-cg-$rows" >/dev/null
      compressed_copies "$WORK/data-cg-$rows"
      create_db "$WORK/data-cg-$rows/source.fdb" "$DB_PASSWORD" &&
        "$BASELINE" load-delimited "$WORK/data-cg-$rows/source.fdb" "$WORK/data-cg-$rows/rows.csv" >/dev/null 2>&1
    done
    for blobs in 10 20; do
      python3 "$ROOT/bench/gen_data.py" --blobs "$blobs" "$WORK/blobs-cg-$blobs" >/dev/null
    done
    for mode in "load embedded" unload "load blobs"; do
      direction=i small=10000 large=20000
      [ "$mode" = unload ] && direction=o
      [ "$mode" = "load blobs" ] && { small=10; large=20; }
      while read -r contender; do
        say "callgrind: $mode, $contender"
        read -r i_large o_large <<<"$(counted "$mode|$contender" $large $direction)"
        read -r i_small o_small <<<"$(counted "$mode|$contender" $small $direction)"
        [ -n "${i_large:-}" ] && [ -n "${i_small:-}" ] || continue
        INSTRUCTIONS["$mode|$contender"]=$(awk -v a="$i_large" -v b="$i_small" -v n=$((large - small)) 'BEGIN { printf "%.0f", (a - b) / n }')
        OWN["$mode|$contender"]=$(awk -v a="$o_large" -v b="$o_small" -v n=$((large - small)) 'BEGIN { printf "%.0f", (a - b) / n }')
        [ "$contender" = "$ENGINE" ] && OWN["$mode|$contender"]=-  # isql-fb's, nothing to compare
      done < <(contenders "$mode")
    done
    rm -rf "$WORK"/data-cg-* "$WORK"/blobs-cg-* "$WORK/cg.fdb"
  fi
fi

# ---- flat in N: CPU time per row at 1 M and 5 M rows ----
if [ "${BENCH_FLAT:-0}" = 1 ]; then
  read -r -a flat_sizes <<<"$FLAT_ROWS"
  largest=$(printf '%s\n' "${flat_sizes[@]}" | sort -n | tail -n 1)
  say "generating $largest rows for the flat-in-N round"
  python3 "$ROOT/bench/gen_data.py" "$largest" "$WORK/data-flat" >/dev/null || { say "the generator failed"; exit 2; }
  for size in "${flat_sizes[@]}"; do  # the first SIZE rows are the rows of a SIZE-row run
    head -n "$size" "$WORK/data-flat/rows.csv" >"$WORK/data-flat/rows-$size.csv"
  done
  rm -f "$WORK/data-flat/rows.fix"
  for ((run = 1; run <= FLAT_RUNS; run++)); do
    while read -r size; do
      while read -r contender; do
        say "flat in N: run $run of $FLAT_RUNS, $contender, $size rows"
        key="flat|$contender|$size"
        [ -n "${FAILURE[$key]:-}" ] && continue
        create_db "$WORK/load.fdb" "$DB_PASSWORD" || { FAILURE[$key]="the database could not be created"; continue; }
        mkdir -p "$WORK/data-flat/$size" && ln -sf "../rows-$size.csv" "$WORK/data-flat/$size/rows.csv"
        contender_command "$contender" i "$WORK/load.fdb" "$DB_PASSWORD" "$WORK/data-flat/$size"
        timed "$key" "$WORK/flat.log" "" "${COMMAND_ENV[@]}" -- "${COMMAND[@]}" &&
          FLAT_CPU[$key]+=" $(awk -v c="$(echo "${CPU[$key]}" | tr ' ' '\n' | tail -n 1)" -v n="$size" 'BEGIN { printf "%.3f", c / n * 1e6 }')"
      done < <(rotated "$run" baseline lodrun)
    done < <(rotated "$run" "${flat_sizes[@]}")
  done
  [ -n "${BENCH_KEEP:-}" ] || rm -rf "$WORK/data-flat" "$WORK/load.fdb"
fi

# ---- peak RSS against N ----
if [ "${BENCH_RSS_CHECK:-0}" = 1 ] && [ "$ROWS" -ge 10 ]; then
  for key in "${!RSS[@]}"; do BIG_RSS[$key]=${RSS[$key]}; done
  RSS=()
  SAVED_RUNS=$RUNS
  RUNS=1
  round $((ROWS / 10)) rows-only
  RUNS=$SAVED_RUNS
fi

# ---- the report ----
# per_unit MODE: rows or blobs a run of MODE moves.
per_unit() { [ "$1" = "load blobs" ] && echo "$BLOBS" || echo "$ROWS"; }
# reference MODE: the contender the mode's ratios divide by.
reference() { [ "$1" = "load blobs" ] && echo "lodrun csv inline" || echo baseline; }

echo
echo "lodrun benchmark: $ROWS rows ($BLOBS blobs of 100 KiB), medians of $RUNS interleaved runs,"
echo "$(nproc) cores, load average at start $START_LOAD, table $( [ "${BENCH_PRIMARY_KEY:-0}" = 1 ] && echo "with a primary key" || echo "without index"),"
echo "forced writes ${BENCH_FORCED_WRITES:-off}. cpu = user + system seconds of the client; server = the"
echo "Firebird server's CPU seconds over the run (remote; it is shared, others' work counts too);"
echo "us/unit = (cpu + server) per row (per blob); ratio = us/unit over the first contender's"
printf '%-13s %-18s %8s %9s %7s %7s %8s %6s %6s\n' mode contender seconds units/s cpu server us/unit ratio "MiB"
for mode in "${MODES[@]}" unload "load blobs"; do
  units=$(per_unit "$mode")
  base=$(median_of TOTAL_CPU "$mode|$(reference "$mode")")
  rows=()
  mapfile -t rows < <(contenders "$mode")
  [ -n "${UNAVAILABLE["$mode|$ENGINE"]:-}" ] && rows=("${rows[0]}" "$ENGINE" "${rows[@]:1}")
  for contender in "${rows[@]}"; do
    key="$mode|$contender"
    if [ -n "${UNAVAILABLE[$key]:-}" ]; then
      printf '%-13s %-18s  unavailable: %s\n' "$mode" "$contender" "${UNAVAILABLE[$key]}"
      continue
    fi
    if [ -n "${FAILURE[$key]:-}" ]; then
      printf '%-13s %-18s  FAILED: %s\n' "$mode" "$contender" "${FAILURE[$key]}"
      continue
    fi
    secs=$(median_of TIMES "$key")
    [ -n "$secs" ] || continue
    cpu=$(median_of CPU "$key")
    server=$(median_of SERVER_CPU "$key")
    total=$(median_of TOTAL_CPU "$key")
    [ "$mode" = "load remote" ] || server=-
    rate=$(awk -v n="$units" -v s="$secs" 'BEGIN { if (s > 0) printf "%.0f", n / s; else print "-" }')
    per=$(awk -v n="$units" -v t="$total" 'BEGIN { printf "%.2f", t / n * 1e6 }')
    # the full-size peak (RSS holds the N/10 round's after an RSS check)
    mib=$(awk -v k="${BIG_RSS[$key]:-${RSS[$key]:-0}}" 'BEGIN { printf "%.1f", k / 1024 }')
    printf '%-13s %-18s %8.2f %9s %7.2f %7s %8s %6s %6s\n' "$mode" "$contender" "$secs" "$rate" "$cpu" "$server" \
      "$per" "$(ratio "$total" "$base" 2)" "$mib"
  done
done
for contender in "${BLOB_LOADERS[@]}"; do
  sums=${BLOB_SUMS["load blobs|$contender"]:-}
  [ -n "$sums" ] && [ "$sums" != "${BLOB_SUMS["load blobs|lodrun csv inline"]:-}" ] &&
    NOTES+=("load blobs, $contender: count, bytes and hash $sums differ from the inline CSV's ${BLOB_SUMS["load blobs|lodrun csv inline"]:-}")
done

if [ ${#INSTRUCTIONS[@]} -gt 0 ]; then
  echo
  echo "instructions per row (per blob) under callgrind: marginal, (20 000 rows - 10 000 rows) / 10 000"
  echo "(blobs: (20 - 10) / 10), free of start-up and attach; own = lodrun's or the client's own code"
  echo "and the C/C++ libraries it calls, without the client library and the engine"
  printf '%-13s %-18s %10s %7s %9s %7s\n' mode contender all ratio own ratio
  for mode in "load embedded" unload "load blobs"; do
    ref=$(reference "$mode")
    while read -r contender; do
      key="$mode|$contender"
      if [ -z "${INSTRUCTIONS[$key]:-}" ]; then
        printf '%-13s %-18s  FAILED (see %s)\n' "$mode" "$contender" "$WORK/cg.log"
        continue
      fi
      printf '%-13s %-18s %10s %7s %9s %7s\n' "$mode" "$contender" "${INSTRUCTIONS[$key]}" \
        "$(ratio "${INSTRUCTIONS[$key]}" "${INSTRUCTIONS["$mode|$ref"]:-}")" "${OWN[$key]}" \
        "$(ratio "${OWN[$key]}" "${OWN["$mode|$ref"]:-}")"
    done < <(contenders "$mode")
  done
fi

if [ "${BENCH_FLAT:-0}" = 1 ]; then
  echo
  echo "flat in N: CPU microseconds per row (user + system), embedded, $FLAT_RUNS interleaved runs each"
  printf '%-10s' contender
  for size in "${flat_sizes[@]}"; do printf ' %14s' "$size rows"; done
  printf ' %9s %9s   %s\n' "last/first" "peak MiB" "(each run)"
  for contender in baseline lodrun; do
    printf '%-10s' "$contender"
    first='' last='' runs=''
    for size in "${flat_sizes[@]}"; do
      key="flat|$contender|$size"
      value=$(median_of FLAT_CPU "$key")
      [ -n "${FAILURE[$key]:-}" ] && value=FAILED
      printf ' %14s' "${value:--}"
      [ -z "$first" ] && first=$value
      last=$value
      runs+=" ${size}:${FLAT_CPU[$key]:-}"
    done
    FLAT_RATIO[$contender]=$(ratio "$last" "$first")
    printf ' %9s %9s  %s\n' "${FLAT_RATIO[$contender]}" \
      "$(awk -v k="${RSS["flat|$contender|$size"]:-0}" 'BEGIN { printf "%.1f", k / 1024 }')" "$runs"
  done
fi

# target TEXT VALUE OP LIMIT FIGURES: one target line, PASS or MISS (---- when
# the figure was not measured, FIGURES then says why).
target() {
  local verdict
  verdict=$(awk -v v="$2" -v op="$3" -v l="$4" 'BEGIN {
    if (v == "" || v == "-") { print "----"; exit }
    ok = (op == "<=") ? (v + 0 <= l + 0) : (v + 0 >= l + 0)
    print ok ? "PASS" : "MISS" }')
  printf '  %-4s  %-58s %6s (target %s %s) %s\n' "$verdict" "$1" "${2:--}" "$3" "$4" "$5"
}
# cpu_ratio KEY_A KEY_B: median total CPU of A over B's.
cpu_ratio() { ratio "$(median_of TOTAL_CPU "$1")" "$(median_of TOTAL_CPU "$2")"; }
# figures KEY_A KEY_B [ARRAY]: "(a / b)" of the medians, for the target lines.
figures() { echo "($(median_of "${3:-TOTAL_CPU}" "$1") / $(median_of "${3:-TOTAL_CPU}" "$2") s)"; }

echo
echo "targets (CPU time unless said; instructions with BENCH_CALLGRIND=1):"
if [ -n "${INSTRUCTIONS["load embedded|lodrun"]:-}" ]; then
  target "embedded load, lodrun default / client, instructions" \
    "$(ratio "${INSTRUCTIONS["load embedded|lodrun"]}" "${INSTRUCTIONS["load embedded|baseline"]:-}")" "<=" 0.88 \
    "(${INSTRUCTIONS["load embedded|lodrun"]} / ${INSTRUCTIONS["load embedded|baseline"]:-} per row)"
  [ -n "${INSTRUCTIONS["load embedded|$ENGINE"]:-}" ] &&
    printf '  %-4s  %-58s %6s (the limit: %s per row)\n' "" "embedded load, engine's external table / client, instr." \
      "$(ratio "${INSTRUCTIONS["load embedded|$ENGINE"]}" "${INSTRUCTIONS["load embedded|baseline"]:-}")" \
      "${INSTRUCTIONS["load embedded|$ENGINE"]}"
else
  target "embedded load, lodrun default / client, CPU time" \
    "$(cpu_ratio "load embedded|lodrun" "load embedded|baseline")" "<=" 0.88 \
    "$(figures "load embedded|lodrun" "load embedded|baseline")"
fi
if [ -n "${TOTAL_CPU["load embedded|$ENGINE"]:-}" ]; then
  printf '  %-4s  %-58s %6s (the limit) %s\n' "" "embedded load, engine's external table / client, CPU time" \
    "$(cpu_ratio "load embedded|$ENGINE" "load embedded|baseline")" "$(figures "load embedded|$ENGINE" "load embedded|baseline")"
else
  printf '  %-4s  %-58s %6s (%s)\n' "----" "embedded load, engine's external table" - \
    "${UNAVAILABLE["load embedded|$ENGINE"]:-${FAILURE["load embedded|$ENGINE"]:-not measured}}"
fi
if [ -n "$REMOTE_DIR" ]; then
  target "remote load client + server / embedded, lodrun default" \
    "$(cpu_ratio "load remote|lodrun" "load embedded|lodrun")" "<=" 1.5 \
    "$(figures "load remote|lodrun" "load embedded|lodrun")"
else
  target "remote load client + server / embedded, lodrun default" "" "<=" 1.5 "(no server round)"
fi
for contender in "lodrun file lines" "lodrun file stream"; do
  extra=
  [ -n "${INSTRUCTIONS["load blobs|$contender"]:-}" ] &&
    extra=" instructions $(ratio "${INSTRUCTIONS["load blobs|$contender"]}" "${INSTRUCTIONS["load blobs|lodrun csv inline"]:-}")"
  target "blobs ${contender#lodrun } / inline csv" \
    "$(cpu_ratio "load blobs|$contender" "load blobs|lodrun csv inline")" "<=" 1.5 \
    "$(figures "load blobs|$contender" "load blobs|lodrun csv inline")$extra"
done
for mode in "load embedded" unload; do
  limit=1.2
  [ "$mode" = unload ] && limit=1.1
  if [ -n "${OWN["$mode|lodrun csv"]:-}" ]; then
    target "${mode#load }: csv own code / delimited own code, instructions" \
      "$(ratio "${OWN["$mode|lodrun csv"]}" "${OWN["$mode|lodrun"]:-}")" "<=" $limit \
      "(${OWN["$mode|lodrun csv"]} / ${OWN["$mode|lodrun"]:-} per row)"
  else
    target "${mode#load }: csv own code / delimited own code, instructions" "" "<=" $limit \
      "(BENCH_CALLGRIND=1 counts them; whole process CPU $(cpu_ratio "$mode|lodrun csv" "$mode|lodrun"))"
  fi
done
if [ "${BENCH_FLAT:-0}" = 1 ]; then
  target "flat in N: lodrun CPU per row, $(echo "$FLAT_ROWS" | tr ' ' '/') rows" "${FLAT_RATIO[lodrun]:-}" "<=" 1.05 \
    "(the client: ${FLAT_RATIO[baseline]:-})"
else
  target "flat in N: lodrun CPU per row, 5 M / 1 M rows" "" "<=" 1.05 "(BENCH_FLAT=1 runs it: minutes)"
fi
echo " earlier targets:"
if [ -n "${INSTRUCTIONS["unload|lodrun"]:-}" ]; then
  target "unload, lodrun / client, instructions" \
    "$(ratio "${INSTRUCTIONS["unload|lodrun"]}" "${INSTRUCTIONS["unload|baseline"]:-}")" "<=" 1.10 ""
fi
target "embedded load, lodrun gz / lodrun default" "$(cpu_ratio "load embedded|lodrun gz" "load embedded|lodrun")" "<=" 1.30 ""
target "embedded load, lodrun zst / lodrun default" "$(cpu_ratio "load embedded|lodrun zst" "load embedded|lodrun")" "<=" 1.10 ""
if [ -n "$REMOTE_DIR" ]; then
  target "remote load, wall time, lodrun batch=1 / lodrun default" \
    "$(ratio "$(median_of TIMES "load remote|lodrun batch=1")" "$(median_of TIMES "load remote|lodrun")")" ">=" 4 ""
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
