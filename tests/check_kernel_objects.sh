#!/usr/bin/env bash
# check_kernel_objects.sh OBJECT...: object files built for a wider
# instruction set define no weak symbols (inline functions, templates). The
# linker keeps one copy of such a symbol for the whole library, and if it
# kept the wide one, code meant for every processor would run it.
set -euo pipefail
shared=$(nm --defined-only "$@" | awk 'NF == 3 && $2 ~ /^[WVu]$/ {print $3}' | sort -u)
if [ -n "$shared" ]; then
  echo "weak symbols in kernel objects:"; echo "$shared" | c++filt; exit 1
fi
echo "kernel objects define no weak symbols: $*"
