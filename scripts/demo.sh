#!/usr/bin/env bash
# make demo: runs the examples of README.md, in order, in build/demo/ — the
# blocks marked <!-- example: ... --> (the same ones the ReadmeExamples test
# checks): a "file NAME" block is written to NAME and shown, a "run" block's
# "$ PROGRAM ARGS" line is shown and run (lodrun is the built binary), an
# "output NAME" block shows the file the runs wrote. The database crm.fdb and
# every file stay in build/demo/ for the examples a reader types next. The
# first command that fails ends the demo with its status.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
LODRUN=$(cd "$(dirname "${1:-build/lodrun}")" && pwd)/$(basename "${1:-build/lodrun}")
WORK=$ROOT/build/demo
rm -rf "$WORK" && mkdir -p "$WORK" && cd "$WORK"

kind="" name="" fenced=0 content=""
finish_block() {
  case "$kind" in
    file)
      printf '%s' "$content" > "$name"
      printf '\n--- %s\n%s' "$name" "$content"
      ;;
    run)
      local line=${content%%$'\n'*}
      printf '\n%s\n' "$line"
      read -r -a words <<< "${line#\$ }"
      if [ "${words[0]}" = lodrun ]; then words[0]=$LODRUN; fi
      "${words[@]}" || { status=$?; echo "demo: '${line#\$ }' ended with status $status" >&2; exit "$status"; }
      if [ "${words[0]}" = cmp ]; then echo "(cmp says nothing: the files are identical)"; fi
      ;;
    output)
      printf '\n--- %s (written by the run)\n' "$name"
      cat "$name"
      ;;
  esac
  kind="" content=""
}
while IFS= read -r line; do
  if [ -z "$kind" ]; then
    if [[ $line =~ ^'<!-- example: '([a-z]+)' '?([^ ]*)' '?'-->' ]]; then
      kind=${BASH_REMATCH[1]} name=${BASH_REMATCH[2]} fenced=0
    fi
  elif [ "$fenced" = 0 ]; then
    fenced=1  # the opening fence
  elif [[ $line == '```'* ]]; then
    finish_block
  else
    content+="$line"$'\n'
  fi
done < "$ROOT/README.md"

cat <<EOF

The demo database and files stay in build/demo/. To go on from there:
    cd build/demo && PATH=\$PWD/..:\$PATH
    isql-fb -user SYSDBA -password secret crm.fdb    # the table people
EOF
