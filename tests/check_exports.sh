#!/usr/bin/env bash
# check_exports.sh linux|win32 LIBRARY DEF [ALLOWED_DLL...]
# The library exports exactly the names of the .def file; a DLL imports from
# nothing but the DLLs named.
set -euo pipefail
kind=$1 lib=$2 def=$3
shift 3
want=$(sed -n '/^EXPORTS/,$p' "$def" | tail -n +2 | awk 'NF && $1 !~ /^;/ {sub(/@.*/, "", $1); print $1}' | sort)
if [ "$kind" = linux ]; then
  have=$(nm -D --defined-only "$lib" | awk '$2 ~ /^[TW]$/ {print $3}' | sort)
else
  dump=$(i686-w64-mingw32-objdump -p "$lib")
  have=$(printf '%s\n' "$dump" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
         awk '/^\t\[ *[0-9]+\]/ {print $NF}' | sort)
  imports=$(printf '%s\n' "$dump" | awk '/DLL Name:/ {print toupper($3)}' | sort -u)
  allowed=$(printf '%s\n' "$@" | tr a-z A-Z | sort -u)
  extra=$(comm -23 <(printf '%s\n' "$imports") <(printf '%s\n' "$allowed"))
  if [ -n "$extra" ]; then
    echo "unexpected imports of $lib:"; echo "$extra"; exit 1
  fi
  echo "imports: $(echo $imports)"
fi
if [ "$want" != "$have" ]; then
  echo "exports of $lib differ from $def:"
  diff <(printf '%s\n' "$want") <(printf '%s\n' "$have") || true
  exit 1
fi
echo "exports: $(echo $have)"
