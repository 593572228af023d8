#!/usr/bin/env bash
# check_exports.sh linux|win32 LIBRARY DEF [SYSTEM_DLL...]
# The library exports exactly the names of the .def file. A DLL imports from
# exactly the system DLLs named (KERNEL32 may join them) and nothing else (no
# C runtime), runs no static constructors, and is stripped.
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
  imports=$(printf '%s\n' "$dump" | awk '/DLL Name:/ {print toupper($3)}' | { grep -v '^KERNEL32.DLL$' || true; } | sort -u)
  wanted=$(printf '%s\n' "$@" | tr a-z A-Z | { grep -v '^KERNEL32.DLL$' || true; } | sort -u)
  if [ "$imports" != "$wanted" ]; then
    echo "imports of $lib (KERNEL32 aside) differ from the system DLLs named:"
    diff <(printf '%s\n' "$wanted") <(printf '%s\n' "$imports") || true
    exit 1
  fi
  sections=$(i686-w64-mingw32-objdump -h "$lib" | awk '$1 ~ /^[0-9]+$/ {print $2}')
  if grep -qE '^\.(ctors|dtors|init_array|CRT|tls|debug)' <<<"$sections"; then
    echo "$lib has static constructors, runtime or debug sections:"; grep -E '^\.(ctors|dtors|init_array|CRT|tls|debug)' <<<"$sections"
    exit 1
  fi
  if i686-w64-mingw32-nm "$lib" 2>/dev/null | grep -q .; then
    echo "$lib is not stripped"; exit 1
  fi
  echo "imports: $(echo $(printf '%s\n' "$dump" | awk '/DLL Name:/ {print $3}'))"
fi
if [ "$want" != "$have" ]; then
  echo "exports of $lib differ from $def:"
  diff <(printf '%s\n' "$want") <(printf '%s\n' "$have") || true
  exit 1
fi
echo "exports: $(echo $have)"
