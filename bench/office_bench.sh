#!/usr/bin/env bash
# The LAN host search on offices of several sizes (default 8, 24 and 40
# servers), each at the lab's own round trip and behind a wire that adds
# 20 ms to each round trip (lab/lan-office wire), in one run: per size the
# lab comes up, every server is listed once (warm) and the search is
# measured; on the largest, GONE servers (default 5) are then switched off
# while the browse list holds them and the search is measured again. At the
# end: the search's cost per added computer at each round trip, and whether
# the largest search's process has any browse worker left after their idle
# time. What is measured and the targets: bench/office_search.cpp.
#
#   bench/office_bench.sh BUILD [SIZES [GONE [rounds]]]     SIZES e.g. "8 24 40"
#   env VELNOR_OFFICE_LAB_PREFIX (default vofc)
#
# The three-server lab's browse walk against smbtree is measured apart:
#   lab/lan up && lab/lan exec BUILD/bin/bench_browse_walk
set -euo pipefail
build=${1:?usage: $0 BUILD [SIZES [GONE [rounds]]]}
read -ra sizes <<<"${2:-8 24 40}"
gone=${3:-5}
rounds=${4:-1}
readonly WIRES=(0 20)
here=$(cd "$(dirname "$0")/.." && pwd)
lan="$here/lab/lan-office"
bench=$(cd "$build" && pwd)/bin/bench_office_search
[[ -x "$bench" ]] || {
	echo "office_bench: build bench_office_search first ($bench)" >&2
	exit 1
}
largest=${sizes[-1]}
((gone < largest / 2)) || {
	echo "office_bench: GONE must be fewer than half of the largest size" >&2
	exit 2
}
out=$(mktemp -d)
trap '"$lan" down >/dev/null 2>&1 || true; rm -rf "$out"' EXIT

# measure NAME WIRE MODE [ARGS...]: one bench run into $out/NAME.
measure() {
	local name=$1 wire=$2
	shift 2
	"$lan" wire "$wire"
	"$lan" warm
	echo "== $name (wire ${wire} ms)"
	"$lan" exec env OFFICE_WIRE_MS="$wire" "$bench" "$@" | tee "$out/$name" || true
}
search_ms() { awk '/^\(a\) search / { print $3 }' "$out/$1"; }
peer_ms() { awk '/^\(c\) peer pipeline / { print $4 }' "$out/$1"; }

echo "== load before: $(cut -d' ' -f1-3 /proc/loadavg)"
for n in "${sizes[@]}"; do
	start=$SECONDS
	"$lan" up "$n"
	echo "== lab of $n servers up in $((SECONDS - start)) s"
	for wire in "${WIRES[@]}"; do measure "healthy-$n-$wire" "$wire" healthy "$rounds"; done
	if ((n == largest)); then
		# Still in the client after the workers' idle time?
		"$lan" warm >/dev/null
		"$lan" exec "$bench" --search idle | tee "$out/idle" || true
		# Gone servers spread over both workgroups, never the first of one
		# (the master browsers, one of them the WINS server).
		names=()
		for ((i = 1; i <= gone; i++)); do
			k=$((i * n / (gone + 1) + 1))
			((k == 1 || k == (n + 1) / 2 + 1)) && k=$((k + 1))
			names+=("$(printf 'VOFCSRV%02d' "$k")")
		done
		"$lan" wire 0
		"$lan" leave "${names[@]}"
		for wire in "${WIRES[@]}"; do measure "stale-$n-$wire" "$wire" stale "$rounds"; done
	fi
	"$lan" down
done

echo
echo "== summary (times in ms; load after: $(cut -d' ' -f1-3 /proc/loadavg))"
printf '%-8s %-6s %9s %9s %7s\n' servers wire search peer "/ peer"
for n in "${sizes[@]}"; do
	for wire in "${WIRES[@]}"; do
		printf '%-8s %-6s %9s %9s %7s\n' "$n" "$wire" "$(search_ms "healthy-$n-$wire")" \
			"$(peer_ms "healthy-$n-$wire")" \
			"$(awk -v a="$(search_ms "healthy-$n-$wire")" -v c="$(peer_ms "healthy-$n-$wire")" \
				'BEGIN { if (c > 0) printf "%.2f", a / c }')"
	done
done
for wire in "${WIRES[@]}"; do
	printf '%-8s %-6s %9s %9s %7s  (%d gone)\n' "$largest" "$wire" "$(search_ms "stale-$largest-$wire")" \
		"$(peer_ms "stale-$largest-$wire")" \
		"$(awk -v a="$(search_ms "stale-$largest-$wire")" -v c="$(peer_ms "stale-$largest-$wire")" \
			'BEGIN { if (c > 0) printf "%.2f", a / c }')" "$gone"
done
echo "cost per added computer (search; peer):"
for wire in "${WIRES[@]}"; do
	previous=""
	for n in "${sizes[@]}"; do
		if [[ -n "$previous" ]]; then
			awk -v w="$wire" -v p="$previous" -v n="$n" \
				-v a="$(search_ms "healthy-$previous-$wire")" -v b="$(search_ms "healthy-$n-$wire")" \
				-v c="$(peer_ms "healthy-$previous-$wire")" -v d="$(peer_ms "healthy-$n-$wire")" \
				'BEGIN {
					cost = (b - a) / (n - p)
					note = ""
					if (w >= 20) note = cost < 25 ? "  (target < 25 ms: met)" : "  (target < 25 ms: NOT met)"
					printf "  wire %2d ms, %d to %d servers: %.1f ms; peer %.1f ms%s\n", w, p, n, cost, (d - c) / (n - p), note
				}'
		fi
		previous=$n
	done
done
grep -h '^memory after' "$out/healthy-$largest-20" || true
idle=$(awk '$1 == "idle" { print $2 }' "$out/idle")
echo "browse workers left 35 s after the search: ${idle:-?} (target 0 within 60 s: $([[ "$idle" == 0 ]] && echo met || echo NOT met))"
