#!/usr/bin/env bash
# End to end on the real program inside the lab's client namespace: the host
# address search page looks up a server's address and an address where no
# host answers, shows the three lines and copies them with "コピー"; with
# Edit1 empty the button only clears the lines.
#
#   lab/lan exec tests/integration/gui/host_lookup_e2e.sh BUILD/bin/velnor
set -uo pipefail

source "$(dirname "$0")/velnor_gui.sh"
gui_require_client host_lookup_e2e 02:76:6c:00:00:0a "$@"

# An unanswered ARP request gives up after about 3 s, and a node status
# request to a silent address about as long.
readonly LOOKUP_LIMIT_S=30
readonly LOOKUP_BUTTON="ホストアドレス"

# Replaces Edit1's text with $1 (nothing for an empty edit).
type_host() {
	gui_click "text" ""
	gui_key ctrl+a BackSpace
	[[ -n "$1" ]] && xdotool type --delay 20 -- "$1"
}

# Clicks the lookup button and waits until the list has changed to $1 lines
# and the button is enabled again; prints the list. Every lookup here changes
# the list, which is how its end is seen: the click and the accessibility
# queries reach the program by different ways, in no fixed order.
look_up() {
	local lines=$1 started=$SECONDS before shown
	before=$(gui_list)
	gui_click "push button" "$LOOKUP_BUTTON"
	until shown=$(gui_list) && [[ "$shown" != "$before" ]] &&
		(($(grep -c . <<<"$shown") == lines)) && gui_enabled "push button" "$LOOKUP_BUTTON"; do
		((SECONDS - started < LOOKUP_LIMIT_S)) || gui_fail "the lookup did not end within $LOOKUP_LIMIT_S s"
		sleep 0.2
	done
	printf '%s\n' "$shown"
}

# The clipboard byte for byte after "コピー" (a command substitution would drop
# trailing newlines).
copied() {
	gui_click "push button" "コピー"
	gui_clipboard
	echo .
}

gui_start "$1"
gui_focus_window
gui_click "page tab" "ホストアドレス検索"

# A server's address: its NetBIOS name (letter case as the resolver gives
# it), the same address and its MAC address.
type_host 10.77.0.12
mapfile -t shown < <(look_up 3)
check "name line" "ホスト名 vlsrv2" "${shown[0],,}"
check "address line" "IPアドレス 10.77.0.12" "${shown[1]}"
check "MAC line" "MACアドレス 02-76-6C-00-00-0C" "${shown[2]}"
clipboard=$(copied)
check "clipboard after コピー" "$(printf '%s\r\n%s\r\n%s.' "${shown[@]}")" "$clipboard"

# An address on the subnet where no host answers: the address, no MAC, and
# whatever name a reverse lookup finds (none in the lab).
type_host 10.77.0.99
mapfile -t shown < <(look_up 3)
name=${shown[0]#ホスト名 }
check "name line of a silent address" "ホスト名 $name" "${shown[0]}"
check "address line of a silent address" "IPアドレス 10.77.0.99" "${shown[1]}"
check "MAC line of a silent address" "MACアドレス " "${shown[2]}"
clipboard=$(copied)
check "clipboard after コピー" "$(printf '%s\r\n%s\r\n%s.' "${shown[@]}")" "$clipboard"

# Empty Edit1: both result areas are cleared and nothing else changes. The
# cleared Memo1 shows in the copy leaving a marker on the clipboard alone.
table=$(gui_table)
printf 'marker' | xclip -i -selection clipboard 2>/dev/null
type_host ""
check "list after an empty lookup" "" "$(look_up 0)"
check "clipboard after コピー of nothing" "marker." "$(copied)"
check "host table after an empty lookup" "$table" "$(gui_table)"

if ((failures > 0)); then
	gui_fail "$failures check(s) failed"
fi
echo "host_lookup_e2e: all checks passed"
