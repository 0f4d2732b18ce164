#!/usr/bin/env bash
# End to end on the real program inside the lab's client namespace: Ctrl+N
# on the host list starts the LAN host search; once "ホスト検索" is enabled
# again, "すべてコピー" must put one line per lab server on the clipboard, and
# the table and the tree must show every server with its address, MAC
# address and shares. Then a close during a second search must end velnor
# cleanly.
#
#   lab/lan exec tests/integration/gui/lan_search_e2e.sh BUILD/bin/velnor
set -uo pipefail

if [[ "${VELNOR_LAB:-}" != 1 ]] ||
	[[ "$(cat /sys/class/net/eth0/address 2>/dev/null)" != 02:76:6c:00:00:0a ]]; then
	echo "lan_search_e2e: not inside the lab's client (run through lab/lan exec)" >&2
	[[ "${CI:-}" == true ]] && exit 1
	exit 77
fi
(($# == 1)) && [[ -x "$1" ]] || {
	echo "usage: $0 VELNOR" >&2
	exit 2
}

source "$(dirname "$0")/velnor_gui.sh"

readonly SEARCH_LIMIT_S=120
readonly SEARCH_CAPTION="LAN内ホスト検索"

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

# Each server's text line in the order the browse list gives them: VLABGRP1
# (VLSRV1, VLSRV2), then VLABGRP2 (VLSRV3); CRLF between lines.
expected_clipboard=$(printf '%s\r\n%s\r\n%s' \
	"VLSRV1    10.77.0.11     02-76-6C-00-00-0B" \
	"VLSRV2    10.77.0.12     02-76-6C-00-00-0C" \
	"VLSRV3    10.77.0.13     02-76-6C-00-00-0D")
expected_table=$(printf '%s\n' \
	"VLSRV1|10.77.0.11|02-76-6C-00-00-0B" \
	"VLSRV2|10.77.0.12|02-76-6C-00-00-0C" \
	"VLSRV3|10.77.0.13|02-76-6C-00-00-0D")
# Every tree node as its path from the root, sorted: the shares of a server
# come in no particular order (the clipboard checks the order of the rest).
expected_tree=$(LC_ALL=C sort <<'EOF'
VLABGRP1
VLABGRP1/\\VLSRV1
VLABGRP1/\\VLSRV1/docs
VLABGRP1/\\VLSRV1/public
VLABGRP1/\\VLSRV2
VLABGRP1/\\VLSRV2/music
VLABGRP1/\\VLSRV2/photos
VLABGRP1/\\VLSRV2/tools
VLABGRP2
VLABGRP2/\\VLSRV3
VLABGRP2/\\VLSRV3/archive
VLABGRP2/\\VLSRV3/共有資料
EOF
)

# The tree's lines (two spaces a level) as sorted paths.
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

# Ctrl+N with the keyboard focus on the host list. The search may end
# before its progress dialog is ever seen from outside; it has ended when the
# start-up row is gone and ホスト検索 is enabled again (it is disabled for as
# long as the search runs).
before=$(gui_table)
gui_click "table" ""
gui_key ctrl+n
started=$SECONDS
until gui_enabled "push button" "ホスト検索" && [[ "$(gui_table)" != "$before" ]]; do
	((SECONDS - started < SEARCH_LIMIT_S)) || gui_fail "the search did not end within $SEARCH_LIMIT_S s"
	sleep 0.2
done
echo "search ended after about $((SECONDS - started)) s"
gui_window_shown "$SEARCH_CAPTION" && gui_fail "the progress dialog is still shown"

gui_click "push button" "すべてコピー"
# Kept byte for byte: the command substitution would drop trailing newlines.
clipboard=$(gui_clipboard; echo .)
check "clipboard after すべてコピー" "$expected_clipboard" "${clipboard%.}"
check "host table" "$expected_table" "$(gui_table)"

# The tree: shown with ツリービュー, every node expanded from the keyboard
# (asterisk expands the current node's subtree).
gui_click "check box" "ツリービュー"
read -r tx ty _ < <("$GUI_DIR/a11y.py" find "tree" "") || gui_fail "the tree is not shown"
gui_click_at $((tx + 30)) $((ty + 8))
for _ in $(seq 12); do gui_key KP_Multiply Down; done
check "tree" "$expected_tree" "$(gui_tree | tree_paths)"

if ((failures > 0)); then
	gui_fail "$failures check(s) failed"
fi

# Closing the window during a search cancels it; the window then closes and
# velnor exits normally, saving its settings (under AddressSanitizer, with no
# error and no leak).
gui_click "table" ""
gui_key ctrl+n
gui_close 60 || gui_fail "velnor did not exit cleanly after a close during a search (status $?)"
check "settings saved at exit" "[Window]" "$(gui_settings | head -n 1 | tr -d '\r')"
((failures == 0)) || gui_fail "$failures check(s) failed"
echo "lan_search_e2e: all checks passed"
