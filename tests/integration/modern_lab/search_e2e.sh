#!/usr/bin/env bash
# The whole LAN host search on the real program, on the LAN of today
# (lab/lan-modern): every computer, whether the NetBIOS browse list or only
# WS-Discovery knows it, and whether NetBIOS or only mDNS resolves its name,
# must show with its address and MAC address, under its workgroup with its
# shares.
#
#   lab/lan-modern exec tests/integration/modern_lab/search_e2e.sh BUILD/bin/velnor
set -uo pipefail

source "$(dirname "$0")/../gui/velnor_gui.sh"
gui_require_client search_e2e 02:76:6c:01:00:0a "$@"

readonly SEARCH_LIMIT_S=120

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

gui_start "$1"
gui_focus_window

# Ctrl+N with the keyboard focus on the host list.
gui_search "$SEARCH_LIMIT_S"

gui_check_results "$expected_clipboard" "$expected_table" "$expected_tree"

if ((failures > 0)); then
	gui_fail "$failures check(s) failed"
fi
echo "search_e2e: all checks passed"
