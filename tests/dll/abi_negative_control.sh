#!/bin/sh
# Negative controls of scripts/check-abi: patched copies of the shipped DLL
# that it must reject. The shipped file itself is only read.
#   abi_negative_control.sh <check-abi> <objdump> <dll> <workdir> <export>...
set -eu
check="$1"; objdump="$2"; dll="$3"; work="$4"; shift 4
mkdir -p "$work"
before=$(sha256sum <"$dll")
status=0

# Writes hex bytes at a file offset of a copy.
poke() {
  bytes=""
  for b in $(printf '%s' "$3" | sed 's/\(..\)/\1 /g'); do bytes="$bytes\\$(printf '%03o' "0x$b")"; done
  printf "$bytes" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none
}

# File offset of a virtual address.
offset_of() {
  "$objdump" -h "$1" | awk '$1 ~ /^[0-9]+$/ { print $3, $4, $6 }' | while read -r size vma off; do
    if [ $(($2)) -ge $((0x$vma)) ] && [ $(($2)) -lt $((0x$vma + 0x$size)) ]; then
      echo $(($2 - 0x$vma + 0x$off)); break
    fi
  done
}

expect_reject() {   # <copy> <what> <message expected in the output>
  out=$("$check" "$objdump" "$1" $exports 2>&1) && rc=0 || rc=$?
  if [ "$rc" -ne 0 ] && printf '%s\n' "$out" | grep -q "$3"; then
    echo "rejected as expected ($2): $(printf '%s\n' "$out" | grep "$3" | head -1)"
  else
    echo "NOT rejected ($2):"; printf '%s\n' "$out"; status=1
  fi
}
exports="$*"

# 1. GetSourceData returns with `ret 4` (stdcall-like): C2 04 00.
copy="$work/ret4.dll"; cp "$dll" "$copy"
base=$((0x$("$objdump" -p "$copy" | awk '$1 == "ImageBase" { print $2 }')))
rva=$("$objdump" -p "$copy" | awk '
  /^Export Address Table --/ { eat = 1; next } /^\[Ordinal\/Name Pointer\] Table/ { names = 1; next } /^$/ { eat = 0; names = 0 }
  eat && /Export RVA/ { i = $2; gsub(/[^0-9]/, "", i); rva[i + 0] = $(NF - 2) }
  names && $NF == "GetSourceData" { i = $1 $2; gsub(/[^0-9]/, "", i); print rva[i + 0] }')
poke "$copy" "$(offset_of "$copy" $((base + 0x$rva)))" C20400
expect_reject "$copy" "GetSourceData patched to ret 4" "GetSourceData does not end in a plain ret"

# 2. DYNAMIC_BASE cleared in DllCharacteristics (optional header + 70).
copy="$work/fixed-base.dll"; cp "$dll" "$copy"
pe=$(od -An -tu4 -j60 -N4 "$copy" | tr -d ' ')
at=$((pe + 24 + 70))
chars=$(od -An -tu2 -j$at -N2 "$copy" | tr -d ' ')
chars=$((chars & ~0x40))
poke "$copy" "$at" "$(printf '%02x%02x' $((chars & 0xFF)) $((chars >> 8)))"
expect_reject "$copy" "DYNAMIC_BASE cleared" "DYNAMIC_BASE is not set"

[ "$(sha256sum <"$dll")" = "$before" ] || { echo "the shipped DLL changed"; status=1; }
exit $status
