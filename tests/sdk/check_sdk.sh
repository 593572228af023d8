#!/usr/bin/env bash
# check_sdk.sh SDK_DIR: the release folder holds what a Windows host needs,
# its headers compile as C and C++ natively and for Win32, and its import
# libraries name the decorated __stdcall symbols that link to the DLLs'
# undecorated exports.
set -euo pipefail
sdk=$1
here=$(cd "$(dirname "$0")" && pwd)
fail=0
for lib in imgcodec2 inbridge blitkit; do
  for f in bin/$lib.dll lib/$lib.def lib/lib$lib.a include/$lib.h docs/$lib.md; do
    [ -s "$sdk/$f" ] || { echo "missing: $f"; fail=1; }
  done
done
# The plug-ins: out_wave.dll plays through the wave-out device.
for f in plugins/out_wave.dll plugins/in_wav.dll; do
  [ -s "$sdk/$f" ] || { echo "missing: $f"; fail=1; }
done
if [ -s "$sdk/plugins/out_wave.dll" ]; then
  imports=$(i686-w64-mingw32-objdump -p "$sdk/plugins/out_wave.dll" | grep "DLL Name:")
  grep -qi "WINMM.dll" <<<"$imports" || { echo "plugins/out_wave.dll does not use the wave-out device"; fail=1; }
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for cc in gcc g++ i686-w64-mingw32-gcc i686-w64-mingw32-g++; do
  lang=c
  case $cc in *++) lang=c++ ;; esac
  std=-std=c99
  [ "$lang" = c++ ] && std=-std=c++17
  if ! $cc -x "$lang" $std -Wall -Wextra -Werror -pedantic -I"$sdk/include" -c "$here/headers.c" -o "$work/h.o"; then
    echo "headers do not compile with $cc ($lang)"; fail=1
  fi
done
# A C host linked against the MinGW import library alone.
if i686-w64-mingw32-gcc -std=c99 -Wall -Wextra -Werror -I"$sdk/include" "$here/headers.c" -o "$work/h.exe" \
    -L"$sdk/lib" -limgcodec2 -linbridge -lblitkit; then
  imports=$(i686-w64-mingw32-objdump -p "$work/h.exe" | grep -E "DLL Name: (imgcodec2|inbridge|blitkit)" | wc -l)
  [ "$imports" -eq 3 ] || { echo "the linked host does not import all three DLLs"; fail=1; }
else
  echo "a host does not link against lib*.a"; fail=1
fi
# The MSVC-style import libraries, where they were made.
nm=$(command -v llvm-nm || command -v llvm-nm-14 || true)
for lib in imgcodec2 inbridge blitkit; do
  [ -e "$sdk/lib/$lib.lib" ] || continue
  for name in $(sed -n 's/^  \([A-Za-z_0-9]*@[0-9]*\).*/\1/p' "$sdk/lib/$lib.def"); do
    "$nm" "$sdk/lib/$lib.lib" | grep -q " T _$name\$" || { echo "$lib.lib lacks _$name"; fail=1; }
  done
done
[ "$fail" -eq 0 ] && echo "sdk: complete, headers compile, import libraries link"
exit "$fail"
