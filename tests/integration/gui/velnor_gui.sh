# velnor_gui.sh: drives the real velnor binary on a virtual X display for
# end-to-end tests, and reads its windows back through Qt's accessibility
# tree (AT-SPI over a private D-Bus session bus) and the X clipboard.
#
# Source it from a bash script that runs inside the lab's client namespace
# (through velnor_lab_test or lab/lan exec), then:
#
#   gui_start BUILD/bin/velnor     copy velnor, its libraries and the browse
#                                  worker to a scratch
#                                  folder (its settings file stays there), start
#                                  Xvfb, a session bus and velnor; wait for the
#                                  main window "Velnor"; stop all on exit
#   gui_focus_window               give the main window the keyboard focus
#   gui_click ROLE NAME            click the middle of a showing control, found
#                                  by accessible role and name, e.g.
#                                  gui_click "push button" "すべてコピー"
#   gui_click_at X Y               click at screen position X Y
#   gui_key KEY...                 xdotool key names to the focused window,
#                                  e.g. gui_key ctrl+n
#   gui_enabled ROLE NAME          true while that control is enabled
#   gui_wait_enabled ROLE NAME S   wait up to S seconds until it is enabled
#   gui_wait_window TITLE S        wait up to S seconds for a window title
#   gui_window_shown TITLE         true while a window of that title is mapped
#   gui_clipboard                  the clipboard text, byte for byte
#   gui_table / gui_tree           the first showing table's rows (cells joined
#                                  by '|') / the tree's items (two spaces a level)
#   gui_list                       the first showing list box's items, one a line
#   gui_a11y_dump                  every accessible object, for diagnosis
#   gui_screenshot FILE            PNG of the whole screen
#   gui_fail MESSAGE               screenshot and accessibility dump into
#                                  $GUI_ARTIFACTS (default: the scratch folder's
#                                  parent, kept), message to stderr, exit 1
#   gui_close S                    close the main window as its frame's close
#                                  button does; wait up to S seconds for velnor
#                                  to exit; its exit status is the result
#   gui_settings                   the settings file velnor keeps beside itself
#   gui_stop                       end velnor (TERM if still running), the bus
#                                  and Xvfb; remove scratch
#
# and, for the test scripts themselves:
#
#   gui_require_client NAME MAC "$@"  exit 77 (1 under CI=true) unless this is
#                                  the lab client whose eth0 has MAC; exit 2
#                                  unless "$@" is one executable (velnor)
#   check WHAT EXPECTED ACTUAL     print ok/FAIL and count failures in $failures
#   gui_search LIMIT               Ctrl+N on the host list; wait up to LIMIT s
#                                  until the search has ended
#   gui_check_results CLIP TABLE TREE  "すべてコピー" and the clipboard, the host
#                                  table, then the whole tree (ツリービュー on,
#                                  every node expanded) as sorted paths
#
# Needs xvfb, xdotool, xclip, imagemagick, dbus, at-spi2-core, python3-dbus.

GUI_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
GUI_SCRATCH=""
GUI_XVFB_PID=""
GUI_BUS_PID=""
GUI_VELNOR_PID=""
GUI_WINDOW=""

gui_log() { printf 'gui: %s\n' "$*" >&2; }

gui_start() {
	local program=$1 library
	GUI_SCRATCH=$(mktemp -d /tmp/velnor-gui-XXXXXX)
	trap gui_stop EXIT
	trap 'exit 130' INT TERM
	cp "$program" "$GUI_SCRATCH/"
	for library in "$(dirname "$program")"/lib*.so*; do
		[[ -e "$library" ]] && cp -P "$library" "$GUI_SCRATCH/"
	done
	# The platform's browse worker, which it finds beside its library.
	[[ -e "$(dirname "$program")/browse-worker" ]] && cp "$(dirname "$program")/browse-worker" "$GUI_SCRATCH/"
	mkdir -m 700 "$GUI_SCRATCH/runtime"
	export XDG_RUNTIME_DIR="$GUI_SCRATCH/runtime" HOME="$GUI_SCRATCH"

	# Xvfb picks a free display number and writes it to fd 3.
	Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$GUI_SCRATCH/display" \
		>"$GUI_SCRATCH/xvfb.log" 2>&1 &
	GUI_XVFB_PID=$!
	local tries=100
	while [[ ! -s "$GUI_SCRATCH/display" ]] && ((tries-- > 0)); do sleep 0.05; done
	[[ -s "$GUI_SCRATCH/display" ]] || gui_fail "Xvfb did not start: $(cat "$GUI_SCRATCH/xvfb.log")"
	export DISPLAY=":$(tr -dc '0-9' <"$GUI_SCRATCH/display")"

	# A private session bus; its accessibility bus is started before velnor,
	# whose bridge only connects to one that already runs.
	local bus
	bus=$(dbus-daemon --session --fork --nosyslog --print-address=1 --print-pid=1 2>/dev/null) ||
		gui_fail "dbus-daemon did not start"
	export DBUS_SESSION_BUS_ADDRESS=${bus%%$'\n'*}
	GUI_BUS_PID=${bus##*$'\n'}
	dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus org.a11y.Bus.GetAddress \
		>/dev/null || gui_fail "the accessibility bus did not start"

	# Under AddressSanitizer, strict_string_checks would stop velnor at start:
	# libxkbcommon-x11 takes names from X replies with strndup, which may read
	# a counted string without a NUL, and the strict check requires one.
	ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}strict_string_checks=0" \
		QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb \
		"$GUI_SCRATCH/$(basename "$program")" >"$GUI_SCRATCH/velnor.log" 2>&1 &
	GUI_VELNOR_PID=$!
	GUI_WINDOW=$(timeout 30 xdotool search --sync --onlyvisible --name '^Velnor$' | head -n 1)
	[[ -n "$GUI_WINDOW" ]] || gui_fail "the Velnor window did not appear"
	# The accessibility tree is complete once the buttons are in it.
	tries=100
	until gui_find "push button" "ホスト検索" >/dev/null; do
		((tries-- > 0)) || gui_fail "the window's accessibility tree did not appear"
		sleep 0.1
	done
}

gui_focus_window() {
	xdotool windowfocus --sync "$GUI_WINDOW"
}

# "x y w h enabled" of a showing control, by accessible role and name.
gui_find() {
	"$GUI_DIR/a11y.py" find "$1" "$2"
}

gui_click_at() {
	xdotool mousemove --sync "$1" "$2" click 1
}

gui_click() {
	local x y w h enabled
	read -r x y w h enabled < <(gui_find "$1" "$2") || gui_fail "no showing $1 '$2' to click"
	gui_click_at $((x + w / 2)) $((y + h / 2))
}

gui_key() {
	xdotool key --clearmodifiers "$@"
}

gui_enabled() {
	local x y w h enabled
	read -r x y w h enabled < <(gui_find "$1" "$2") && [[ "$enabled" == 1 ]]
}

gui_wait_enabled() {
	local deadline=$((SECONDS + $3))
	until gui_enabled "$1" "$2"; do
		((SECONDS < deadline)) || return 1
		sleep 0.1
	done
}

gui_window_shown() {
	xdotool search --onlyvisible --name "^$1\$" >/dev/null 2>&1
}

gui_wait_window() {
	timeout "$2" xdotool search --sync --onlyvisible --name "^$1\$" >/dev/null 2>&1
}

gui_clipboard() {
	xclip -o -selection clipboard
}

gui_table() { "$GUI_DIR/a11y.py" table; }
gui_tree() { "$GUI_DIR/a11y.py" tree; }
gui_list() { "$GUI_DIR/a11y.py" list; }
gui_a11y_dump() { "$GUI_DIR/a11y.py" dump; }

gui_close() {
	local deadline=$((SECONDS + $1)) status
	"$GUI_DIR/xclose.py" "$GUI_WINDOW" || return 1
	while kill -0 "$GUI_VELNOR_PID" 2>/dev/null; do
		((SECONDS < deadline)) || return 1
		sleep 0.1
	done
	wait "$GUI_VELNOR_PID"
	status=$?
	GUI_VELNOR_PID=""
	return "$status"
}

gui_settings() {
	cat "$GUI_SCRATCH/velnor.ini"
}

gui_screenshot() {
	import -window root "$1"
}

gui_fail() {
	local artifacts=${GUI_ARTIFACTS:-}
	gui_log "FAIL: $*"
	if [[ -n "$GUI_SCRATCH" && -n "${DISPLAY:-}" ]]; then
		[[ -n "$artifacts" ]] || artifacts=$(mktemp -d /tmp/velnor-gui-failure-XXXXXX)
		mkdir -p "$artifacts"
		gui_screenshot "$artifacts/screen.png" 2>/dev/null
		gui_a11y_dump >"$artifacts/a11y.txt" 2>&1
		cp "$GUI_SCRATCH/velnor.log" "$artifacts/" 2>/dev/null
		gui_log "screenshot, accessibility dump and velnor's output are in $artifacts"
	fi
	exit 1
}

# Ends one process started here: TERM, then KILL after a grace period.
gui_end() {
	local pid=$1 tries=50
	[[ -n "$pid" ]] || return 0
	kill -TERM "$pid" 2>/dev/null || return 0
	while kill -0 "$pid" 2>/dev/null && ((tries-- > 0)); do sleep 0.1; done
	kill -KILL "$pid" 2>/dev/null
	wait "$pid" 2>/dev/null
	return 0
}

gui_stop() {
	gui_end "$GUI_VELNOR_PID"
	GUI_VELNOR_PID=""
	# The accessibility bus and its registry are children of the session bus;
	# they end when it ends.
	gui_end "$GUI_BUS_PID"
	GUI_BUS_PID=""
	gui_end "$GUI_XVFB_PID"
	GUI_XVFB_PID=""
	[[ -n "$GUI_SCRATCH" ]] && rm -rf "$GUI_SCRATCH"
	GUI_SCRATCH=""
	return 0
}

gui_require_client() {
	local name=$1 mac=$2
	shift 2
	if [[ "${VELNOR_LAB:-}" != 1 ]] ||
		[[ "$(cat /sys/class/net/eth0/address 2>/dev/null)" != "$mac" ]]; then
		echo "$name: not inside the lab's client (run through the lab's exec)" >&2
		[[ "${CI:-}" == true ]] && exit 1
		exit 77
	fi
	(($# == 1)) && [[ -x "$1" ]] || {
		echo "usage: $name VELNOR" >&2
		exit 2
	}
}

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

# The search may end before its progress dialog is ever seen from outside; it
# has ended when the start-up row is gone and ホスト検索 is enabled again (it
# is disabled for as long as the search runs).
gui_search() {
	local limit=$1 before started
	before=$(gui_table)
	gui_click "table" ""
	gui_key ctrl+n
	started=$SECONDS
	until gui_enabled "push button" "ホスト検索" && [[ "$(gui_table)" != "$before" ]]; do
		((SECONDS - started < limit)) || gui_fail "the search did not end within $limit s"
		sleep 0.2
	done
	echo "search ended after about $((SECONDS - started)) s"
}

# The tree's lines (two spaces a level) as sorted paths.
gui_tree_paths() {
	awk '{
		match($0, /^ */); level = RLENGTH / 2; sub(/^ +/, "")
		path[level] = $0; line = path[0]
		for (i = 1; i <= level; i++) line = line "/" path[i]
		print line
	}' | LC_ALL=C sort
}

gui_check_results() {
	local clipboard tx ty
	gui_click "push button" "すべてコピー"
	# Kept byte for byte: the command substitution would drop trailing newlines.
	clipboard=$(gui_clipboard; echo .)
	check "clipboard after すべてコピー" "$1" "${clipboard%.}"
	check "host table" "$2" "$(gui_table)"
	# Asterisk expands the current node's subtree; one press per line is
	# more than enough.
	gui_click "check box" "ツリービュー"
	read -r tx ty _ < <("$GUI_DIR/a11y.py" find "tree" "") || gui_fail "the tree is not shown"
	gui_click_at $((tx + 30)) $((ty + 8))
	for _ in $(seq "$(wc -l <<<"$3")"); do gui_key KP_Multiply Down; done
	check "tree" "$3" "$(gui_tree | gui_tree_paths)"
}
