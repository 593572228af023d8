#!/usr/bin/env bash
# run-wine-tests.sh NATIVE_SCENARIOS WIN32_DIST OUT_DIR
# Runs the Win32 test program against the real DLLs under Wine on Xvfb, then
# compares the codec's output with what the native build wrote.
set -euo pipefail
native=$1 dist=$2 out=$3
root=$(cd "$(dirname "$0")/.." && pwd)
suite=$(cd "$root/../shared/bmpsuite" && pwd)

rm -rf "$out"
mkdir -p "$out/native/codec" "$out/wine"
"$native" "$suite" "$out/native/codec"

winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }
export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
mkdir -p "$WINEPREFIX"
status=0
xvfb-run -a -s "-screen 0 1024x768x24" \
  wine "$dist/tests/wine_tests.exe" "$(winpath "$dist")" "$(winpath "$suite")" "$(winpath "$out/wine")" ||
  status=$?
[ "$status" -eq 0 ] || { echo "wine_tests.exe failed ($status)"; exit 1; }

if ! diff -r "$out/native/codec" "$out/wine/codec" >"$out/codec.diff"; then
  echo "codec output of the DLL differs from the native build:"; head -20 "$out/codec.diff"; exit 1
fi
echo "codec output identical: $(ls "$out/wine/codec" | wc -l) files"
