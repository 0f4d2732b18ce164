#!/usr/bin/env bash
# The LAN host search on an office of 8 servers, two of which are switched off
# after the browse list took them in (lab/lan-office, a lab of its own). The
# platform's work ahead must change nothing the search finds: it must find
# exactly what the strictly sequential platform (VELNOR_WORKAHEAD=0) finds,
# each search in a process of its own. And it must pay for the gone servers
# about one ARP timeout in all, where the sequential search pays two per
# gone server (its share listing, then its MAC lookup).
#
#   tests/integration/office/office_search.sh LAB/lan-office RECORD
set -uo pipefail

lan=$1
record=$2
base=${VELNOR_OFFICE_LAB_PREFIX:-vofc}
export VELNOR_OFFICE_LAB_PREFIX="${base:0:7}-ci"

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
found() { grep -v '^T ' "$out/$1"; }
ms() { awk '$1 == "T" { print $2 + 0 }' "$out/$1"; }

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
