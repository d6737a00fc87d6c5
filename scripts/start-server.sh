#!/usr/bin/env bash
# Makes a Firebird server listen on localhost:3050 for the tests that reach a
# database as host:/path. Idempotent: installs firebird3.0-server when it is
# missing and starts the guardian only when nothing listens yet. Prints the
# SYSDBA credentials file path on success; exits 0 without a server when this
# machine cannot run one (the remote tests then skip).
set -uo pipefail

listening() { (exec 3<>/dev/tcp/127.0.0.1/3050) 2>/dev/null; }

if listening; then
  exit 0
fi
if [ "$(id -u)" != 0 ]; then
  echo "start-server: not root, no Firebird server started" >&2
  exit 0
fi
if ! dpkg-query -W -f='${Status}' firebird3.0-server 2>/dev/null | grep -q 'install ok installed'; then
  LODRUN_WITH_SERVER=1 "$(dirname "$0")/install-deps.sh" || exit 0
fi
mkdir -p /run/firebird3.0 && chown firebird:firebird /run/firebird3.0
su -s /bin/sh firebird -c "/usr/sbin/fbguard -daemon -forever" || exit 0
for _ in $(seq 1 50); do
  listening && exit 0
  sleep 0.2
done
echo "start-server: the Firebird server did not come up" >&2
exit 0
