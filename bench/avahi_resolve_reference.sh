#!/usr/bin/env bash
# Avahi's own lookup of NAME.local as a reference for the resolver's mDNS
# step: avahi-resolve needs avahi-daemon on a system D-Bus, so both run here
# in a private mount namespace (their own /run/dbus and /run/avahi-daemon),
# inside the lab's client only, and stop when this script ends.
#
#   lab/lan-modern exec bench/avahi_resolve_reference.sh NAME [ROUNDS]
set -euo pipefail
name=${1:?usage: $0 NAME [ROUNDS]}
rounds=${2:-21}
if [[ "${VELNOR_LAB:-}" != 1 ]] ||
	[[ "$(cat /sys/class/net/eth0/address 2>/dev/null)" != 02:76:6c:01:00:0a ]]; then
	echo "avahi_resolve_reference: run it inside the modern lab (lab/lan-modern exec)" >&2
	exit 77
fi
command -v avahi-resolve >/dev/null && command -v dbus-daemon >/dev/null || {
	echo "avahi_resolve_reference: avahi-utils or dbus-daemon missing, skipped" >&2
	exit 77
}
if [[ -z "${AVAHI_REFERENCE_INNER:-}" ]]; then
	mkdir -p /run/avahi-daemon /run/dbus
	export AVAHI_REFERENCE_INNER=1
	exec unshare -m --propagation private "$0" "$@"
fi

work=$(mktemp -d)
pids=()
cleanup() {
	local pid
	for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
	wait 2>/dev/null || true
	rm -rf "$work"
}
trap cleanup EXIT
mount -t tmpfs -o mode=755,size=1m tmpfs /run/dbus
mount -t tmpfs -o mode=755,size=1m tmpfs /run/avahi-daemon
cat >"$work/avahi-daemon.conf" <<CONF
[server]
host-name=vmclient-ref
use-ipv4=yes
use-ipv6=no
allow-interfaces=eth0
enable-dbus=yes
[wide-area]
enable-wide-area=no
[publish]
disable-publishing=yes
CONF
dbus-daemon --system --nofork --nopidfile &
pids+=($!)
for _ in $(seq 50); do [[ -S /run/dbus/system_bus_socket ]] && break; sleep 0.1; done
avahi-daemon --no-rlimits -f "$work/avahi-daemon.conf" >"$work/avahi.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do grep -q 'Server startup complete' "$work/avahi.log" && break; sleep 0.1; done

times=()
answered=0
for _ in $(seq "$rounds"); do
	start=$(date +%s%N)
	out=$(timeout 5 avahi-resolve -4 -n "$name.local" 2>/dev/null || true)
	end=$(date +%s%N)
	[[ -n "$out" ]] && answered=$((answered + 1))
	times+=($(((end - start) / 1000)))
done
median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(((rounds + 1) / 2))p")
printf 'avahi-resolve -4 -n %s.local: median %d.%03d ms of %d (a process each, %d answered): %s\n' \
	"$name" $((median / 1000)) $((median % 1000)) "$rounds" "$answered" "${out:-no answer}"
