#!/usr/bin/env bash
# The LAN host search on an office of N servers (default 40), in one run:
# the lab comes up (lab/lan-office), every server is listed once (warm), the
# search is measured on the healthy LAN; then GONE servers (default 5) are
# switched off while the browse list holds them, the rest warmed again, and
# the search is measured on that LAN. The lab is taken down at the end.
# What is measured and the targets: bench/office_search.cpp.
#
#   bench/office_bench.sh BUILD [N [GONE [rounds]]]
#   env VELNOR_OFFICE_LAB_PREFIX (default vofc)
#
# The three-server lab's browse walk against smbtree is measured apart:
#   lab/lan up && lab/lan exec BUILD/bin/bench_browse_walk
set -euo pipefail
build=${1:?usage: $0 BUILD [N [GONE [rounds]]]}
servers=${2:-40}
gone=${3:-5}
rounds=${4:-1}
here=$(cd "$(dirname "$0")/.." && pwd)
lan="$here/lab/lan-office"
bench=$(cd "$build" && pwd)/bin/bench_office_search
[[ -x "$bench" ]] || {
	echo "office_bench: build bench_office_search first ($bench)" >&2
	exit 1
}
((gone < servers / 2)) || {
	echo "office_bench: GONE must be fewer than half of N" >&2
	exit 2
}

start=$SECONDS
"$lan" up "$servers"
trap '"$lan" down >/dev/null' EXIT
echo "== lab up in $((SECONDS - start)) s"
"$lan" warm
"$lan" exec "$bench" healthy "$rounds" || true

# Gone servers spread over both workgroups, never the first of one (the
# master browsers, one of them the WINS server).
names=()
for ((i = 1; i <= gone; i++)); do
	k=$((i * servers / (gone + 1) + 1))
	((k == 1 || k == (servers + 1) / 2 + 1)) && k=$((k + 1))
	names+=("$(printf 'VOFCSRV%02d' "$k")")
done
"$lan" leave "${names[@]}"
"$lan" warm
"$lan" exec "$bench" stale "$rounds" || true
