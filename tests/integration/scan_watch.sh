#!/usr/bin/env bash
# velnor-scan --watch=10 inside the lab's client: the first search lists
# every host as new; the quiet host then leaves while the client's cache
# still holds it (unconfirmed, as after the kernel's reachable time), and is
# printed as gone within two intervals, the client having asked for it
# again (its entry is no longer STALE); SIGTERM ends the watch at once with status
# 0 and every line whole.
#
#   lab/lan exec tests/integration/scan_watch.sh BUILD/bin/velnor-scan
set -uo pipefail

source "$(dirname "$0")/gui/velnor_gui.sh"
gui_require_client scan_watch 02:76:6c:00:00:0a "$@"
scan=$1
quiet_ns=${VELNOR_LAB_PREFIX:-vlab}-quiet
quiet_addr=10.77.0.21
interval=10

work=$(mktemp -d)
watcher=""
put_back() {
	[[ -n "$watcher" ]] && kill -KILL "$watcher" 2>/dev/null
	ip -n "$quiet_ns" link set eth0 up
	ip neigh flush dev eth0
	rm -rf "$work"
}
trap put_back EXIT

# "change before-address>after-address" for each line on standard input;
# fails unless every line is one whole JSON object of the four fields.
lines_of() {
	python3 -c '
import json, sys
for line in sys.stdin.read().split("\n")[:-1]:
    change = json.loads(line)
    assert sorted(change) == ["after", "before", "change", "time"], change
    address = lambda row: row["address"] if row else ""
    print(change["change"], address(change["before"]) + ">" + address(change["after"]))
'
}

# Waits up to $2 s until the output has a line matching $1; the seconds
# waited, or nothing.
wait_for_line() {
	local pattern=$1 limit=$2 started=$SECONDS
	while ((SECONDS - started <= limit)); do
		if lines_of <"$work/out" 2>/dev/null | grep -q -- "$pattern"; then
			echo $((SECONDS - started))
			return 0
		fi
		sleep 0.2
	done
}

"$scan" --watch="$interval" --sweep >"$work/out" 2>"$work/err" &
watcher=$!
waited=$(wait_for_line "^new >10.77.0.22$" "$interval")
check "first search: every host new" \
	"new >10.77.0.11
new >10.77.0.12
new >10.77.0.13
new >10.77.0.21
new >10.77.0.22" "$(lines_of <"$work/out")"

ip -n "$quiet_ns" link set eth0 down
ip neigh change "$quiet_addr" dev eth0 lladdr 02:76:6c:00:00:15 nud stale
waited=$(wait_for_line "^gone $quiet_addr>$" $((2 * interval)))
check "the quiet host is gone within two intervals" yes "$([[ -n "$waited" ]] && echo yes)"
echo "gone after ${waited:-more than $((2 * interval))} s"
# Taken as it was held, the entry would have stayed STALE: nothing asks.
state=$(ip neigh show "$quiet_addr" dev eth0 | awk '{ print $NF }')
check "the client asked for it again (its entry FAILED or asking anew)" yes \
	"$([[ "$state" == FAILED || "$state" == INCOMPLETE ]] && echo yes)"

started=$(date +%s%N)
kill -TERM "$watcher"
wait "$watcher"
status=$?
watcher=""
ended=$((($(date +%s%N) - started) / 1000000))
check "SIGTERM: exit status 0" 0 "$status"
check "SIGTERM: ended within a second" yes "$( ((ended < 1000)) && echo yes)"
check "every line whole" "" "$(tail -c 1 "$work/out" | tr -d '\n')"
check "nothing but the lines of changes" "new >10.77.0.11
new >10.77.0.12
new >10.77.0.13
new >10.77.0.21
new >10.77.0.22
gone $quiet_addr>" "$(lines_of <"$work/out")"
check "nothing on standard error" "" "$(grep -v gencache "$work/err")"

for bad in --watch=9 --watch=ten "--watch=10 --format=json"; do
	# shellcheck disable=SC2086 # one argument or two
	"$scan" $bad >/dev/null 2>&1
	check "exit status for $bad" 2 "$?"
done

((failures == 0)) || {
	echo "scan_watch: $failures check(s) failed" >&2
	exit 1
}
echo "scan_watch: all checks passed"
