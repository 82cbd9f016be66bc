#!/usr/bin/env bash
# Builds the library twice, normally and with AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs the whole test suite in both builds;
# then, where clang's libFuzzer is available, runs every fuzz target for a
# bounded number of inputs from its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

echo "== normal build =="
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== sanitizer build (ASan + UBSan) =="
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEB_FIR_SANITIZE=ON -DZEB_FIR_BUILD_BENCH=OFF
cmake --build build-sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-sanitize --output-on-failure -j "$jobs"

echo "== fuzz targets (libFuzzer, ASan + UBSan) =="
probe='extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }'
if ! command -v clang++ >/dev/null || ! echo "$probe" | clang++ -x c++ -fsanitize=fuzzer -o /dev/null - 2>/dev/null; then
  echo "fuzz stage skipped: clang++ with libFuzzer (-fsanitize=fuzzer) is not installed"
  exit 0
fi
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEB_FIR_BUILD_FUZZ=ON \
  -DZEB_FIR_BUILD_TESTS=OFF -DZEB_FIR_BUILD_BENCH=OFF
cmake --build build-fuzz -j "$jobs" --target fuzz_targets
# A fixed seed and run count make the stage repeatable; the time limit caps
# it on a slow machine.  ZEB_FUZZ_SCALE multiplies the runs for a longer hunt.
scale=${ZEB_FUZZ_SCALE:-1}
for entry in fuzz_arrays:100000 fuzz_config:12000 fuzz_stream:30000; do
  target=${entry%%:*}
  runs=$((${entry##*:} * scale))
  work=build-fuzz/corpus-run/$target
  rm -rf "$work" && mkdir -p "$work"
  cp tests/fuzz/corpus/"$target"/* "$work"/
  echo "-- $target: $runs inputs from $(ls "$work" | wc -l) seeds"
  log=build-fuzz/$target.log
  if ! build-fuzz/tests/fuzz/"$target" -seed=1 -runs="$runs" -max_total_time=$((90 * scale)) -timeout=30 \
      -artifact_prefix=build-fuzz/"$target"- -print_final_stats=1 "$work" >"$log" 2>&1; then
    tail -n 60 "$log"
    echo "$target failed: the input that did it is build-fuzz/$target-*, the whole log $log"
    exit 1
  fi
  grep -E '^(Done|stat::peak_rss_mb)' "$log"
done
