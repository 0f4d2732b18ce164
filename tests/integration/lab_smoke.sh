#!/usr/bin/env bash
# Checks, from inside the lab's client namespace and with Samba's own tools,
# that the test LAN is what the other integration tests assume: the names
# and addresses of lab/lan.values, which lab/lan and Lab.h read too.
# Run it through `lab/lan exec`.

set -uo pipefail
# shellcheck source=../../lab/lan.values
source "$(dirname "${BASH_SOURCE[0]}")/../../lab/lan.values"

if [[ "${VELNOR_LAB:-}" != 1 ]]; then
	if [[ "${CI:-}" == true ]]; then
		echo "lab_smoke: not inside the lab (run through lab/lan exec), and CI=true" >&2
		exit 1
	fi
	echo "lab_smoke: not inside the lab (run through lab/lan exec), skipping" >&2
	exit 77
fi

# Everything below talks to the lab's subnet; make sure that is the lab's bridge.
if [[ "$(cat /sys/class/net/eth0/address 2>/dev/null)" != "${CLIENT_MAC,,}" ]]; then
	echo "lab_smoke: VELNOR_LAB is set but this is not the lab's client namespace" >&2
	exit 1
fi

failures=0
pass() { printf 'ok    %s\n' "$1"; }
fail() {
	printf 'FAIL  %s\n' "$1"
	[[ -n "${2:-}" ]] && printf '%s\n' "$2" | sed 's/^/      | /'
	failures=$((failures + 1))
}
# expect_equal WHAT EXPECTED ACTUAL
expect_equal() {
	if [[ "$2" == "$3" ]]; then pass "$1"; else fail "$1" "expected:
$2
actual:
$3"; fi
}

readonly SERVERS=(VLSRV1 VLSRV2 VLSRV3)
declare -A ADDR=([VLSRV1]=$VLSRV1_ADDR [VLSRV2]=$VLSRV2_ADDR [VLSRV3]=$VLSRV3_ADDR)
declare -A MAC=([VLSRV1]=${VLSRV1_MAC,,} [VLSRV2]=${VLSRV2_MAC,,} [VLSRV3]=${VLSRV3_MAC,,})
declare -A WORKGROUP=([VLSRV1]=$VLSRV1_WORKGROUP [VLSRV2]=$VLSRV2_WORKGROUP [VLSRV3]=$VLSRV3_WORKGROUP)
declare -A SHARES=([VLSRV1]=$VLSRV1_SHARES [VLSRV2]=$VLSRV2_SHARES [VLSRV3]=$VLSRV3_SHARES)
# Each workgroup's master browser: the server that names no WINS server.
declare -A MASTER=([$WORKGROUP1]=$VLSRV1_ADDR [$WORKGROUP2]=$VLSRV3_ADDR)
readonly HIDDEN=$HIDDEN_SHARE PRINTER=$PRINTER_SHARE UNLISTED=$UNLISTED_SHARE

# --- the browse tree -------------------------------------------------------
tree=$(smbtree -U 'guest%' 2>&1)
# Lines "W wg", "S wg server", "H server share"; smbtree indents with tabs.
flat=$(awk '
	/^[^ \t]+$/ { wg = $1; print "W " wg; next }
	/^\t\\\\[^\\]+[ \t]/ && !/^\t\t/ { sub(/^\t\\\\/, ""); print "S " wg " " $1; next }
	/^\t\t\\\\/ { sub(/^\t\t\\\\/, ""); split($1, p, "\\"); print "H " p[1] " " p[2]; next }
' <<<"$tree" | sort)

expect_equal "smbtree lists exactly the workgroups $WORKGROUP1 and $WORKGROUP2" \
	"$(printf 'W %s\n' "$WORKGROUP1" "$WORKGROUP2")" "$(grep '^W ' <<<"$flat")"
expected_servers=$(for s in "${SERVERS[@]}"; do echo "S ${WORKGROUP[$s]} $s"; done | sort)
expect_equal "each workgroup lists exactly its servers" "$expected_servers" "$(grep '^S ' <<<"$flat")"
for s in "${SERVERS[@]}"; do
	# smbtree shows hidden, printer and IPC shares too (the program drops
	# them itself); only browseable = no keeps a share out of the list.
	expected=$(for share in ${SHARES[$s]} "$HIDDEN" "$PRINTER" 'IPC$'; do echo "H $s $share"; done | sort)
	expect_equal "smbtree lists the shares of $s, without '$UNLISTED'" "$expected" "$(grep "^H $s " <<<"$flat")"
done
if [[ "$tree" == *"\\$UNLISTED"* ]]; then
	fail "the unlisted share never appears in smbtree's output" "$tree"
else
	pass "the unlisted share never appears in smbtree's output"
fi

# --- share types as the server reports them --------------------------------
for s in "${SERVERS[@]}"; do
	listing=$(smbclient -g -L "//$s" -U 'guest%' 2>/dev/null | grep -E '^(Disk|Printer|IPC)\|' | cut -d'|' -f1,2 | sort)
	expected=$(
		for share in ${SHARES[$s]} "$HIDDEN"; do echo "Disk|$share"; done
		echo "IPC|IPC\$"
		echo "Printer|$PRINTER"
	)
	expect_equal "smbclient -L $s: disk, hidden, printer and IPC shares as guest" "$(sort <<<"$expected")" "$listing"
	if smbclient "//$s/$UNLISTED" -U 'guest%' -c 'get README.txt /dev/null' >/dev/null 2>&1; then
		pass "the unlisted share of $s is reachable by name"
	else
		fail "the unlisted share of $s is reachable by name"
	fi
done

# --- NetBIOS names ---------------------------------------------------------
for wg in "$WORKGROUP1" "$WORKGROUP2"; do
	got=$(nmblookup -M "$wg" 2>/dev/null | awk '/<1d>/ { print $1 }')
	expect_equal "the master browser of $wg is ${MASTER[$wg]}" "${MASTER[$wg]}" "$got"
done
for s in "${SERVERS[@]}"; do
	got=$(nmblookup "$s" 2>/dev/null | awk '/<00>/ { print $1 }')
	expect_equal "NetBIOS name query for $s answers ${ADDR[$s]}" "${ADDR[$s]}" "$got"
	status=$(nmblookup -A "${ADDR[$s]}" 2>/dev/null)
	if grep -Eq "^[[:space:]]*${s}[[:space:]]+<20>" <<<"$status"; then
		pass "node status of ${ADDR[$s]} names $s"
	else
		fail "node status of ${ADDR[$s]} names $s" "$status"
	fi
done

# --- host names: NetBIOS for the servers, the hosts file for one extra name --
for s in "${SERVERS[@]}"; do
	if getent ahostsv4 "$s" >/dev/null; then
		fail "the client's hosts file does not know $s"
	else
		pass "the client's hosts file does not know $s"
	fi
	expect_equal "broadcast name query finds $s" "${ADDR[$s]}" \
		"$(nmblookup "$s" 2>/dev/null | awk -v n="$s<00>" '$2 == n { print $1; exit }')"
done
for s in VLSRV1 VLSRV2; do
	expect_equal "WINS $CLIENT_WINS knows $s" "${ADDR[$s]}" \
		"$(nmblookup -U "$CLIENT_WINS" --recursion "$s" 2>/dev/null | awk -v n="$s<00>" '$2 == n { print $1; exit }')"
done
expect_equal "hosts file resolves $HOSTS_ONLY_NAME" "${ADDR[$HOSTS_ONLY_SERVER]}" \
	"$(getent ahostsv4 "$HOSTS_ONLY_NAME" | awk 'NR == 1 { print $1 }')"
start=$SECONDS
timeout 5 getent hosts no-such-host.invalid >/dev/null
rc=$?
if ((rc == 2 && SECONDS - start <= 2)); then
	pass "an unknown name fails at once (no DNS server)"
else
	fail "an unknown name fails at once (no DNS server)" "getent exit $rc after $((SECONDS - start)) s"
fi

# --- addresses and MACs ----------------------------------------------------
for s in "${SERVERS[@]}"; do
	if ping -c 1 -W 2 "${ADDR[$s]}" >/dev/null 2>&1; then
		pass "ping ${ADDR[$s]}"
	else
		fail "ping ${ADDR[$s]}"
	fi
	reply=$(arping -c 1 -w 3 -I eth0 "${ADDR[$s]}" 2>&1)
	if grep -qi "reply from ${ADDR[$s]} \[${MAC[$s]}\]" <<<"$reply"; then
		pass "arping ${ADDR[$s]} answers ${MAC[$s]}"
	else
		fail "arping ${ADDR[$s]} answers ${MAC[$s]}" "$reply"
	fi
done
neigh=$(ip neigh show "$VLSRV1_ADDR" dev eth0)
expect_equal "ip neigh has ${MAC[VLSRV1]} for $VLSRV1_ADDR" "${MAC[VLSRV1]}" \
	"$(awk '{ for (i = 1; i < NF; i++) if ($i == "lladdr") print $(i + 1) }' <<<"$neigh")"

if arping -c 1 -w 2 -I eth0 "$NO_HOST_ADDR" >/dev/null 2>&1; then
	fail "nothing answers ARP for $NO_HOST_ADDR"
else
	pass "nothing answers ARP for $NO_HOST_ADDR"
fi
if ip route get "$OFF_SUBNET_ADDR" >/dev/null 2>&1; then
	fail "$OFF_SUBNET_ADDR is unreachable (no default route)" "$(ip route)"
else
	pass "$OFF_SUBNET_ADDR is unreachable (no default route)"
fi

if ((failures > 0)); then
	echo "lab_smoke: $failures check(s) failed; smbtree output was:"
	printf '%s\n' "$tree"
	exit 1
fi
echo "lab_smoke: all checks passed"
