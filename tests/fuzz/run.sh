#!/usr/bin/env bash
# Fuzzes every target of a libFuzzer build for a set time each.
#   tests/fuzz/run.sh BUILD_DIR [SECONDS]   (default 60 s per target)
# New inputs go to BUILD_DIR/fuzz-corpus/<target> (the seeds in the tree stay
# as they are); crashes to BUILD_DIR/fuzz-artifacts. A finding fails the run:
# copy the crashing input into tests/fuzz/corpus/<target> once it is fixed,
# so that the regression run in `make test` keeps it fixed.
set -uo pipefail

build=$(cd "${1:?usage: run.sh BUILD_DIR [SECONDS]}" && pwd)
seconds=${2:-60}
here=$(cd "$(dirname "$0")" && pwd)
# The targets run in a scratch directory: whatever a mutated input manages to
# create lands there, never in the tree.
work="$build/fuzz-work"
mkdir -p "$work"
cd "$work" || exit 1
targets=(commands fieldspec switches dates numbers records csv csvvalues blockstatement reasons)
failed=()

mkdir -p "$build/fuzz-artifacts"
for t in "${targets[@]}"; do
  mkdir -p "$build/fuzz-corpus/$t"
  echo "fuzz: $t for ${seconds}s"
  # The harness keeps what it allocates per input only until the next one;
  # leaks are the RSS tests' business, not the fuzzer's.
  if ! ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 \
       UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
       "$build/tests/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 \
         -rss_limit_mb=2048 -dict="$here/lodrun.dict" -print_final_stats=1 \
         -artifact_prefix="$build/fuzz-artifacts/$t-" \
         "$build/fuzz-corpus/$t" "$here/corpus/$t" 2> "$build/fuzz-$t.log"; then
    failed+=("$t")
    tail -40 "$build/fuzz-$t.log"
  fi
  grep -E "^stat::number_of_executed_units|^Done" "$build/fuzz-$t.log" | tail -2
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz: findings in ${failed[*]} (inputs in $build/fuzz-artifacts)"
  exit 1
fi
echo "fuzz: no findings"
