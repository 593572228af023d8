#!/usr/bin/env bash
# check_sections.sh DLL MAX_BYTES: the DLL's writable data (.data and .bss),
# which every process that loads it maps, stays within MAX_BYTES.
set -euo pipefail
dll=$1 max=$2
total=0
while read -r _ name size _; do
  case $name in .data | .bss) total=$((total + 16#$size)) ;; esac
done < <(i686-w64-mingw32-objdump -h "$dll")
echo "writable data of $dll: $total bytes (at most $max)"
[ "$total" -le "$max" ]
