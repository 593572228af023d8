#!/usr/bin/env bash
# Builds both flavours: native Linux (dist/linux, tests, benchmarks) and the
# 32-bit Windows DLLs with MinGW-w64 (dist/win32).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
cmake -S "$root" -B "$root/build/win32" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$root/build/win32" -j"$jobs"
cmake -S "$root" -B "$root/build/linux" -DWIN32_DIST="$root/dist/win32" >/dev/null
cmake --build "$root/build/linux" -j"$jobs"
