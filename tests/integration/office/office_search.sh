#!/usr/bin/env bash
# The LAN host search on an office of 8 servers, two of which are switched off
# after the browse list took them in (lab/lan-office, a lab of its own). The
# platform's work ahead must change nothing the search finds: it must find
# exactly what the strictly sequential platform (VELNOR_WORKAHEAD=0) finds,
# each search in a process of its own. And it must pay for the gone servers
# about one ARP timeout in all, where the sequential search pays two per
# gone server (its share listing, then its MAC lookup).
#
# The listings run in the platform's worker processes (browse-worker), so
# it also checks what they must stand: a wire with real round trips, a
# server that accepts the connection and never answers, a worker killed in
# the middle of a listing, and that none outlives the process that used it.
#
#   tests/integration/office/office_search.sh LAB/lan-office RECORD VELNOR-SCAN
set -uo pipefail

lan=$1
record=$2
scan=$3
base=${VELNOR_OFFICE_LAB_PREFIX:-vofc}
export VELNOR_OFFICE_LAB_PREFIX="${base:0:7}-ci"
client_ns="$VELNOR_OFFICE_LAB_PREFIX-client"

# lab/lan-office's layout: VOFCSRV01-04 in VOFCGRP1, 05-08 in VOFCGRP2 (01 and
# 05 are the master browsers); server K has 10.80.0.(10+K).
readonly SERVERS=8
readonly GONE=(VOFCSRV03 VOFCSRV07)
# A failed ARP resolution on Linux: 3 probes 1 s apart.
readonly ARP_TIMEOUT_MS=3100
# The work-ahead search may pay at most this much more on the LAN with the
# gone servers than on the same LAN before they left.
readonly STALE_LIMIT_MS=$((ARP_TIMEOUT_MS * 3 / 2))

out=$(mktemp -d)
failures=0
fail() {
	echo "office_search: FAIL: $*" >&2
	failures=$((failures + 1))
}

# Without root, up exits 77 (skip), or 1 under CI=true.
"$lan" up "$SERVERS" || exit $?
trap '"$lan" down >/dev/null; rm -rf "$out"' EXIT
# Samba's RPC helpers start on a server's first listing; no search pays that.
"$lan" warm || exit 1

# search NAME ENV...: one recorded search with ENV (for env) into $out/NAME.
search() {
	local name=$1 rc=0
	shift
	"$lan" exec env "$@" "$record" >"$out/$name" || rc=$?
	((rc == 0)) || fail "the $name search exited with $rc"
	echo "$name search: $(grep -c '^H ' "$out/$name") rows, $(awk '$1 == "T" { print $2 }' "$out/$name") ms"
}
found() { grep -v '^[T@] ' "$out/$1"; }
ms() { awk '$1 == "T" { print $2 + 0 }' "$out/$1"; }
# found_at NAME SERVER: when the search found the computer, in ms.
found_at() { awk -v s="$2" '$1 == "@" && $3 == "C" && $4 == "\\\\" s { print $2 + 0 }' "$out/$1"; }
# section NAME K: what the K-th search of a recorded run (search_record 2)
# printed, into $out/NAME-K.
section() { awk -v k="== $2" '/^== / { on = ($0 == k); next } on' "$out/$1" >"$out/$1-$2"; }
# What a search found with SERVER's shares left out.
without_shares() {
	awk -v s="$2" '/^C / { skip = ($0 == "C \\\\" s) } !(skip && /^S /)' <(found "$1")
}
same_found() {
	diff -u <(found "$2") <(found "$1") >"$out/diff" ||
		fail "$1 found otherwise than $2:"$'\n'"$(cat "$out/diff")"
}

# The browse workers in the lab's client: none may be left once the process
# that started them has exited.
workers_left() {
	local pid
	for pid in $(ip netns pids "$client_ns" 2>/dev/null); do
		[[ "$(cat "/proc/$pid/comm" 2>/dev/null)" == browse-worker ]] && echo "$pid"
	done
}
check_no_workers_left() {
	local tries=20
	while [[ -n "$(workers_left)" ]] && ((tries-- > 0)); do sleep 0.05; done
	[[ -z "$(workers_left)" ]] || fail "browse workers left $1: $(workers_left | tr '\n' ' ')"
}
server_ns() { echo "$VELNOR_OFFICE_LAB_PREFIX-${1,,}"; }
# SIG SERVER: signals every smbd of SERVER (nmbd keeps it in the browse list).
signal_smbd() {
	local pid
	for pid in $(ip netns pids "$(server_ns "$2")"); do
		[[ "$(cat "/proc/$pid/comm" 2>/dev/null)" == smbd ]] && kill "-$1" "$pid"
	done
}

# What the sequential search gave, against the lab: each present server's
# row with its MAC address; a gone one without a MAC address (a row only if
# WINS still gave its address).
check_found() {
	local name=$1 k s addr mac
	shift
	for ((k = 1; k <= SERVERS; k++)); do
		s=$(printf 'VOFCSRV%02d' "$k")
		addr=10.80.0.$((10 + k))
		mac=$(printf '02-76-6C-02-00-%02X' $((10 + k)))
		if [[ " $* " == *" $s "* ]]; then
			grep -E "^H $s " <(found "$name") | grep -qvx "H $s $addr " &&
				fail "$name: gone $s has a row with more than its address: $(grep "^H $s " "$out/$name")"
		else
			grep -qx "H $s $addr $mac" <(found "$name") || fail "$name: no row '$s $addr $mac'"
		fi
	done
}

same_as_sequential() {
	diff -u <(found "$2") <(found "$1") >"$out/diff" ||
		fail "$1: the search with work ahead found otherwise than the sequential one:"$'\n'"$(cat "$out/diff")"
}

search healthy -u VELNOR_WORKAHEAD
search healthy-sequential VELNOR_WORKAHEAD=0
same_as_sequential healthy healthy-sequential
check_found healthy-sequential
check_no_workers_left "after the searches"

"$lan" exec "$scan" >"$out/scan" 2>&1 || fail "velnor-scan failed: $(cat "$out/scan")"
grep -q "^VOFCSRV08 " "$out/scan" || fail "velnor-scan did not list VOFCSRV08: $(cat "$out/scan")"
check_no_workers_left "after velnor-scan exited"

# A wire between the client and the LAN that adds RTT_MS to each round trip.
# What the walk pays once (the top level and the first workgroup, up to the
# first computer found) is left out; what remains is what the computers cost,
# side by side, in round trips each.
readonly WIRE_RTT_MS=20
readonly MOST_ROUND_TRIPS_PER_COMPUTER=3
"$lan" warm >/dev/null || exit 1
search near -u VELNOR_WORKAHEAD
"$lan" wire "$WIRE_RTT_MS" || exit 1
rtt=$(ip netns exec "$client_ns" ping -c 5 -i 0.2 -q 10.80.0.11 | awk -F/ '/^rtt/ { print $5 }')
search wire -u VELNOR_WORKAHEAD
"$lan" wire 0 || exit 1
same_found wire healthy
read -r total per_computer < <(awk -v w="$(ms wire)" -v n="$(ms near)" -v wf="$(found_at wire VOFCSRV01)" \
	-v nf="$(found_at near VOFCSRV01)" -v r="$rtt" -v c="$SERVERS" \
	'BEGIN { printf "%.1f %.1f\n", (w - n) / r / c, ((w - wf) - (n - nf)) / r / c }')
echo "behind a wire of ${rtt} ms round trip the search took $(ms wire) ms, $(ms near) ms without:" \
	"${total} round trips per computer in all, ${per_computer} for the computers themselves"
# The ping shows the wire delays: less would mean nothing was measured.
awk -v r="$rtt" -v w="$WIRE_RTT_MS" 'BEGIN { exit !(r >= w) }' ||
	fail "the wire added less than ${WIRE_RTT_MS} ms: ping says ${rtt} ms"
awk -v p="$per_computer" -v m="$MOST_ROUND_TRIPS_PER_COMPUTER" 'BEGIN { exit !(p < m) }' ||
	fail "the computers cost ${per_computer} round trips each behind the wire (less than ${MOST_ROUND_TRIPS_PER_COMPUTER} wanted)"

# A server that accepts the connection and never answers (its smbd stopped):
# its listing fails at the workers' deadline, its computer stays without
# shares, and the other computers come at their usual pace. Its listing is
# waiting on a connection the server's kernel accepted.
readonly SILENT=VOFCSRV04 AFTER_SILENT=VOFCSRV05
readonly DEADLINE_MS=10000
"$lan" warm >/dev/null || exit 1
signal_smbd STOP "$SILENT"
# Connections the server's kernel accepted and nobody answers, while the
# search waits.
(
	for ((tries = 0; tries < 60; tries++)); do
		sleep 0.2
		ip netns exec "$(server_ns "$SILENT")" ss -tnH state established \
			'( sport = :445 or sport = :139 )' | grep -F 10.80.0.10 && break
	done
) >"$out/silent-connections" &
search silent -u VELNOR_WORKAHEAD
wait
[[ -s "$out/silent-connections" ]] || fail "nobody connected to the silent $SILENT during the search"
diff -u <(without_shares healthy "$SILENT") <(found silent) >"$out/diff" ||
	fail "silent: found otherwise than the healthy search without $SILENT's shares:"$'\n'"$(cat "$out/diff")"
# Its listing started when its workgroup was listed, before the search
# reached it: from the first computer found to the one after it, the search
# waited about the deadline.
held=$(($(found_at silent "$AFTER_SILENT") - $(found_at silent VOFCSRV01)))
rest=$(($(ms silent) - $(found_at silent "$AFTER_SILENT")))
healthy_rest=$(($(ms healthy) - $(found_at healthy "$AFTER_SILENT")))
echo "the silent $SILENT held the search ${held} ms (deadline ${DEADLINE_MS} ms); the rest took ${rest} ms, ${healthy_rest} ms when healthy"
((held >= DEADLINE_MS - 1000 && held <= DEADLINE_MS + 3000)) ||
	fail "the silent $SILENT held the search ${held} ms, not about the ${DEADLINE_MS} ms deadline"
((rest <= healthy_rest + 1500)) ||
	fail "after the silent $SILENT the search took ${rest} ms, ${healthy_rest} ms when healthy"

# A worker killed while it lists the silent server: that level is empty at
# once, the search goes on, and the next search in the same process (the
# server answering again) is complete.
"$lan" exec env -u VELNOR_WORKAHEAD "$record" 2 >"$out/killed" 2>"$out/killed.err" &
searching=$!
victim="" tries=0
while [[ -z "$victim" ]] && ((tries++ < 200)); do
	sleep 0.05
	victim=$(ip netns exec "$client_ns" ss -tnpH state established dst 10.80.0.14 |
		grep -o 'browse-worker",pid=[0-9]*' | head -n 1 | grep -o '[0-9]*$')
done
if [[ -n "$victim" ]]; then
	kill -KILL "$victim"
	echo "killed browse-worker $victim in the middle of its listing of $SILENT"
else
	fail "no browse worker was listing $SILENT"
fi
signal_smbd CONT "$SILENT"
wait "$searching" || fail "the search with a killed worker exited with $?: $(cat "$out/killed.err")"
section killed 1
section killed 2
diff -u <(without_shares healthy "$SILENT") <(found killed-1) >"$out/diff" ||
	fail "killed: found otherwise than the healthy search without $SILENT's shares:"$'\n'"$(cat "$out/diff")"
held=$(($(found_at killed-1 "$AFTER_SILENT") - $(found_at killed-1 VOFCSRV01)))
echo "with its worker killed, the silent $SILENT held the search ${held} ms"
((held < DEADLINE_MS / 2)) || fail "the killed worker held the search ${held} ms"
same_found killed-2 healthy
check_no_workers_left "after the search with a killed worker"

"$lan" leave "${GONE[@]}" || exit 1
search stale -u VELNOR_WORKAHEAD
search stale-sequential VELNOR_WORKAHEAD=0
same_as_sequential stale stale-sequential
check_found stale-sequential "${GONE[@]}"

cost=$(($(ms stale) - $(ms healthy)))
sequential_cost=$(($(ms stale-sequential) - $(ms healthy-sequential)))
echo "the ${#GONE[@]} gone servers cost the search ${cost} ms (at most ${STALE_LIMIT_MS} ms allowed), the sequential one ${sequential_cost} ms"
# Less would mean the lab made no stale entries and nothing was measured.
((sequential_cost >= ${#GONE[@]} * ARP_TIMEOUT_MS)) ||
	fail "the gone servers cost the sequential search only ${sequential_cost} ms: are they still in the browse list, and unreachable?"
((cost <= STALE_LIMIT_MS)) ||
	fail "the gone servers cost the search with work ahead ${cost} ms, more than ${STALE_LIMIT_MS} ms (1.5 ARP timeouts)"

((failures == 0)) || exit 1
echo "office_search: all checks passed"
