#!/usr/bin/env bash
# velnor-scan in the Windows lab's client (lab/lan-windows): whose shares it
# lists with each source of the user's logon, and what every server's log
# says it was offered.
#
#   lab/lan-windows exec tests/windows_lab/logon_e2e.sh BUILD/bin/velnor-scan
set -uo pipefail

source "$(dirname "$0")/../integration/gui/velnor_gui.sh"
gui_require_client logon_e2e 02:76:6c:03:00:0a "$@"
scan=$1
logs=${VELNOR_LAB_STATE:?run through lab/lan-windows exec}
password=Velnor-Alice-25

scratch=$(mktemp -d /tmp/velnor-logon-XXXXXX)
trap 'kdestroy -q 2>/dev/null; rm -rf "$scratch"' EXIT
mkdir -m 700 "$scratch/home" "$scratch/config" "$scratch/run"
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/config" XDG_RUNTIME_DIR="$scratch/run"
export KRB5CCNAME="FILE:$scratch/krb5cc"
unset DBUS_SESSION_BUS_ADDRESS

# Today's tree: only the guest server lists its share.
nothing="DC1 -
EVIL -
PUB pub
WIN1 -
WIN2 -"

# "COMPUTER share;share" a computer, sorted, from velnor-scan's JSON.
shares_of() {
	python3 -c '
import json, sys
for r in sorted(json.load(sys.stdin), key=lambda r: r["computer"]):
    print(r["computer"], ";".join(sorted(r["shares"])) or "-")'
}

# Every server's log grows; `mark` notes where each file ends, `since NAME`
# prints what NAME's files gained after the mark.
declare -A marked=()
mark() {
	local file
	marked=()
	for file in "$logs"/*/log/*; do
		[[ -f "$file" ]] && marked[$file]=$(stat -c %s "$file")
	done
}
since() {
	local file
	for file in "$logs/${1,,}"/log/*; do
		[[ -f "$file" ]] || continue
		tail -c +$((${marked[$file]:-0} + 1)) "$file"
	done
}
# alice's NTLM logons in NAME's new log lines.
ntlm_as_alice() { since "$1" | grep -E 'Auth: .*\[alice\].* with \[(NTLMv2|NTLMv1|LM|NTLM)' || true; }

run_scan() { "$scan" --format=json 2>"$scratch/stderr" | shares_of; }

echo "-- nothing configured"
mark
check "today's tree" "$nothing" "$(run_scan)"
check "nothing on standard error" "" "$(cat "$scratch/stderr")"
for s in DC1 WIN1 WIN2 EVIL; do
	check "$s saw no logon as alice" "" "$(since "$s" | grep -F '[alice]')"
done

echo "-- kinit alice"
printf '%s\n' "$password" | kinit alice >/dev/null || echo "FAIL  kinit"
mark
check "the domain controller lists its shares" "DC1 netlogon;sysvol
EVIL -
PUB pub
WIN1 -
WIN2 -" "$(run_scan)"
check "DC1 logged a Kerberos logon by alice" 1 \
	"$(since DC1 | grep -c 'Successful AuthZ: \[SMB2,krb5\] user \[CORP\]\\\[alice\]')"
for s in DC1 WIN1 WIN2 EVIL; do
	check "no NTLM logon as alice reached $s" "" "$(ntlm_as_alice "$s")"
done
kdestroy -q

# Run once with workers side by side, once with one worker that lists every
# server in turn (WIN2 after WIN1): a password's connection is not reused
# for another server.
keyring_run() {
	echo "-- a password in the keyring for win1 and one for WIN2's address ($1)"
	mark
	keyring_tree=$(env "$1" dbus-run-session -- bash -c '
		printf "keyring" | gnome-keyring-daemon --daemonize --unlock --components=secrets >/dev/null
		store() {
			printf "%s" "$1" | secret-tool store --label="$2" xdg:schema org.gnome.keyring.NetworkPassword \
				user alice domain CORP server "$2" protocol smb
		}
		store "$0" win1 && store "$0" 10.81.0.13 && "$1" --format=json' "$password" "$scan" 2>"$scratch/stderr" |
		shares_of)
	check "WIN1 lists with the saved password, WIN2 not with its address's" "DC1 -
EVIL -
PUB pub
WIN1 finance
WIN2 -" "$keyring_tree"
	check "WIN1 logged alice's NTLMv2 logon" 1 \
		"$(ntlm_as_alice WIN1 | grep -c 'with \[NTLMv2\] status \[NT_STATUS_OK\]')"
	for s in DC1 WIN2 EVIL; do
		check "$s saw no logon as alice" "" "$(since "$s" | grep -F '[alice]')"
	done
}
keyring_run VELNOR_WORKAHEAD=1
keyring_run VELNOR_WORKAHEAD=0

echo "-- the credentials file"
mkdir -p "$XDG_CONFIG_HOME/velnor"
credentials="$XDG_CONFIG_HOME/velnor/credentials"
printf '# for WIN2 only\n[WIN2]\ndomain = CORP\nuser = alice\npassword = %s\n' "$password" >"$credentials"
chmod 600 "$credentials"
mark
check "mode 600: WIN2 lists" "DC1 -
EVIL -
PUB pub
WIN1 -
WIN2 hr" "$(run_scan)"
check "mode 600: nothing on standard error" "" "$(cat "$scratch/stderr")"
for s in DC1 WIN1 EVIL; do
	check "$s saw no logon as alice" "" "$(since "$s" | grep -F '[alice]')"
done
for mode in 640 604; do
	chmod "$mode" "$credentials"
	mark
	check "mode $mode: refused, today's tree" "$nothing" "$(run_scan)"
	check "mode $mode: the refusal on standard error" \
		"velnor-scan: credentials file refused: $credentials: group or others may read or write it (chmod 600 it)" \
		"$(cat "$scratch/stderr")"
	check "mode $mode: WIN2 saw no logon as alice" "" "$(since WIN2 | grep -F '[alice]')"
done

echo "-- the hostile server, over every run"
check "EVIL never saw alice" "" "$(grep -rhF '[alice]' "$logs/evil/log")"
exit $((failures > 0))
