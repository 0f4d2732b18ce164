#!/usr/bin/env bash
# velnor-scan inside the lab's client: the window's copy text by default,
# the same rows as CSV and JSON that Python reads back, and a sweep, run as
# an unprivileged user, that adds the two lab hosts no browse list knows
# with their MAC addresses and what the vendor field says of them. Bad
# arguments end with status 2.
#
#   lab/lan exec tests/integration/scan_e2e.sh BUILD/bin/velnor-scan
set -uo pipefail

source "$(dirname "$0")/gui/velnor_gui.sh"
gui_require_client scan_e2e 02:76:6c:00:00:0a "$@"
scan=$1

# The lines of lan_search_e2e's clipboard, a line feed after each.
expected_text=$(printf '%s\n' \
	"VLSRV1    10.77.0.11     02-76-6C-00-00-0B" \
	"VLSRV2    10.77.0.12     02-76-6C-00-00-0C" \
	"VLSRV3    10.77.0.13     02-76-6C-00-00-0D"; echo .)
local_admin="locally administered address"
# Each row as rows_of prints it: the browse list's servers with their
# shares, then the sweep's hosts in address order.
expected_rows="VLABGRP1|VLSRV1|10.77.0.11|02-76-6C-00-00-0B|$local_admin|docs;public|browse list
VLABGRP1|VLSRV2|10.77.0.12|02-76-6C-00-00-0C|$local_admin|music;photos;tools|browse list
VLABGRP2|VLSRV3|10.77.0.13|02-76-6C-00-00-0D|$local_admin|archive;共有資料|browse list"
expected_swept="$expected_rows
||10.77.0.21|02-76-6C-00-00-15|$local_admin||sweep
|vlmdns|10.77.0.22|02-76-6C-00-00-16|$local_admin||sweep;mDNS"

# The rows of a CSV or JSON output on standard input, one line each, fields
# joined by '|', lists by ';'; shares sorted (the server gives no order).
# Fails unless the text is valid and has exactly the fields expected.
rows_of() {
	python3 -c '
import csv, io, json, sys
fields = ["workgroup", "computer", "address", "mac", "vendor", "shares", "found_by"]
data = sys.stdin.buffer.read().decode("utf-8")
if sys.argv[1] == "csv":
    reader = csv.DictReader(io.StringIO(data, newline=""), strict=True)
    assert reader.fieldnames == fields, reader.fieldnames
    rows = [dict(r, shares=r["shares"].split(";") if r["shares"] else [],
                 found_by=r["found_by"].split(";")) for r in reader]
else:
    rows = json.loads(data)
    assert isinstance(rows, list)
for r in rows:
    assert sorted(r) == sorted(fields), r
    print("|".join([r[f] for f in fields[:5]] + [";".join(sorted(r["shares"])), ";".join(r["found_by"])]))
' "$1"
}

errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
out=$("$scan" 2>"$errors"; echo ".$?")
check "default output: the window's copy text" "$expected_text" "${out%.*}."
check "exit status" 0 "${out##*.}"
check "nothing on standard error when it is no terminal" "" "$(cat "$errors")"

check "CSV rows" "$expected_rows" "$("$scan" --format=csv | rows_of csv)"
check "JSON rows" "$expected_rows" "$("$scan" --format=json | rows_of json)"

# The sweep needs no privileges: run it as nobody, with no capabilities.
# (libsmbclient says on standard error that nobody's home has no cache.)
swept=$(setpriv --reuid=nobody --regid=nogroup --clear-groups --inh-caps=-all \
	"$scan" --sweep --format=json | rows_of json)
check "sweep as nobody (JSON)" "$expected_swept" "$swept"
check "sweep of a named range (CSV)" "$expected_swept" \
	"$("$scan" --range=10.77.0.0/24 --format=csv | rows_of csv)"

for bad in --format=xml --range=10.0.0.0/8 --range=10.77.0.300/24 --frobnicate; do
	"$scan" "$bad" >/dev/null 2>&1
	check "exit status for $bad" 2 "$?"
done

((failures == 0)) || {
	echo "scan_e2e: $failures check(s) failed" >&2
	exit 1
}
echo "scan_e2e: all checks passed"
