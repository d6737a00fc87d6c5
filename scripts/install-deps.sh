#!/usr/bin/env bash
# Installs what lodrun needs to build and test. Idempotent: apt-get runs only
# when a package is missing, so a prepared machine pays nothing.
set -euo pipefail

PACKAGES=(
  firebird3.0-server-core   # embedded engine: local paths attach without a server
  firebird3.0-utils         # isql-fb, gbak
  firebird-dev              # ibase.h
  libfbclient2              # the client library
  firebird3.0-examples      # the employee sample, round-tripped by the CSV tests
  cmake g++ make
  libgtest-dev
  groff-base                # the man page test formats man/lodrun.1
)
# make fuzz: clang with its libFuzzer runtime.
if [ "${LODRUN_WITH_FUZZ:-0}" = 1 ]; then
  PACKAGES+=(clang libclang-rt-14-dev)
fi
# A remote host:/path database needs the real server; tests that use it start it.
if [ "${LODRUN_WITH_SERVER:-0}" = 1 ]; then
  PACKAGES+=(firebird3.0-server)
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
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
