#!/usr/bin/env bash
# run-demo-wine.sh WIN32_DIST SOUND_CAPTURE OUT_DIR [demo options]: runs
# demo_host.exe with the real DLLs and our plug-ins under Wine on Xvfb, takes a
# screenshot of the screen once the demo has drawn its last frame
# (OUT_DIR/screen.png), captures the sound Wine's device played
# (OUT_DIR/sound.wav) and checks that it is demo.wav, unchanged; the demo's
# own files (demo.wav, screen.bmp) stay in OUT_DIR.
set -euo pipefail
dist=$(cd "$1" && pwd)
capture_tool=$2
out=$3
shift 3
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -f "$out/screen.ready" "$out/screen.done" "$out/screen.png" "$out/sound.wav"

source "$root/scripts/wine-env.sh"

start_display
start_sound "$capture_tool" "$out/sound.wav"

screenshot_on "$out/screen.ready" "$out/screen.done" "$out/screen.png"

# The prefix runs programs in a virtual desktop, where DirectDraw can switch
# modes; the demo keeps the desktop's mode where 640x480x16 is not offered.
status=0
timeout "${WINE_DEMO_SECONDS:-600}" wine "$dist/demo_host.exe" \
  "$(winpath "$root/samples/sample24.bmp")" "$(winpath "$dist/plugins")" "$(winpath "$out")" \
  --mode 640x480x16 --screenshot "$@" | tee "$out/demo.log" || status=$?
wineserver -k 2>/dev/null || true
stop_sound
if [ -s "$out/screen.png" ]; then echo "screenshot: $out/screen.png"; fi
if [ "$status" -ne 0 ]; then
  echo "the demo under Wine failed (${status}; 124: out of time)"
  exit 1
fi
echo "sound as the device played it: $out/sound.wav"
"$capture_tool" find "$out/sound.wav" "$out/demo.wav"
