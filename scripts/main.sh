#!/usr/bin/env bash
# The main job: installs what is needed, builds both flavours and the host
# SDK (dist/sdk), and runs the demo host: natively over the in-memory
# display and sound card, then the real Win32 build under Wine on Xvfb,
# ending with a screenshot of the screen and the sound that Wine's device
# played, captured as a WAV file and compared with the demo's.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup-debian.sh"
"$root/scripts/build.sh"
out="$root/build/main"
mkdir -p "$out/native" "$out/wine"

echo "== demo, native"
rm -f "$out/native/captured.raw"
LD_LIBRARY_PATH="$root/dist/linux/plugins" COMPAT_WAVEOUT_CAPTURE="$out/native/captured.raw" \
  "$root/dist/linux/demo_host" "$root/samples/sample24.bmp" "$root/dist/linux/plugins" "$out/native" |
  grep -v '^playing'
convert "$out/native/screen.bmp" "$out/native/screen.png"
echo "surface: $out/native/screen.png"
"$root/dist/linux/sound_capture" find "$out/native/captured.raw" "$out/native/demo.wav"

echo "SDK for Windows hosts: $root/dist/sdk, packed as $(ls "$root"/dist/dropin-sdk-*.zip)"

echo "== demo, Win32 DLLs under Wine"
"$root/scripts/run-demo-wine.sh" "$root/dist/win32" "$root/dist/linux/sound_capture" "$out/wine"
