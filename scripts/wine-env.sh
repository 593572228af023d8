# Sourced by the scripts that run Win32 programs: the prefix, quiet Wine, no
# desktop-menu builder (minutes under emulation, of no use here), and Mesa's
# plain software renderer should anything reach OpenGL.
root=${root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-winemenubuilder.exe,mscoree,mshtml=d}
export GALLIUM_DRIVER=softpipe
"$root/scripts/wine-prefix.sh" "$WINEPREFIX"

# A Windows path for a Linux one (drive Z: is the root).
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')"; }

# An X server of its own for this run, and on every exit the screenshot
# watcher, Wine, the sound capture and the X server stopped, the exit status
# kept.
shooter=""
capturer=""
start_display() {
  local display=:$((100 + RANDOM % 400))
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  trap stop_display EXIT
  sleep 2
  export DISPLAY=$display
}
stop_display() {
  local rc=$?
  # Each may find nothing left to stop; none may end the trap early.
  if [ -n "$shooter" ]; then kill "$shooter" 2>/dev/null || true; fi
  wineserver -k 2>/dev/null || true
  stop_sound
  kill "$xvfb" 2>/dev/null || true
  exit "$rc"
}

# screenshot_on REQUEST DONE PNG: once a program creates REQUEST, a picture
# of the whole screen goes to PNG and DONE tells the program so.
screenshot_on() {
  (
    while [ ! -e "$1" ]; do sleep 0.2; done
    sleep 1  # let the screen settle
    xwd -root -silent | convert xwd:- "$3" || true
    touch "$2"
  ) &
  shooter=$!
}

# start_sound TOOL CAPTURE.wav: Wine's default sound device becomes a card
# that plays in real time into CAPTURE.wav: ALSA's file plug-in writes 44.1 kHz
# 16-bit stereo into a named pipe, which TOOL (sound_capture) drains at that
# rate. ALSA reads only this configuration, nothing installed system-wide.
start_sound() {
  local dir
  dir=$(mktemp -d)
  mkfifo "$dir/pcm.fifo"
  cat >"$dir/asound.conf" <<EOF
pcm.!default {
  type asym
  playback.pcm {
    type plug
    slave {
      pcm { type file slave.pcm { type null } file "$dir/pcm.fifo" format "raw" }
      format S16_LE
      rate 44100
      channels 2
    }
  }
  capture.pcm { type null }
}
EOF
  "$1" record "$dir/pcm.fifo" "$2" &
  capturer=$!
  export ALSA_CONFIG_PATH=$dir/asound.conf
}
# Ends the capture and writes its file; Wine's programs have closed the device.
stop_sound() {
  if [ -n "$capturer" ]; then
    kill -TERM "$capturer" 2>/dev/null || true
    wait "$capturer" 2>/dev/null || true
    capturer=""
  fi
}
