#!/usr/bin/env bash
# Browsing with WS-Discovery and mDNS, in one run:
#   - on the modern lab: the top-level listing and the whole walk, with and
#     without WS-Discovery; the mDNS lookup next to avahi-resolve;
#   - on the SMB1 lab: the walk against smbtree (bench_browse_walk), with
#     every source and with VELNOR_WSD=0 VELNOR_MDNS=0 (the walk before them).
# Brings up whichever lab is not up (and takes it down again afterwards).
#
#   bench/discovery_bench.sh BUILD [rounds]
#   env VELNOR_LAB_PREFIX (SMB1 lab, default vlab), VELNOR_MODERN_PREFIX (default vlabm)
set -euo pipefail
build=${1:?usage: $0 BUILD [rounds]}
rounds=${2:-5}
here=$(cd "$(dirname "$0")/.." && pwd)
old_prefix=${VELNOR_LAB_PREFIX:-vlab}
modern_prefix=${VELNOR_MODERN_PREFIX:-vlabm}
taken_up=()
cleanup() {
	local lab
	for lab in "${taken_up[@]}"; do VELNOR_LAB_PREFIX=${lab#*:} "$here/lab/${lab%%:*}" down >/dev/null || true; done
}
trap cleanup EXIT
ensure_up() {
	local script=$1 prefix=$2
	[[ -e "/run/netns/$prefix-client" ]] && return 0
	echo "== bringing up lab/$script ($prefix)"
	local start=$SECONDS
	VELNOR_LAB_PREFIX=$prefix "$here/lab/$script" up >/dev/null
	echo "   up in $((SECONDS - start)) s"
	taken_up+=("$script:$prefix")
}

ensure_up lan-modern "$modern_prefix"
echo "== modern lab"
VELNOR_LAB_PREFIX=$modern_prefix "$here/lab/lan-modern" exec "$build/bin/bench_modern_discovery" "$rounds"
VELNOR_LAB_PREFIX=$modern_prefix "$here/lab/lan-modern" exec "$here/bench/avahi_resolve_reference.sh" boreas 21 ||
	echo "(avahi-resolve reference skipped)"

ensure_up lan "$old_prefix"
echo "== SMB1 lab, every source"
VELNOR_LAB_PREFIX=$old_prefix "$here/lab/lan" exec "$build/bin/bench_browse_walk" "$rounds" | tail -3
echo "== SMB1 lab, VELNOR_WSD=0 VELNOR_MDNS=0"
VELNOR_WSD=0 VELNOR_MDNS=0 VELNOR_LAB_PREFIX=$old_prefix "$here/lab/lan" exec \
	"$build/bin/bench_browse_walk" "$rounds" | tail -3
