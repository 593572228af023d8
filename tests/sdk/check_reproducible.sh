#!/usr/bin/env bash
# check_reproducible.sh SOURCE_ROOT ZIP: the release built again from the same
# sources, copied to another folder and built in another build folder, gives
# the same bytes in every file of the SDK zip (DLLs, import libraries, plug-ins,
# package files), and no file names either folder.
set -euo pipefail
root=$(cd "$1" && pwd)
zip=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
work=$(mktemp -d /tmp/reproducible.XXXXXX)
trap 'rm -rf "$work"' EXIT
src=$work/another/source
mkdir -p "$src"
if git -C "$root" rev-parse --git-dir >/dev/null 2>&1; then
  git -C "$root" ls-files -z --cached --others --exclude-standard |
    (cd "$root" && xargs -0 cp --parents -t "$src" 2>/dev/null || true)
else
  (cd "$root" && tar cf - --exclude=./build --exclude=./dist .) | tar xf - -C "$src"
fi
build=$work/elsewhere/build-win32
cmake -S "$src" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-i686.cmake" >/dev/null
cmake --build "$build" -j"$(nproc)" --target sdk >"$work/build.log" 2>&1 || { tail -30 "$work/build.log"; exit 1; }
again=$(ls "$src"/dist/dropin-sdk-*.zip)
[ "$(basename "$again")" = "$(basename "$zip")" ] || { echo "zip named $(basename "$again"), not $(basename "$zip")"; exit 1; }

mkdir "$work/first" "$work/second"
unzip -q "$zip" -d "$work/first"
unzip -q "$again" -d "$work/second"
status=0
if ! diff -r "$work/first" "$work/second"; then
  echo "the SDK built in $build differs from $zip"
  status=1
fi
for dir in "$root" "$src" "$build" "$(dirname "$zip")"; do
  if names=$(grep -rlF "$dir" "$work/first" "$work/second"); then
    echo "files that name $dir:"; echo "$names"; status=1
  fi
done
[ "$status" -eq 0 ] && echo "reproducible: $(find "$work/first" -type f | wc -l) files identical"
exit "$status"
