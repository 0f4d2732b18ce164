#!/usr/bin/env bash
# velnor-scan --wake inside the lab's client: the quiet host's packet socket
# receives each magic packet (6 x 0xFF, then the MAC 16 times) in a frame
# to every card, on UDP port 9 of the subnet's broadcast address, for a
# computer named from an earlier search and for a bare MAC with
# --interface; the wait ends when the computer answers ARP afresh. MAC
# addresses no card has end with status 2 and send nothing.
#
#   lab/lan exec tests/integration/scan_wake.sh BUILD/bin/velnor-scan
set -uo pipefail

source "$(dirname "$0")/gui/velnor_gui.sh"
gui_require_client scan_wake 02:76:6c:00:00:0a "$@"
scan=$1
quiet_ns=${VELNOR_LAB_PREFIX:-vlab}-quiet

work=$(mktemp -d)
capture=""
put_back() {
	[[ -n "$capture" ]] && kill "$capture" 2>/dev/null
	rm -rf "$work"
}
trap put_back EXIT

# Every magic packet the quiet host sees: "IP PORT MAC whole|broken
# to-all|to-one", one a line.
ip netns exec "$quiet_ns" python3 -c '
import socket, struct, sys
s = socket.socket(socket.AF_PACKET, socket.SOCK_RAW, socket.htons(0x0800))
s.bind(("eth0", 0))
open(sys.argv[1], "w").close()
while True:
    frame = s.recv(4096)
    ip = frame[14:]
    if len(ip) < 20 or ip[9] != 17:
        continue
    udp = ip[(ip[0] & 15) * 4:]
    payload = udp[8:]
    if len(payload) < 102 or payload[:6] != b"\xff" * 6:
        continue
    mac = payload[6:12]
    print(socket.inet_ntoa(ip[16:20]), struct.unpack("!H", udp[2:4])[0],
          "-".join("%02X" % b for b in mac),
          "whole" if payload[6:102] == mac * 16 else "broken",
          "to-all" if frame[:6] == b"\xff" * 6 else "to-one", flush=True)
' "$work/ready" >"$work/captured" &
capture=$!
for ((i = 0; i < 50; i++)); do [[ -e "$work/ready" ]] && break; sleep 0.1; done

# Waits up to 5 s for the capture to hold N lines.
captured() {
	local n=$1 i
	for ((i = 0; i < 50; i++)); do
		(($(wc -l <"$work/captured") >= n)) && break
		sleep 0.1
	done
	cat "$work/captured"
}

"$scan" --format=json >"$work/before.json"

out=$("$scan" --wake=vlsrv1 --compare="$work/before.json" --no-wait; echo ".$?")
check "by name: exit status 0" 0 "${out##*.}"
check "by name: what it says" \
	"sent the wake-up packet for VLSRV1 (02-76-6C-00-00-0B) to the broadcast address of 10.77.0.0/24 on eth0" \
	"${out%$'\n'.*}"
check "by name: the packet" "10.77.0.255 9 02-76-6C-00-00-0B whole to-all" "$(captured 1)"

"$scan" --wake=02:76:6c:00:00:0d --interface=eth0 --no-wait >/dev/null
check "a bare MAC with --interface: exit status 0" 0 "$?"
check "a bare MAC: the packet" "10.77.0.255 9 02-76-6C-00-00-0D whole to-all" \
	"$(captured 2 | tail -n 1)"

# The client forgets VLSRV1, so only a fresh answer ends the wait.
ip neigh flush dev eth0
out=$("$scan" --wake=10.77.0.11 --compare="$work/before.json"; echo ".$?")
check "by address, waiting: exit status 0" 0 "${out##*.}"
check "by address, waiting: it answered" yes \
	"$(grep -q '^10.77.0.11 answered ARP at [0-9:]* UTC, [0-9.]* s after the packet$' <<<"${out%.*}" && echo yes)"
echo "${out%$'\n'.*}"
check "by address, waiting: the client asked and VLSRV1 answered" REACHABLE \
	"$(ip neigh show 10.77.0.11 dev eth0 | awk '{ print $NF }')"

for bad in 01:00:5e:00:00:fb ff:ff:ff:ff:ff:ff 00:00:00:00:00:00; do
	"$scan" --wake="$bad" --interface=eth0 --no-wait >/dev/null 2>&1
	check "refused $bad: exit status 2" 2 "$?"
done
"$scan" --wake=02:76:6c:00:00:0d --no-wait >/dev/null 2>&1
check "a bare MAC without --interface: exit status 2" 2 "$?"
"$scan" --wake=NOSUCHPC --compare="$work/before.json" >/dev/null 2>&1
check "a name the file does not hold: exit status 2" 2 "$?"
sleep 0.5
check "only the three packets sent" 3 "$(wc -l <"$work/captured")"

((failures == 0)) || {
	echo "scan_wake: $failures check(s) failed" >&2
	exit 1
}
echo "scan_wake: all checks passed"
