#!/usr/bin/env bash
# run-wine-processors.sh NATIVE_SCENARIOS WIN32_DIST OUT_DIR
# The codec part of the Win32 test program against the real DLL under Wine
# on emulated processors, oldest first (QEMU_CPU; WINE_CPU_MODELS sets the
# list), each in a Wine session of its own, since Wine takes the processor's
# features from the session's first process. A kernel chosen beyond what a
# model has dies of an illegal instruction; every model's output must equal
# the native build's byte for byte.
set -euo pipefail
native=$1 dist=$(cd "$2" && pwd) out=$3
root=$(cd "$(dirname "$0")/.." && pwd)
suite=$(cd "$root/../shared/bmpsuite" && pwd)
models=${WINE_CPU_MODELS:-pentium2 pentium3 coreduo core2duo Nehalem Haswell}

rm -rf "$out"
mkdir -p "$out/native/codec"
"$native" "$suite" "$out/native/codec" >/dev/null

source "$root/scripts/wine-env.sh"
start_display
# Where Wine cannot show a window at all, the Wine tests are skipped (77).
if ! timeout 600 wine "$dist/tests/wine_smoke.exe" >/dev/null; then
  echo "Wine cannot show a window on this machine: skipped"
  exit 77
fi
wineserver -k 2>/dev/null || true
wineserver -w

failed=""
for model in $models; do
  mkdir -p "$out/$model"
  if QEMU_CPU=$model timeout 600 wine "$dist/tests/wine_tests.exe" "$(winpath "$dist")" \
    "$(winpath "$suite")" "$(winpath "$out/$model")" "$(winpath "$root/samples")" codec \
    >"$out/$model.log" 2>"$out/$model.err" &&
    diff -r "$out/native/codec" "$out/$model/codec" >"$out/$model.diff"; then
    echo "$model: $(tail -1 "$out/$model.log"), codec output identical"
  else
    # Exception 0xC000001D: an instruction the processor lacks.
    echo "$model: FAILED"
    tail -3 "$out/$model.log"
    head -5 "$out/$model.diff" 2>/dev/null || true
    failed="$failed $model"
  fi
  # qemu names the features of a model that its emulator leaves out (TSX):
  # not ours to report.
  grep -v "TCG doesn't support" "$out/$model.err" >&2 || true
  wineserver -k 2>/dev/null || true
  wineserver -w
done
[ -z "$failed" ] || { echo "failed on:$failed"; exit 1; }
