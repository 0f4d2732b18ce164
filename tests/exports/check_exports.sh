#!/bin/bash
# Checks that a velnip library exports exactly the 13 names of velnip.def and
# nothing else, and that the table itself is whole.
# Usage: check_exports.sh LIBRARY DEF_FILE
set -euo pipefail
library=$1 def=$2

table=$(awk '/^EXPORTS/{on=1;next} on && $2 ~ /^@[0-9]+$/ {print $1, substr($2,2)}' "$def")
count=$(wc -l <<<"$table")
ordinals=$(awk '{print $2}' <<<"$table" | sort -n | tr '\n' ' ')
failed=0
if [ "$count" -ne 13 ] || [ "$ordinals" != "1 2 3 4 5 6 7 8 9 10 11 12 13 " ]; then
  echo "export table is not 13 names with ordinals 1..13: $ordinals"
  failed=1
fi

expected=$(awk '{print $1}' <<<"$table" | sort)
actual=$(nm -D --defined-only "$library" | awk '{print $NF}' | sort)

if [ "$expected" != "$actual" ]; then
  echo "exported names differ (< expected, > exported):"
  diff <(echo "$expected") <(echo "$actual") | grep '^[<>]' || true
  failed=1
fi
[ "$failed" -eq 0 ] && echo "velnip exports exactly: $(echo $actual)"
exit "$failed"
