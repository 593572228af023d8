#!/usr/bin/env bash
# readme_commands.sh README NAME: the lines of the fenced block that follows
# the marker <!-- NAME --> in README (a command block, or a code snippet), so
# that tests run what the README tells its readers, as written.
set -euo pipefail
awk -v marker="<!-- $2 -->" '
  $0 == marker { found = 1; next }
  found && /^ *```/ { if (inside) exit; inside = 1; next }
  inside { sub(/^  /, ""); print }
' "$1" | grep . || { echo "readme_commands.sh: no block <!-- $2 --> in $1" >&2; exit 1; }
