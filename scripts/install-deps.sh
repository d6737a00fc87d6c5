#!/usr/bin/env bash
# Installs what lodrun needs, by purpose:
#   install-deps.sh demo   what building and running the program needs (make demo)
#   install-deps.sh test   that, plus everything any test uses (make deps, make test)
# Idempotent: apt-get runs only when a package is missing, so a prepared
# machine pays nothing. Tests never install anything: this runs before them.
set -euo pipefail

purpose=${1:-test}

# Building lodrun and running it against embedded databases.
PACKAGES=(
  firebird3.0-server-core   # embedded engine: local paths attach without a server
  firebird3.0-utils         # isql-fb, gfix, gbak
  firebird-dev              # ibase.h
  libfbclient2              # the client library
  zlib1g-dev libzstd-dev    # .gz and .zst data files
  cmake g++ make
)
case "$purpose" in
  demo) ;;
  test)
    PACKAGES+=(
      libgtest-dev
      firebird3.0-server    # the host:/path tests: a local server and private ones
      firebird3.0-examples  # the employee sample, round-tripped by the CSV tests
      groff-base            # the man page test formats man/lodrun.1
      python3               # CSV interoperability and terminal tests
      time                  # /usr/bin/time: peak memory of large blob loads
    )
    ;;
  *)
    echo "usage: install-deps.sh [demo|test]" >&2
    exit 2
    ;;
esac
# make fuzz: clang with its libFuzzer runtime.
if [ "${LODRUN_WITH_FUZZ:-0}" = 1 ]; then
  PACKAGES+=(clang libclang-rt-14-dev)
fi
# `BENCH_CALLGRIND=1 make bench` counts instructions under callgrind.
if [ "${BENCH_CALLGRIND:-0}" = 1 ]; then
  PACKAGES+=(valgrind)
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" != 0 ]; then SUDO="sudo"; fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# Without a reachable mirror the lists and packages at hand may still do.
$SUDO apt-get update -qq || echo "install-deps: apt-get update failed; using the package lists at hand" >&2
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
