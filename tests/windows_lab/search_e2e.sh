#!/usr/bin/env bash
# The real program in the Windows lab's client, with alice's Kerberos
# ticket: the window's tree shows the domain controller's shares (and the
# guest server's), the other Windows-like servers without shares; velnor-scan
# in the same session gives the same tree.
#
#   lab/lan-windows exec tests/windows_lab/search_e2e.sh BUILD/bin/velnor BUILD/bin/velnor-scan
set -uo pipefail

source "$(dirname "$0")/../integration/gui/velnor_gui.sh"
scan=${2:?usage: search_e2e.sh VELNOR VELNOR-SCAN}
gui_require_client windows_search_e2e 02:76:6c:03:00:0a "${@:1:1}"

export KRB5CCNAME="FILE:$(mktemp -u /tmp/velnor-krb5cc-XXXXXX)"
printf '%s\n' Velnor-Alice-25 | kinit alice >/dev/null || gui_fail "kinit alice failed"

expected_clipboard=$(printf '%s\r\n%s\r\n%s\r\n%s\r\n%s' \
	"DC1    10.81.0.11     02-76-6C-03-00-0B" \
	"EVIL    10.81.0.14     02-76-6C-03-00-0E" \
	"PUB    10.81.0.15     02-76-6C-03-00-0F" \
	"WIN1    10.81.0.12     02-76-6C-03-00-0C" \
	"WIN2    10.81.0.13     02-76-6C-03-00-0D")
expected_table=$(printf '%s\n' \
	"DC1|10.81.0.11|02-76-6C-03-00-0B" \
	"EVIL|10.81.0.14|02-76-6C-03-00-0E" \
	"PUB|10.81.0.15|02-76-6C-03-00-0F" \
	"WIN1|10.81.0.12|02-76-6C-03-00-0C" \
	"WIN2|10.81.0.13|02-76-6C-03-00-0D")
expected_tree=$(LC_ALL=C sort <<'EOF'
CORP
CORP/\\DC1
CORP/\\DC1/netlogon
CORP/\\DC1/sysvol
CORP/\\EVIL
CORP/\\PUB
CORP/\\PUB/pub
CORP/\\WIN1
CORP/\\WIN2
EOF
)

gui_start "$1"
trap 'kdestroy -q 2>/dev/null; gui_stop' EXIT
gui_focus_window
gui_search 120
gui_check_results "$expected_clipboard" "$expected_table" "$expected_tree"

# velnor-scan's rows as the same tree paths.
scanned_tree=$("$scan" --format=json | python3 -c '
import json, sys
paths = set()
for r in json.load(sys.stdin):
    server = r["workgroup"] + "/\\\\" + r["computer"]
    paths.update([r["workgroup"], server] + [server + "/" + s for s in r["shares"]])
print("\n".join(paths))' | LC_ALL=C sort)
check "velnor-scan gives the window's tree" "$expected_tree" "$scanned_tree"

((failures == 0)) || gui_fail "$failures check(s) failed"
gui_close 60 || gui_fail "velnor did not exit cleanly (status $?)"
echo "windows_search_e2e: all checks passed"
