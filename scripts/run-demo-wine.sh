#!/usr/bin/env bash
# run-demo-wine.sh WIN32_DIST OUT_DIR [demo options]: runs demo_host.exe with
# the real DLLs and our plug-ins under Wine on Xvfb, takes a screenshot of the
# screen once the demo has drawn its last frame (OUT_DIR/screen.png), and
# leaves the demo's files (demo.wav, recorded.wav, screen.bmp) in OUT_DIR.
set -euo pipefail
dist=$(cd "$1" && pwd)
out=$2
shift 2
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$out"
out=$(cd "$out" && pwd)
rm -f "$out/screen.ready" "$out/screen.done" "$out/screen.png"

source "$root/scripts/wine-env.sh"

start_display

screenshot_on "$out/screen.ready" "$out/screen.done" "$out/screen.png"

# The prefix runs programs in a virtual desktop, where DirectDraw can switch
# modes; the demo keeps the desktop's mode where 640x480x16 is not offered.
status=0
timeout "${WINE_DEMO_SECONDS:-600}" wine "$dist/demo_host.exe" \
  "$(winpath "$root/samples/sample24.bmp")" "$(winpath "$dist/plugins")" "$(winpath "$out")" \
  --mode 640x480x16 --screenshot "$@" | tee "$out/demo.log" || status=$?
if [ -s "$out/screen.png" ]; then echo "screenshot: $out/screen.png"; fi
# The demo's own verdict, and the files.
if [ "$status" -eq 0 ] && cmp -s <(tail -c +45 "$out/demo.wav") <(tail -c +45 "$out/recorded.wav"); then
  echo "every sample of demo.wav reached the output plug-in"
else
  echo "the demo under Wine failed (${status}; 124: out of time)"
  exit 1
fi
