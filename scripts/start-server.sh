#!/usr/bin/env bash
# Makes a Firebird server listen on localhost:3050 for the tests that reach a
# database as host:/path. Idempotent: starts the guardian only when nothing
# listens yet. It installs nothing: firebird3.0-server comes with `make deps`.
# Exits 0 when a server listens, non-zero with the reason on standard error
# when this machine cannot run one (the remote tests then skip, or fail under
# CI=true). ctest runs it once before the tests that use the server.
set -euo pipefail

listening() { (exec 3<>/dev/tcp/127.0.0.1/3050) 2>/dev/null; }
fail() { echo "start-server: $*" >&2; exit 1; }

if listening; then
  exit 0
fi
if [ "$(id -u)" != 0 ]; then
  fail "not root, no Firebird server started"
fi
if [ ! -x /usr/sbin/fbguard ]; then
  fail "the firebird3.0-server package is not installed (make deps installs it)"
fi
mkdir -p /run/firebird3.0 && chown firebird:firebird /run/firebird3.0
su -s /bin/sh firebird -c "/usr/sbin/fbguard -daemon -forever" || fail "the guardian did not start"
for _ in $(seq 1 50); do
  if listening; then
    exit 0
  fi
  sleep 0.2
done
fail "the Firebird server did not come up"
