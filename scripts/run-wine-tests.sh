#!/usr/bin/env bash
# run-wine-tests.sh NATIVE_SCENARIOS SOUND_CAPTURE WIN32_DIST OUT_DIR
# WINE_TEST_PARTS picks the parts (default codec,inbridge,blitkit,plugins).
# Runs the Win32 test program against the real DLLs under Wine on Xvfb, takes
# the screenshot it asks for (OUT_DIR/screen.png), captures the sound Wine's
# device plays (OUT_DIR/sound.wav), then compares the codec's output with what
# the native build wrote and the captured sound with what the program played.
# With inbridge, the test program and the SDK's example host run once more
# where Wine has no sound device.
set -euo pipefail
native=$1 capture_tool=$2 dist=$(cd "$3" && pwd) out=$4
root=$(cd "$(dirname "$0")/.." && pwd)
suite=$(cd "$root/../shared/bmpsuite" && pwd)

rm -rf "$out"
mkdir -p "$out/native/codec" "$out/wine"
"$native" "$suite" "$out/native/codec"

source "$root/scripts/wine-env.sh"

start_display
start_sound "$capture_tool" "$out/sound.wav"

# The screenshot, when the program has put the picture on the screen.
screenshot_on "$out/wine/screenshot.request" "$out/wine/screenshot.done" "$out/screen.png"

# One wineserver for all programs, so that Wine's services start only once.
wineserver -p 2>/dev/null || true  # already running: fine
# On some machines Wine's own processes die under the emulator and no window
# ever appears; the scenarios are then reported as skipped (77), not passed.
if ! timeout "${WINE_SMOKE_SECONDS:-600}" wine "$dist/tests/wine_smoke.exe"; then
  echo "Wine cannot show a window on this machine: scenarios skipped"
  exit 77
fi
status=0
parts=${WINE_TEST_PARTS:-codec,inbridge,blitkit,plugins}
wine_tests() {
  timeout "${WINE_TEST_SECONDS:-900}" wine "$dist/tests/wine_tests.exe" "$(winpath "$dist")" "$(winpath "$suite")" \
    "$(winpath "$out/wine")" "$(winpath "$root/samples")" "$1"
}
wine_tests "$parts" || status=$?
# A C host linked against the SDK's import libraries.
timeout 600 wine "$dist/sdk_c_host.exe" "$(winpath "$root/samples/sample24.bmp")" "$(winpath "$out/wine/c_host.bmp")" || status=$?
# The SDK as its users get it: the zip unpacked, and the example built and run
# with the README's own commands, through the Makefile and through CMake.
kit_parent=$out/kit
mkdir -p "$kit_parent"
unzip -q "$(ls "$dist"/../dropin-sdk-*.zip)" -d "$kit_parent"
kit=$(echo "$kit_parent"/dropin-sdk-*)
for how in linux-make linux-cmake; do
  echo "== the SDK's README, $how:"
  commands=$("$root/tests/sdk/readme_commands.sh" "$kit/README.md" "$how")
  echo "$commands"
  (cd "$kit" && timeout 600 bash -euo pipefail -c "$commands") || status=$?
done
# Without a sound device (ALSA on its own configuration, which has none here):
# the play fails at once, and the example host ends, saying why.
case ",$parts," in
*,inbridge,*)
  # (ALSA's complaints about the missing card left out)
  (unset ALSA_CONFIG_PATH && wine_tests nosound) 2> >(grep -v '^ALSA lib' >&2) || status=$?
  example=0
  (unset ALSA_CONFIG_PATH && cd "$kit" && timeout 600 wine examples/build/host.exe examples/picture.bmp \
    examples/sound.wav) >"$out/example-no-device.log" 2> >(grep -v '^ALSA lib' >&2) || example=$?
  cat "$out/example-no-device.log"
  if [ "$example" -ne 1 ] || ! grep -q "no sound device" "$out/example-no-device.log"; then
    echo "the example host without a sound device: status $example, no reason given"
    status=1
  fi
  ;;
esac
[ "$status" -eq 0 ] || { echo "the Win32 test programs failed ($status; 124: out of time)"; exit 1; }
wineserver -k 2>/dev/null || true
stop_sound
case ",${WINE_TEST_PARTS:-inbridge}," in
*,inbridge,*) "$capture_tool" find "$out/sound.wav" "$out/wine/sound.wav" ;;
esac
"$capture_tool" find "$out/sound.wav" "$kit/examples/sound.wav"
if [ -s "$out/screen.png" ]; then echo "screenshot: $out/screen.png"; fi

case ",$parts," in *,codec,*) ;; *) exit 0 ;; esac
if ! diff -r "$out/native/codec" "$out/wine/codec" >"$out/codec.diff"; then
  echo "codec output of the DLL differs from the native build:"; head -20 "$out/codec.diff"; exit 1
fi
echo "codec output identical: $(ls "$out/wine/codec" | wc -l) files"
