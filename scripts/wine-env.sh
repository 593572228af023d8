# Sourced by the scripts that run Win32 programs: the prefix, quiet Wine, no
# desktop-menu builder (minutes under emulation, of no use here), and Mesa's
# plain software renderer should anything reach OpenGL.
root=${root:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-winemenubuilder.exe,mscoree,mshtml=d}
export GALLIUM_DRIVER=softpipe
"$root/scripts/wine-prefix.sh" "$WINEPREFIX"
