#!/usr/bin/env bash
# End to end on the real program inside the lab's client namespace: Ctrl+N
# on the host list starts the LAN host search; once "ホスト検索" is enabled
# again, "すべてコピー" must put one line per lab server on the clipboard, and
# the table and the tree must show every server with its address, MAC
# address and shares. Then a close during a second search must end velnor
# cleanly. velnor-scan, when given, must print the same lines as the
# clipboard holds, one a line.
#
#   lab/lan exec tests/integration/gui/lan_search_e2e.sh BUILD/bin/velnor [BUILD/bin/velnor-scan]
set -uo pipefail

source "$(dirname "$0")/velnor_gui.sh"
scan=${2:-}
gui_require_client lan_search_e2e 02:76:6c:00:00:0a "${@:1:1}"

readonly SEARCH_LIMIT_S=120
readonly SEARCH_CAPTION="LAN内ホスト検索"

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

gui_start "$1"
gui_focus_window

# Ctrl+N with the keyboard focus on the host list.
gui_search "$SEARCH_LIMIT_S"
gui_window_shown "$SEARCH_CAPTION" && gui_fail "the progress dialog is still shown"

gui_check_results "$expected_clipboard" "$expected_table" "$expected_tree"
if [[ -n "$scan" ]]; then
	# The clipboard's CRLF between lines is a line feed after each line.
	clipboard=$(gui_clipboard; echo .)
	clipboard=${clipboard%.}
	scanned=$("$scan"; echo .)
	check "velnor-scan's lines are the copy text" "${clipboard//$'\r'/}"$'\n' "${scanned%.}"
fi

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
