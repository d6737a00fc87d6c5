#!/usr/bin/env bash
# Lists which source folder includes which ("from -> to  count"), and exits
# non-zero when folders include each other, directly or round a longer loop.
set -euo pipefail
cd "$(dirname "$0")/../src"
edges=$(grep -rHo '#include "[a-z]*/' --include='*.cpp' --include='*.h' . |
  sed -E -e 's|^\./main\.cpp:|./main/:|' \
         -e 's|^\./([a-z]+)/[^:]*:#include "([a-z]+)/|\1 \2|' |
  awk '$1 != $2' | sort | uniq -c | awk '{print $2, $3, $1}')
echo "$edges" | awk 'NF {printf "%-8s -> %-8s %s\n", $1, $2, $3}'
loops=$(echo "$edges" | awk 'NF {print $1, $2}' | { tsort 2>&1 >/dev/null || true; })
if [ -n "$loops" ]; then
  echo "$loops" >&2
  echo "include cycle between folders" >&2
  exit 1
fi
