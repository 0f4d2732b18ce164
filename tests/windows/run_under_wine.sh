#!/bin/bash
# Runs a Windows program under Wine, headless, with a fresh Wine prefix in a
# scratch folder of the build tree, inside a network namespace of its own
# that has only loopback: nothing Wine does can reach a network.
# Without root the namespace comes from a user namespace; where neither can
# be made the test is skipped (77), or fails under CI=true. Wine never runs
# outside the namespace.
# Usage: run_under_wine.sh SCRATCH_ROOT PROGRAM.exe [ARGUMENT...]
set -uo pipefail
# ip lives in sbin, which a non-login root shell may lack.
export PATH="$PATH:/usr/sbin:/sbin"
scratch_root=$1
shift

skip() {
  echo "skipped: $*"
  [ "${CI:-}" = true ] && exit 1
  exit 77
}

wine=$(command -v wine64 || true)
[ -n "$wine" ] || wine=/usr/lib/wine/wine64
wineserver=$(command -v wineserver || true)
[ -n "$wineserver" ] || wineserver=/usr/lib/wine/wineserver64
[ -x "$wine" ] || skip "no 64-bit Wine (Debian's wine64)"

namespace=(unshare --net)
[ "$(id -u)" -eq 0 ] || namespace=(unshare --net --map-root-user)
"${namespace[@]}" true 2>/dev/null || skip "cannot make a network namespace"

mkdir -p "$scratch_root"
scratch=$(mktemp -d "$scratch_root/wine.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# Inside the namespace: loopback up, then Wine with a prefix nobody else uses.
# Mono and Gecko are not wanted (and would try to download themselves), nor
# menu entries in the home folder; the prefix's wineserver is stopped before
# the prefix is removed.
inside=$(cat <<'SCRIPT'
set -u
ip link set lo up || exit 1
if ip -o link show | grep -v ': lo:' | grep -q .; then
  echo "the namespace has a link other than loopback" >&2
  exit 1
fi
"$WINE" "$@"
status=$?
"$WINESERVER" -k 2>/dev/null
exit $status
SCRIPT
)

env -u DISPLAY -u WAYLAND_DISPLAY WINEPREFIX="$scratch/prefix" WINEARCH=win64 WINEDEBUG=-all \
  WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=" WINE="$wine" WINESERVER="$wineserver" \
  "${namespace[@]}" bash -c "$inside" run-under-wine "$@"
