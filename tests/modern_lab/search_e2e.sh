#!/usr/bin/env bash
# The whole LAN host search on the real program, on the LAN of today
# (lab/lan-modern): every computer, whether the NetBIOS browse list or only
# WS-Discovery knows it, and whether NetBIOS or only mDNS resolves its name,
# must show with its address and MAC address, under its workgroup with its
# shares.
#
#   lab/lan-modern exec tests/modern_lab/search_e2e.sh BUILD/bin/velnor
set -uo pipefail

if [[ "${VELNOR_LAB:-}" != 1 ]] ||
	[[ "$(cat /sys/class/net/eth0/address 2>/dev/null)" != 02:76:6c:01:00:0a ]]; then
	echo "search_e2e: not inside the modern lab's client (run through lab/lan-modern exec)" >&2
	[[ "${CI:-}" == true ]] && exit 1
	exit 77
fi
(($# == 1)) && [[ -x "$1" ]] || {
	echo "usage: $0 VELNOR" >&2
	exit 2
}

source "$(dirname "$0")/../integration/gui/velnor_gui.sh"

readonly SEARCH_LIMIT_S=120

failures=0
check() {
	local what=$1 expected=$2 actual=$3
	if [[ "$expected" == "$actual" ]]; then
		printf 'ok    %s\n' "$what"
	else
		printf 'FAIL  %s\nexpected:\n%s\nactual:\n%s\n' "$what" "$expected" "$actual"
		failures=$((failures + 1))
	fi
}

# The browse list's MIXGRP first (OLDSRV from NetBIOS, then BOREAS, which
# only WS-Discovery reports), then DLWG, which only WS-Discovery knows.
expected_clipboard=$(printf '%s\r\n%s\r\n%s' \
	"OLDSRV    10.79.0.13     02-76-6C-01-00-0D" \
	"BOREAS    10.79.0.12     02-76-6C-01-00-0C" \
	"ATLAS    10.79.0.11     02-76-6C-01-00-0B")
expected_table=$(printf '%s\n' \
	"ATLAS|10.79.0.11|02-76-6C-01-00-0B" \
	"BOREAS|10.79.0.12|02-76-6C-01-00-0C" \
	"OLDSRV|10.79.0.13|02-76-6C-01-00-0D")
expected_tree=$(LC_ALL=C sort <<'EOF2'
DLWG
DLWG/\\ATLAS
DLWG/\\ATLAS/projects
MIXGRP
MIXGRP/\\BOREAS
MIXGRP/\\BOREAS/media
MIXGRP/\\OLDSRV
MIXGRP/\\OLDSRV/legacy
EOF2
)

tree_paths() {
	awk '{
		match($0, /^ */); level = RLENGTH / 2; sub(/^ +/, "")
		path[level] = $0; line = path[0]
		for (i = 1; i <= level; i++) line = line "/" path[i]
		print line
	}' | LC_ALL=C sort
}

gui_start "$1"
gui_focus_window

before=$(gui_table)
gui_click "table" ""
gui_key ctrl+n
started=$SECONDS
until gui_enabled "push button" "ホスト検索" && [[ "$(gui_table)" != "$before" ]]; do
	((SECONDS - started < SEARCH_LIMIT_S)) || gui_fail "the search did not end within $SEARCH_LIMIT_S s"
	sleep 0.2
done
echo "search ended after about $((SECONDS - started)) s"

gui_click "push button" "すべてコピー"
clipboard=$(gui_clipboard; echo .)
check "clipboard after すべてコピー" "$expected_clipboard" "${clipboard%.}"
check "host table" "$expected_table" "$(gui_table)"

gui_click "check box" "ツリービュー"
read -r tx ty _ < <("$GUI_DIR/a11y.py" find "tree" "") || gui_fail "the tree is not shown"
gui_click_at $((tx + 30)) $((ty + 8))
for _ in $(seq 8); do gui_key KP_Multiply Down; done
check "tree" "$expected_tree" "$(gui_tree | tree_paths)"

if ((failures > 0)); then
	gui_fail "$failures check(s) failed"
fi
echo "search_e2e: all checks passed"
