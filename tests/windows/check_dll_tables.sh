#!/bin/bash
# Checks a velnip.dll's export table against velnip.def, by name and by
# ordinal, and that it imports from system DLLs only (the C and C++ runtimes
# are linked in, so no libgcc, libstdc++ or winpthread DLL may appear).
# Usage: check_dll_tables.sh OBJDUMP DLL DEF_FILE
set -euo pipefail
objdump=$1 dll=$2 def=$3

dump=$("$objdump" -p "$dll")
awk '/^The Export Tables/{on=1} on && /^(The |PE )/ && !/^The Export Tables/{on=0} on' <<<"$dump"
failed=0

# "ordinal name" for every name of the table, and for every name exported.
expected=$(awk '/^EXPORTS/{on=1;next} on && $2 ~ /^@[0-9]+$/ {print substr($2,2), $1}' "$def" |
  sort -n)
base=$(awk -F'\t+' '/^Ordinal Base/{print $2+0}' <<<"$dump")
slots_hex=$(awk '/^\tExport Address Table/{print $NF; exit}' <<<"$dump")
slots=$((16#${slots_hex:-0}))
# objdump prints each name with its index into the address table, which is
# the ordinal less the base ("+base[n]" on binutils that print the ordinal).
exported=$(awk -v base="${base:-0}" '
  /^\[Ordinal\/Name Pointer\] Table/ {on=1; next}
  on && /^$/ {on=0}
  on && match($0, /\+base\[ *[0-9]+\]/) {
    n=substr($0, RSTART+6, RLENGTH-7) + 0; print n, $NF; next }
  on && match($0, /^\t\[ *[0-9]+\]/) {
    n=substr($0, RSTART+2, RLENGTH-3) + base; print n, $NF }' <<<"$dump" | sort -n)

if [ "$(wc -l <<<"$expected")" -ne 13 ]; then
  echo "velnip.def does not hold 13 exports"; failed=1
fi
if [ "$base" != 1 ] || [ "$slots" != 13 ]; then
  echo "expected ordinal base 1 and 13 address-table slots, found base '$base' and '$slots' slots"
  failed=1
fi
if [ "$expected" != "$exported" ]; then
  echo "export table differs from velnip.def (< velnip.def, > DLL), as 'ordinal name':"
  diff <(echo "$expected") <(echo "$exported") | grep '^[<>]' || true
  failed=1
fi

imports=$(awk '/^\tDLL Name:/{print $3}' <<<"$dump")
echo "imports: $(tr '\n' ' ' <<<"$imports")"
system='^(kernel32|advapi32|user32|ws2_32|wsock32|iphlpapi|mpr|msvcrt|ucrtbase|ntdll|api-ms-win-[a-z0-9-]+)\.dll$'
while read -r name; do
  if ! [[ ${name,,} =~ $system ]]; then
    echo "imports a DLL that is not part of Windows: $name"; failed=1
  fi
done <<<"$imports"

[ "$failed" -eq 0 ] && echo "$(basename "$dll") exports exactly velnip.def and imports system DLLs only"
exit "$failed"
