#!/bin/bash
# Makes the Windows ZIP from this build and checks that it holds velnip.dll,
# its import library and velnip.h, and nothing else.
# Usage: check_zip.sh CPACK CPACK_CONFIG OUT_DIR
set -uo pipefail
cpack=$1 config=$2 out=$3
rm -rf "$out"
mkdir -p "$out"
if ! "$cpack" -G ZIP --config "$config" -B "$out" >"$out/cpack.log" 2>&1; then
  cat "$out/cpack.log"
  exit 1
fi
zip=$(ls "$out"/*.zip)
# Without the top folder CPack puts every file in.
listed=$(cmake -E tar tf "$zip" | grep -v '/$' | sed 's|^[^/]*/||' | sort)
expected=$(printf '%s\n' bin/velnip.dll include/velnip.h lib/libvelnip.dll.a | sort)
echo "$(basename "$zip"):"
echo "$listed"
if [ "$listed" != "$expected" ]; then
  echo "expected exactly:"
  echo "$expected"
  exit 1
fi
echo "the ZIP holds the DLL, its import library and the header"
