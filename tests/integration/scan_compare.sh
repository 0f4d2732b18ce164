#!/usr/bin/env bash
# velnor-scan --compare inside the lab's client: a search saved as JSON;
# then VLSRV2 is switched off (lan leave), a new host is plugged in (lan
# arrive) and the quiet host gets another card (ip link set dev eth0
# address). The comparison marks exactly those three gone, new and mac and
# exits 3; its own output, compared with the LAN as it is, shows no change
# and exits 0. The lab is put back as it was before the script ends.
#
#   lab/lan exec tests/integration/scan_compare.sh BUILD/bin/velnor-scan
set -uo pipefail

source "$(dirname "$0")/gui/velnor_gui.sh"
gui_require_client scan_compare 02:76:6c:00:00:0a "$@"
scan=$1
lan=$(cd "$(dirname "$0")/../../lab" && pwd)/lan
quiet_ns=${VELNOR_LAB_PREFIX:-vlab}-quiet
quiet_mac=02:76:6C:00:00:15
replaced_mac=02:76:6C:00:00:25

work=$(mktemp -d)
left=""
put_back() {
	"$lan" depart >/dev/null
	ip -n "$quiet_ns" link set dev eth0 address "$quiet_mac"
	[[ -n "$left" ]] && "$lan" rejoin VLSRV2 >/dev/null
	# Later tests must not find what this one left in the client's cache.
	ip neigh flush dev eth0
	rm -rf "$work"
}
trap put_back EXIT

# change|computer|address|mac|previous mac, one line a row, from a
# comparison's JSON on standard input.
changes_of() {
	python3 -c '
import json, sys
for r in json.load(sys.stdin):
    assert set(r) >= {"change", "previous", "computer", "address", "mac"}, r
    previous = r["previous"] or {}
    print("|".join([r["change"], r["computer"], r["address"], r["mac"], previous.get("mac", "")]))
'
}

"$scan" --sweep --format=json >"$work/before.json"
check "the first search lists the three servers and two swept hosts" 5 \
	"$(python3 -c 'import json, sys; print(len(json.load(open(sys.argv[1]))))' "$work/before.json")"

out=$("$scan" --sweep --format=csv --compare="$work/before.json"; echo ".$?")
check "no change: exit status 0" 0 "${out##*.}"
check "no change: CSV header" \
	"workgroup,computer,address,mac,vendor,shares,found_by,change,previous_computer,previous_address,previous_mac" \
	"$(head -n 1 <<<"${out%.*}" | tr -d '\r')"
check "no change: every CSV row unchanged" "" \
	"$(tail -n +2 <<<"${out%.*}" | grep -v '^$' | python3 -c '
import csv, sys
for r in csv.reader(sys.stdin):
    if r[7] != "":
        print(r)')"

"$lan" leave VLSRV2 >/dev/null && left=1
"$lan" arrive >/dev/null
ip -n "$quiet_ns" link set dev eth0 address "$replaced_mac"
# The client's cache has expired, as it does a minute after the changes.
ip neigh flush dev eth0

"$scan" --sweep --format=json --compare="$work/before.json" >"$work/after.json"
check "changed: exit status 3" 3 "$?"
check "changed: exactly the three changes" \
	"gone|VLSRV2|10.77.0.12||02-76-6C-00-00-0C
mac||10.77.0.21|02-76-6C-00-00-25|02-76-6C-00-00-15
new||10.77.0.23|02-76-6C-00-00-17|" \
	"$(changes_of <"$work/after.json" | grep -v '^|' | LC_ALL=C sort)"
check "changed: the others unchanged" 3 "$(changes_of <"$work/after.json" | grep -c '^|')"

text=$("$scan" --sweep --compare="$work/before.json")
check "text marks" \
	"+     10.77.0.23     02-76-6C-00-00-17
- VLSRV2    10.77.0.12          was 02-76-6C-00-00-0C
~     10.77.0.21     02-76-6C-00-00-25     was 02-76-6C-00-00-15" \
	"$(grep -v '^  ' <<<"$text" | LC_ALL=C sort)"

# The comparison's output (gone rows included) is the next one's file.
"$scan" --sweep --format=json --compare="$work/after.json" >/dev/null
check "compared with its own output: exit status 0" 0 "$?"

for bad in --compare="$work/missing.json" --compare=/etc/hostname; do
	"$scan" "$bad" >/dev/null 2>&1
	check "exit status for $bad" 2 "$?"
done

((failures == 0)) || {
	echo "scan_compare: $failures check(s) failed" >&2
	exit 1
}
echo "scan_compare: all checks passed"
