#!/bin/bash
# velnor binds its imports at load time: without its library, or with one
# that lacks an imported name, the loader must refuse to start it. With the
# right library beside it, it starts (and runs until stopped).
# Usage: loader_refusal.sh VELNOR LIBVELPLATFORM LIBVELNIP LIBVELNIP_LACKING_LOCALIP
set -uo pipefail
velnor=$1 platform=$2 velnip=$3 lacking=$4
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
# The loader looks for each library under its SONAME (libvelnip.so.1).
soname() { objdump -p "$1" | awk '$1 == "SONAME" {print $2}'; }
velnip_name=$(soname "$velnip")
cp "$velnor" "$dir/"
cp "$platform" "$dir/$(soname "$platform")"
export QT_QPA_PLATFORM=offscreen
failed=0

run() { timeout -s KILL 5 "$dir/velnor" >"$dir/out" 2>&1; echo $?; }

status=$(run)
if [ "$status" != 127 ] || ! grep -qF "$velnip_name: cannot open shared object file" "$dir/out"; then
  echo "without $velnip_name: expected a loader refusal, got status $status:"; cat "$dir/out"; failed=1
fi

cp "$lacking" "$dir/$velnip_name"
status=$(run)
if [ "$status" != 127 ] || ! grep -q 'undefined symbol: LocalIP' "$dir/out"; then
  echo "with a libvelnip.so lacking LocalIP: expected a loader refusal, got status $status:"
  cat "$dir/out"; failed=1
fi

cp "$velnip" "$dir/$velnip_name"
status=$(run)
if [ "$status" != 137 ]; then
  echo "with the right libvelnip.so beside it velnor should run until killed, got status $status:"
  cat "$dir/out"; failed=1
fi
[ "$failed" -eq 0 ] && echo "loader refuses velnor without its library or an imported name"
exit "$failed"
