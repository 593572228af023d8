#!/usr/bin/env bash
# Every test: installs what is needed, builds both flavours, runs the native
# suites and the Wine scenarios, the suites again under AddressSanitizer and
# UndefinedBehaviorSanitizer, the plug-in and inbridge suites (where threads
# meet) under ThreadSanitizer, and the fuzzer for a bounded time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
fuzz_seconds=${FUZZ_SECONDS:-60}

"$root/scripts/setup-debian.sh"
"$root/scripts/build.sh"
# The Wine prefix takes minutes under emulation: made here, outside the
# Wine test's own time limit.
"$root/scripts/wine-prefix.sh" "$root/build/wineprefix"

echo "== native tests and Wine scenarios"
(cd "$root/build/linux" && ctest --output-on-failure -j"$jobs")

echo "== native tests under ASan and UBSan"
cmake -S "$root" -B "$root/build/asan" -DSANITIZE=address,undefined -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DDIST_DIR="$root/build/asan/dist" >/dev/null
cmake --build "$root/build/asan" -j"$jobs"
(cd "$root/build/asan" && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j"$jobs")

# Only the targets of those suites are built; a race fails its test.
echo "== plug-in and inbridge suites under ThreadSanitizer"
cmake -S "$root" -B "$root/build/tsan" -DSANITIZE=thread -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DDIST_DIR="$root/build/tsan/dist" >/dev/null
cmake --build "$root/build/tsan" -j"$jobs" --target inbridge_tests inbridge_output_missing_tests \
  inbridge_e2e_tests sound_tests in_wav_tests
(cd "$root/build/tsan" && TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ctest --output-on-failure -j"$jobs" -R '^(inbridge|sound|plugins)\.')

# Each fuzzer for a bounded time; a crash leaves its input in build/, and
# every crash becomes a file of a bad corpus that CTest replays.
echo "== fuzzing LoadBMP and in_wav's WAV parser, ${fuzz_seconds}s each"
CC=clang CXX=clang++ cmake -S "$root" -B "$root/build/fuzz" -DBUILD_FUZZERS=ON -DSANITIZE=address,undefined \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDIST_DIR="$root/build/fuzz/dist" >/dev/null
cmake --build "$root/build/fuzz" -j"$jobs" --target load_bmp_fuzzer wav_parser_fuzzer
for fuzzer in load_bmp wav_parser; do
  work=$(mktemp -d)
  "$root/build/fuzz/fuzz/${fuzzer}_fuzzer" -max_total_time="$fuzz_seconds" -max_len=8192 \
    -artifact_prefix="$root/build/fuzz-crash-$fuzzer-" "$work" "$root/fuzz/corpus/$fuzzer" 2>&1 | tail -3
  rm -rf "$work"
done
echo "fuzzing: no crash"
