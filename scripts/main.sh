#!/usr/bin/env bash
# The main job: installs what is needed, builds both flavours and the host
# SDK (dist/sdk), and runs the demo host: natively over the in-memory
# display, then the real Win32 build under Wine on Xvfb, ending with a
# screenshot of the screen and the length of the sound that reached the
# output plug-in.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup-debian.sh"
"$root/scripts/build.sh"
out="$root/build/main"
mkdir -p "$out/native" "$out/wine"

echo "== demo, native"
LD_LIBRARY_PATH="$root/dist/linux/plugins" "$root/dist/linux/demo_host" "$root/samples/sample24.bmp" \
  "$root/dist/linux/plugins" "$out/native" | grep -v '^playing'
convert "$out/native/screen.bmp" "$out/native/screen.png"
echo "surface: $out/native/screen.png"

echo "SDK for Windows hosts: $root/dist/sdk"

echo "== demo, Win32 DLLs under Wine"
"$root/scripts/run-demo-wine.sh" "$root/dist/win32" "$out/wine"
