#!/usr/bin/env bash
# wine-prefix.sh PREFIX: makes a 32-bit Wine prefix if PREFIX has none yet.
# Under an old qemu the first start took minutes and the starting process
# could give up waiting ("could not load kernel32.dll") while the set-up went
# on, so the X server is kept alive and wineserver is waited for until the
# set-up ends.
set -uo pipefail
prefix=$1
ready() { [ -e "$prefix/drive_c/windows/system32/kernel32.dll" ]; }
# Settings of the prefix, written while no wineserver runs:
# - DirectDraw through GDI, not OpenGL (there is no GL device here);
# - every program in a virtual desktop of 1024x768, where DirectDraw can
#   switch display modes (plain Xvfb cannot) and programs still hand back
#   their exit status;
# - sound through ALSA, whose device the runners point at a capture.
settings() {
  grep -q '"Audio"="alsa"' "$prefix/user.reg" && return 0
  WINEPREFIX=$prefix wineserver -k 2>/dev/null || true
  printf '\n[Software\\\\Wine\\\\Drivers] 1765000000\n"Audio"="alsa"\n' >>"$prefix/user.reg"
  grep -q '"Default"="1024x768"' "$prefix/user.reg" && return 0
  printf '\n[Software\\\\Wine\\\\Direct3D] 1765000000\n"renderer"="no3d"\n' >>"$prefix/user.reg"
  printf '\n[Software\\\\Wine\\\\Explorer] 1765000000\n"Desktop"="Default"\n' >>"$prefix/user.reg"
  printf '\n[Software\\\\Wine\\\\Explorer\\\\Desktops] 1765000000\n"Default"="1024x768"\n' >>"$prefix/user.reg"
}
if ready; then
  settings
  exit 0
fi
export WINEPREFIX=$prefix WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe,mscoree,mshtml=d"
for attempt in 1 2; do
  rm -rf "$prefix"
  mkdir -p "$(dirname "$prefix")"
  display=:$((90 + attempt))
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  sleep 2
  echo "wine-prefix: creating $prefix (attempt $attempt; takes minutes under emulation)"
  DISPLAY=$display wineboot --init >/dev/null 2>&1
  DISPLAY=$display wineserver -w
  kill "$xvfb" 2>/dev/null
  wait "$xvfb" 2>/dev/null
  if ready; then
    settings
    echo "wine-prefix: ready"
    exit 0
  fi
done
echo "wine-prefix: could not create $prefix" >&2
exit 1
