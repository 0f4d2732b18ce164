#!/usr/bin/env bash
# velnor-scan's sweep of the lab subnet beside arp-scan --localnet (root,
# raw sockets) and nbtscan over the same range, in one run: the medians of
# each and their ratios, and whether the sweep finds the hosts arp-scan
# finds. Target: the sweep no slower than arp-scan (ratio <= 1.0) with the
# same hosts.
#
#   - "velnor-scan --sweep": the whole command as nobody (browse walk, sweep,
#     naming), the form a user runs;
#   - "sweep only": the same with VELNOR_NETBIOS=0 VELNOR_WSD=0, so that no
#     browse list is walked and no NetBIOS naming waits: the ARP sweep and
#     the multicast DNS naming alone, the part arp-scan does.
# The client's neighbour table is flushed before every run.
#
#   bench/sweep_bench.sh BUILD [rounds]     (root; brings up lab/lan if needed)
#   env VELNOR_LAB_PREFIX (default vlab)
set -euo pipefail
build=${1:?usage: $0 BUILD [rounds]}
rounds=${2:-5}
here=$(cd "$(dirname "$0")/.." && pwd)

if [[ "${VELNOR_LAB:-}" != 1 ]]; then
	prefix=${VELNOR_LAB_PREFIX:-vlab}
	taken_up=""
	if [[ ! -e "/run/netns/$prefix-client" ]]; then
		VELNOR_LAB_PREFIX=$prefix "$here/lab/lan" up >/dev/null
		taken_up=1
	fi
	for tool in arp-scan nbtscan; do
		command -v "$tool" >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -q "$tool" >/dev/null
	done
	rc=0
	VELNOR_LAB_PREFIX=$prefix "$here/lab/lan" exec "$0" "$build" "$rounds" || rc=$?
	[[ -n "$taken_up" ]] && VELNOR_LAB_PREFIX=$prefix "$here/lab/lan" down >/dev/null
	exit "$rc"
fi

readonly range=10.77.0.0/24
scan=$build/bin/velnor-scan

now_ms() { echo $(($(date +%s%N) / 1000000)); }
# Runs "$@" after flushing the neighbour table; prints "ms" then its output.
timed() {
	ip neigh flush dev eth0
	local start end out
	start=$(now_ms)
	out=$("$@" 2>/dev/null) || true
	end=$(now_ms)
	echo "$((end - start))"
	printf '%s\n' "$out"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
as_nobody() { setpriv --reuid=nobody --regid=nogroup --clear-groups --inh-caps=-all "$@"; }
csv_addresses() { awk -F, 'NR > 1 { print $3 }' | sort -V | tr '\n' ' '; }

declare -A times=()
declare -A found=()
for ((round = 0; round < rounds; round++)); do
	out=$(timed as_nobody "$scan" --sweep --format=csv)
	times[scan]+="${out%%$'\n'*} "
	found[scan]=$(tail -n +2 <<<"$out" | csv_addresses)

	out=$(timed as_nobody env VELNOR_NETBIOS=0 VELNOR_WSD=0 "$scan" --range=$range --format=csv)
	times[sweep]+="${out%%$'\n'*} "
	found[sweep]=$(tail -n +2 <<<"$out" | csv_addresses)

	out=$(timed arp-scan --localnet -I eth0 -q -x)
	times[arp]+="${out%%$'\n'*} "
	found[arp]=$(tail -n +2 <<<"$out" | awk '{ print $1 }' | sort -V | tr '\n' ' ')

	out=$(timed nbtscan -q $range)
	times[nbt]+="${out%%$'\n'*} "
	found[nbt]=$(tail -n +2 <<<"$out" | awk '{ print $1 }' | sort -V | tr '\n' ' ')
done

med() { tr ' ' '\n' <<<"${times[$1]}" | grep . | median; }
scan_ms=$(med scan) sweep_ms=$(med sweep) arp_ms=$(med arp) nbt_ms=$(med nbt)
printf '%-34s %7s  %s\n' "run ($rounds rounds, median)" "ms" "hosts found"
printf '%-34s %7d  %s\n' "velnor-scan --sweep (nobody)" "$scan_ms" "${found[scan]}"
printf '%-34s %7d  %s\n' "sweep only (nobody)" "$sweep_ms" "${found[sweep]}"
printf '%-34s %7d  %s\n' "arp-scan --localnet (root)" "$arp_ms" "${found[arp]}"
printf '%-34s %7d  %s\n' "nbtscan $range" "$nbt_ms" "${found[nbt]}"
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2fx", a / b }'; }
echo "sweep only / arp-scan:           $(ratio "$sweep_ms" "$arp_ms") (target <= 1.0x)"
echo "velnor-scan --sweep / arp-scan:  $(ratio "$scan_ms" "$arp_ms")"
echo "velnor-scan --sweep / nbtscan:   $(ratio "$scan_ms" "$nbt_ms")"
if [[ "${found[sweep]}" == "${found[arp]}" ]]; then
	echo "same hosts as arp-scan: yes"
else
	echo "same hosts as arp-scan: NO (sweep: ${found[sweep]}; arp-scan: ${found[arp]})"
fi
