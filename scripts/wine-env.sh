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
# watcher, Wine and the X server stopped, the exit status kept.
shooter=""
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
