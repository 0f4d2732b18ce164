#!/usr/bin/env bash
# velnor-scan exits cleanly while its announcement listener is busy: a peer
# on the LAN multicasts Probes and Hellos without pause (each Hello's
# metadata Get hangs), so the listener is parsing a datagram or waiting on a
# Get whenever the scan ends. Every run must exit 0, and under AddressSanitizer
# report nothing (libxml2's destructor must never free what the listener
# still uses).
#
#   lab/lan-modern exec tests/integration/modern_lab/exit_under_flood.sh velnor-scan flood-peer.py [RUNS]
set -uo pipefail

scan=$1
peer=$2
runs=${3:-200}
# Runs at once: a run mostly waits on the network.
readonly AT_ONCE=10
readonly RUN_LIMIT_S=60

if [[ "$(cat /sys/class/net/eth0/address 2>/dev/null)" != 02:76:6c:01:00:0a ]]; then
	echo "exit_under_flood: not in the modern lab's client namespace" >&2
	exit 1
fi

work=$(mktemp -d /tmp/velnor-exit-XXXXXX)
trap 'rm -rf "$work"' EXIT

# No endpoints in its Probe answers: the scans' own probes stay short; the
# announcements do the flooding.
coproc PEER { exec ip netns exec "${VELNOR_LAB_PREFIX:-vlabm}-peer" \
	python3 "$peer" "$work/seen" 0 1 announce; }
read -r said <&"${PEER[0]}"
if [[ "$said" != ready ]]; then
	echo "exit_under_flood: the peer did not start" >&2
	exit 1
fi

failures=0
for ((first = 0; first < runs; first += AT_ONCE)); do
	pids=()
	for ((i = first; i < first + AT_ONCE && i < runs; i++)); do
		timeout "$RUN_LIMIT_S" "$scan" >/dev/null 2>"$work/run-$i.err" &
		pids+=("$!:$i")
	done
	for entry in "${pids[@]}"; do
		pid=${entry%%:*} i=${entry#*:}
		wait "$pid"
		status=$?
		if ((status != 0)) || grep -q 'Sanitizer' "$work/run-$i.err"; then
			echo "run $i: exit status $status" >&2
			head -n 40 "$work/run-$i.err" >&2
			failures=$((failures + 1))
		fi
	done
done

exec {PEER[1]}>&-
wait "$PEER_PID"
announced=$(awk '$1 == "announced" { print $2 }' "$work/seen")
connections=$(awk '$1 == "connections" { print $2 }' "$work/seen")
echo "exit_under_flood: $runs runs, $failures failed; the peer announced $announced times" \
	"and held $connections metadata connections"
# The listener was busy: Hellos arrived and their Gets were made.
if [[ -z "$connections" ]] || ((connections == 0)); then
	echo "exit_under_flood: no listener asked for a Hello's metadata" >&2
	exit 1
fi
((failures == 0))
