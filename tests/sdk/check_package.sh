#!/usr/bin/env bash
# check_package.sh SDK_DIR: find_package(dropin) as hosts' toolchains meet it.
# Each row configures a one-line project and reads back which import library
# dropin::imgcodec2 links, or the reason the package gives for refusing.
# Toolchains of the MSVC ABI are configured without linking (there is no
# Windows SDK here), which is all the package's choice depends on.
set -uo pipefail
sdk=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir "$work/plain" "$work/hinted" "$work/no-language"
probe='file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/implib.txt CONTENT "$<TARGET_LINKER_FILE:dropin::imgcodec2>")'
printf 'cmake_minimum_required(VERSION 3.16)\nproject(probe C)\nfind_package(dropin 1 REQUIRED)\n%s\n' \
  "$probe" >"$work/plain/CMakeLists.txt"
printf 'cmake_minimum_required(VERSION 3.16)\nproject(probe C)\nfind_package(dropin 1 REQUIRED PATHS %s CMAKE_FIND_ROOT_PATH_BOTH)\n%s\n' \
  "$sdk" "$probe" >"$work/hinted/CMakeLists.txt"
printf 'cmake_minimum_required(VERSION 3.16)\nproject(probe NONE)\nfind_package(dropin 1 REQUIRED PATHS %s)\n' \
  "$sdk" >"$work/no-language/CMakeLists.txt"
# A cross toolchain of the usual kind, which searches its own root only.
cat >"$work/own-toolchain.cmake" <<'TC'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
TC
msvc_abi=(-DCMAKE_SYSTEM_NAME=Windows -DCMAKE_TRY_COMPILE_TARGET_TYPE=STATIC_LIBRARY)

fail=0
# row NAME PROJECT EXPECTED CMAKE-ARGS...: EXPECTED is the import library's
# path within the SDK, or "refused: PATTERN" for a refusal whose reason
# matches the shell pattern.
row() {
  local name=$1 project=$2 expected=$3
  shift 3
  local build=$work/build-$name got
  cmake -S "$work/$project" -B "$build" "$@" >"$build.log" 2>&1
  if [ -s "$build/implib.txt" ]; then
    got=$(cat "$build/implib.txt")
    got=${got#"$sdk"/}
  else
    got="refused: $(tr -s ' \n' ' ' <"$build.log" |
      sed -n 's/.*Reason given by package: *\(.*\) -- Configuring incomplete.*/\1/p')"
  fi
  # shellcheck disable=SC2254
  case "$got" in
  $expected) echo "ok   $name: $got" ;;
  *) echo "FAIL $name: expected $expected, got $got"; tail -20 "$build.log"; fail=1 ;;
  esac
}

row mingw-kit-toolchain plain lib/libimgcodec2.a -DCMAKE_TOOLCHAIN_FILE="$sdk/cmake/mingw-i686.cmake"
row mingw-own-toolchain hinted lib/libimgcodec2.a -DCMAKE_TOOLCHAIN_FILE="$work/own-toolchain.cmake"
row clang-msvc-target plain lib/imgcodec2.lib "${msvc_abi[@]}" -DCMAKE_C_COMPILER=clang \
  -DCMAKE_C_COMPILER_TARGET=i686-pc-windows-msvc -DCMAKE_PREFIX_PATH="$sdk"
row clang-cl plain lib/imgcodec2.lib "${msvc_abi[@]}" -DCMAKE_C_COMPILER=clang-cl-14 \
  -DCMAKE_C_FLAGS=--target=i686-pc-windows-msvc -DCMAKE_AR=/usr/lib/llvm-14/bin/llvm-lib \
  -DCMAKE_LINKER=lld-link-14 -DCMAKE_MT=/bin/true -DCMAKE_PREFIX_PATH="$sdk"
row windows-x64 plain "refused: *32-bit x86 Windows DLLs, but this build targets Windows x64 (64-bit)*" \
  "${msvc_abi[@]}" -DCMAKE_C_COMPILER=clang -DCMAKE_C_COMPILER_TARGET=x86_64-pc-windows-msvc \
  -DCMAKE_PREFIX_PATH="$sdk"
row gcc64-under-i686 hinted "refused: *but this build targets Windows x64 (64-bit)*" \
  "${msvc_abi[@]}" -DCMAKE_SYSTEM_PROCESSOR=i686 -DCMAKE_C_COMPILER=clang \
  -DCMAKE_C_COMPILER_TARGET=x86_64-w64-windows-gnu
row no-language no-language "refused: *enable C or C++*before find_package(dropin).*" \
  -DCMAKE_TOOLCHAIN_FILE="$sdk/cmake/mingw-i686.cmake"
row linux-native plain "refused: *32-bit x86 Windows DLLs, but this build targets Linux x86_64 (64-bit)*" \
  -DCMAKE_PREFIX_PATH="$sdk"
exit "$fail"
