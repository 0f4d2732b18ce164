#!/usr/bin/env bash
# The LAN host search with a server that left the network after the browse
# list took it in. It runs on a lab of its own, so the shared one stays whole:
# build it, take VLSRV2 off (lan leave), run TEST inside, take the lab down.
#
#   tests/integration/stale/stale_server.sh LAB/lan TEST
set -uo pipefail

lan=$1
test=$2
base=${VELNOR_LAB_PREFIX:-vlab}
export VELNOR_LAB_PREFIX="${base:0:9}-st"

# Without root, up exits 77 (skip), or 1 under CI=true.
"$lan" up || exit $?
trap '"$lan" down >/dev/null' EXIT
"$lan" leave VLSRV2 || exit 1
"$lan" exec "$test"
