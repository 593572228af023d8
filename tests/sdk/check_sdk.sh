#!/usr/bin/env bash
# check_sdk.sh SDK_DIR: the release folder holds what a Windows host needs;
# its README names the version; its headers compile as C and C++ natively and
# for Win32 (and stop a 64-bit build, and do without <stdint.h> where old
# Visual C++ has none), and so does the README's GetProcAddress pattern, warning-
# free; its import libraries, and one made again from the export list as its
# README says, name the decorated __stdcall symbols that link to the DLLs'
# undecorated exports; the plain export lists are the DLLs' export tables;
# every DLL and plug-in carries the release's version and a base of its own;
# the plug-ins are stripped; the example builds with its Makefile (the Wine
# scenarios run it from the zip); the zip holds the SDK, with SHA256SUMS beside it.
set -euo pipefail
sdk=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
fail=0
problem() { echo "$1"; fail=1; }
version=$(sed -n 's/^#define DROPIN_VERSION_STRING "\(.*\)"/\1/p' "$sdk/include/dropin_common.h")
[ -n "$version" ] || problem "no DROPIN_VERSION_STRING in include/dropin_common.h"

for f in README.md LICENSE CHANGELOG.md include/dropin_common.h include/winamp/plugin.h \
  lib/cmake/dropin/dropin-config.cmake lib/cmake/dropin/dropin-config-version.cmake \
  lib/cmake/dropin/dropin-targets.cmake cmake/mingw-i686.cmake examples/host.c examples/Makefile \
  examples/CMakeLists.txt examples/picture.bmp examples/sound.wav plugins/out_wave.dll \
  plugins/in_wav.dll plugins/RUNTIME-NOTICES.txt; do
  [ -s "$sdk/$f" ] || problem "missing: $f"
done
grep -q "## $version " "$sdk/CHANGELOG.md" || problem "CHANGELOG.md has no entry for $version"
head -1 "$sdk/README.md" | grep -qF "version $version" || problem "README.md does not name version $version"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bases=""
for lib in imgcodec2 inbridge blitkit; do
  for f in bin/$lib.dll lib/$lib.def lib/$lib-stdcall.def lib/lib$lib.a include/$lib.h docs/$lib.md; do
    [ -s "$sdk/$f" ] || problem "missing: $f"
  done
  dump=$(i686-w64-mingw32-objdump -p "$sdk/bin/$lib.dll")
  table=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" | awk '/^\t\[ *[0-9]+\]/ {print $NF}' | sort)
  listed=$(sed -n '/^EXPORTS/,$p' "$sdk/lib/$lib.def" | tail -n +2 | awk 'NF {print $1}' | sort)
  [ "$table" = "$listed" ] || problem "lib/$lib.def is not the export table of $lib.dll"
  bases+="$(awk '/^ImageBase/ {print $2}' <<<"$dump")"$'\n'
done
for plugin in out_wave in_wav; do
  dump=$(i686-w64-mingw32-objdump -h -t "$sdk/plugins/$plugin.dll")
  grep -q '\.debug_' <<<"$dump" && problem "plugins/$plugin.dll carries debugging information"
  grep -q '^\[ *[0-9]*\](sec' <<<"$dump" && problem "plugins/$plugin.dll carries a symbol table"
  bases+="$(i686-w64-mingw32-objdump -p "$sdk/plugins/$plugin.dll" | awk '/^ImageBase/ {print $2}')"$'\n'
done
[ "$(sort -u <<<"$bases" | grep -c .)" -eq 5 ] || problem "two DLLs or plug-ins share a preferred base address"

# The version resources, read as the UTF-16 strings they are.
for dll in bin/imgcodec2.dll bin/inbridge.dll bin/blitkit.dll plugins/out_wave.dll plugins/in_wav.dll; do
  strings=$(strings -el "$sdk/$dll")
  for key in FileVersion ProductVersion; do
    [ "$(grep -A1 -x "$key" <<<"$strings" | tail -1)" = "$version" ] || problem "$dll: $key is not $version"
  done
  [ "$(grep -A1 -x OriginalFilename <<<"$strings" | tail -1)" = "$(basename "$dll")" ] ||
    problem "$dll: no OriginalFilename of its own"
  grep -A1 -x FileDescription <<<"$strings" | tail -1 | grep -q . || problem "$dll: no FileDescription"
done

for cc in gcc g++ i686-w64-mingw32-gcc i686-w64-mingw32-g++; do
  lang=c
  case $cc in *++) lang=c++ ;; esac
  std=-std=c99
  [ "$lang" = c++ ] && std=-std=c++17
  if ! $cc -x "$lang" $std -Wall -Wextra -Werror -pedantic -I"$sdk/include" -c "$here/headers.c" -o "$work/h.o"; then
    problem "headers do not compile with $cc ($lang)"
  fi
done
if gcc -x c -D_WIN64 -I"$sdk/include" -fsyntax-only "$here/headers.c" 2>"$work/win64.txt" ||
  ! grep -q "32-bit DLLs" "$work/win64.txt"; then
  problem "a 64-bit Windows build is not stopped with a clear message"
fi
mkdir "$work/nostdint"
echo '#error "stdint.h is not there"' >"$work/nostdint/stdint.h"
gcc -x c -std=c99 -Wall -Werror -D_MSC_VER=1500 -D__int32=int -I"$work/nostdint" -I"$sdk/include" \
  -fsyntax-only "$here/headers.c" || problem "the headers need <stdint.h> under Visual C++ 2008"

# A C host linked against the MinGW import libraries alone, and against ones
# made again from the decorated export lists as README.md says.
for how in shipped remade; do
  libdir=$sdk/lib
  if [ "$how" = remade ]; then
    libdir=$work/remade
    mkdir -p "$libdir"
    for lib in imgcodec2 inbridge blitkit; do
      i686-w64-mingw32-dlltool -d "$sdk/lib/$lib-stdcall.def" -D $lib.dll -k -l "$libdir/lib$lib.a"
    done
  fi
  if i686-w64-mingw32-gcc -std=c99 -Wall -Wextra -Werror -I"$sdk/include" "$here/headers.c" -o "$work/h.exe" \
    -L"$libdir" -limgcodec2 -linbridge -lblitkit; then
    dump=$(i686-w64-mingw32-objdump -p "$work/h.exe")
    for name in LoadBMP InitXPlug DDInit PutPixel8_safe; do
      grep -qE "^\s+[0-9a-f]+\s+[0-9]+\s+$name$" <<<"$dump" || problem "$how import libraries: $name not imported by name"
    done
  else
    problem "a host does not link against the $how lib*.a"
  fi
done
# The example built in a copy of the kit with its Makefile as it stands (it is
# run from the zip by the Wine scenarios, which a machine without Wine skips).
cp -r "$sdk" "$work/kit"
if make -s -C "$work/kit/examples" >"$work/make.txt" 2>&1; then
  [ -s "$work/kit/examples/build/host.exe" ] || problem "examples/Makefile made no build/host.exe"
else
  problem "examples/Makefile fails: $(tail -3 "$work/make.txt")"
fi
# The MSVC-style import libraries, where they were made.
nm=$(command -v llvm-nm || command -v llvm-nm-14 || true)
for lib in imgcodec2 inbridge blitkit; do
  [ -e "$sdk/lib/$lib.lib" ] || continue
  symbols=$("$nm" "$sdk/lib/$lib.lib")
  for name in $(sed -n 's/^  \([A-Za-z_0-9]*@[0-9]*\).*/\1/p' "$sdk/lib/$lib-stdcall.def"); do
    grep -q " T _$name\$" <<<"$symbols" || problem "$lib.lib lacks _$name"
  done
done

# The README's GetProcAddress pattern, as written, warning-free in C and C++.
snippet=$("$here/readme_commands.sh" "$sdk/README.md" getprocaddress)
{
  echo '#include <windows.h>'
  echo '#include "blitkit.h"'
  echo '#include "imgcodec2.h"'
  echo '#include "inbridge.h"'
  echo 'int main(void) {'
  echo "$snippet"
  echo '  return load == 0;'
  echo '}'
} >"$work/getproc.c"
for cc in i686-w64-mingw32-gcc i686-w64-mingw32-g++; do
  lang=c
  case $cc in *++) lang=c++ ;; esac
  $cc -x $lang -Wall -Wextra -Werror -I"$sdk/include" -c "$work/getproc.c" -o "$work/getproc.o" ||
    problem "README's GetProcAddress pattern does not compile warning-free with $cc"
done

# The zip, named with the version, holding the same files.
zip=$(dirname "$sdk")/dropin-sdk-$version.zip
if [ -s "$zip" ]; then
  (cd "$sdk" && find . -type f | sed 's|^\./||' | sort) >"$work/files.txt"
  unzip -Z1 "$zip" | grep -v '/$' | sed "s|^dropin-sdk-$version/||" | sort >"$work/zipped.txt"
  diff "$work/files.txt" "$work/zipped.txt" >/dev/null || problem "$(basename "$zip") does not hold the SDK as it is"
  (cd "$(dirname "$zip")" && sha256sum --quiet -c SHA256SUMS) || problem "SHA256SUMS does not match $(basename "$zip")"
else
  problem "missing: $(basename "$zip")"
fi
[ "$fail" -eq 0 ] && echo "sdk $version: complete, headers compile, import libraries link"
exit "$fail"
