#!/usr/bin/env bash
# run-wine-tests.sh NATIVE_SCENARIOS WIN32_DIST OUT_DIR
# WINE_TEST_PARTS picks the parts (default codec,inbridge; the blitkit part
# against Wine's DirectDraw is not yet reliable here).
# Runs the Win32 test program against the real DLLs under Wine on Xvfb, takes
# the screenshot it asks for (OUT_DIR/screen.png), then compares the codec's
# output with what the native build wrote.
set -euo pipefail
native=$1 dist=$2 out=$3
root=$(cd "$(dirname "$0")/.." && pwd)
suite=$(cd "$root/../shared/bmpsuite" && pwd)

rm -rf "$out"
mkdir -p "$out/native/codec" "$out/wine"
"$native" "$suite" "$out/native/codec"

export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
"$root/scripts/wine-prefix.sh" "$WINEPREFIX"

display=:$((100 + RANDOM % 400))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
sleep 2
export DISPLAY=$display

# The screenshot, when the program has put the picture on the screen.
(
  for _ in $(seq 1 3000); do
    if [ -e "$out/wine/screenshot.request" ]; then
      sleep 1
      xwd -root -silent | convert xwd:- "$out/screen.png" || true
      touch "$out/wine/screenshot.done"
      break
    fi
    sleep 0.2
  done
) &
shooter=$!

winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }
# One wineserver for both programs, so the second one starts quickly.
wineserver -p
status=0
wine "$dist/tests/wine_tests.exe" "$(winpath "$dist")" "$(winpath "$suite")" "$(winpath "$out/wine")" \
  "$(winpath "$root/samples")" "${WINE_TEST_PARTS:-codec,inbridge}" || status=$?
# A C host linked against the SDK's import libraries.
wine "$dist/sdk_c_host.exe" "$(winpath "$root/samples/sample24.bmp")" "$(winpath "$out/wine/c_host.bmp")" || status=$?
kill "$shooter" 2>/dev/null || true
wineserver -k 2>/dev/null || true
[ "$status" -eq 0 ] || { echo "wine_tests.exe failed ($status)"; exit 1; }
[ -s "$out/screen.png" ] && echo "screenshot: $out/screen.png"

if ! diff -r "$out/native/codec" "$out/wine/codec" >"$out/codec.diff"; then
  echo "codec output of the DLL differs from the native build:"; head -20 "$out/codec.diff"; exit 1
fi
echo "codec output identical: $(ls "$out/wine/codec" | wc -l) files"
