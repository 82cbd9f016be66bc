#!/usr/bin/env bash
# Every test, from a fresh machine: installs what the stages need (where
# missing), then runs each stage whatever the ones before gave: the normal
# build and its tests, the AddressSanitizer + UndefinedBehaviorSanitizer
# build and its tests, and a bounded run of every fuzz target from its seed
# corpus.  Ends with one line "N passed, N failed" over all stages; whatever
# failed or could not run is named on the lines before it.  Exit status 0
# only when nothing failed.
set -uo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
passed=0
failed=0
problems=()

fail() {  # count, what
  failed=$((failed + $1))
  problems+=("$2")
}

# The tests ctest lists under a heading of its summary, comma-separated.
listed() {  # heading, log
  awk -v heading="$1" '$0 == heading {f = 1; next}
    f && /^[[:space:]]+[0-9]+ - / {sub(/^[[:space:]]+[0-9]+ - /, ""); printf "%s%s", sep, $0; sep = ", "; next}
    {f = 0}' "$2"
}

# Runs ctest in a build tree and adds its counts; tests that did not run
# (skipped for a missing program) count as failed.
ctest_stage() {  # stage name, build directory
  local name=$1 log=$2/ctest-summary.log line total bad skipped
  ctest --test-dir "$2" --output-on-failure -j "$jobs" 2>&1 | tee "$log"
  line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$line" ]; then
    fail 1 "$name: ctest did not run"
    return
  fi
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
  bad=$(sed -E 's/.*, ([0-9]+) tests? failed.*/\1/' <<<"$line")
  skipped=$(listed "The following tests did not run:" "$log" | awk -F', ' '{print NF}')
  skipped=${skipped:-0}
  passed=$((passed + total - bad - skipped))
  [ "$bad" -gt 0 ] && fail "$bad" "$name: $bad failed: $(listed "The following tests FAILED:" "$log")"
  [ "$skipped" -gt 0 ] &&
    fail "$skipped" "$name: $skipped could not run: $(listed "The following tests did not run:" "$log")"
  return 0
}

build_stage() {  # stage name, build directory, cmake arguments...
  local name=$1 dir=$2
  shift 2
  echo "== $name =="
  if ! cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" || ! cmake --build "$dir" -j "$jobs"; then
    fail 1 "$name: the build failed, its tests could not run"
    return 1
  fi
}

echo "== set-up =="
bash tools/install-packages.sh tests || fail 1 "set-up: packages could not be installed"

if build_stage "normal build" build -DZEB_FIR_BUILD_TESTS=ON; then
  ctest_stage "normal build" build
  # Every test is named by what it checks, not by a byte dump of its parameter.
  if ctest --test-dir build -N | grep -q -- '-byte object'; then
    fail 1 "test names: some parameterised tests are named by byte dumps"
  else
    passed=$((passed + 1))
  fi
fi

if build_stage "sanitizer build (ASan + UBSan)" build-sanitize -DZEB_FIR_BUILD_TESTS=ON -DZEB_FIR_SANITIZE=ON \
    -DZEB_FIR_BUILD_BENCH=OFF; then
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest_stage "sanitizer build" build-sanitize
fi

# A fixed seed and run count make the fuzz stage repeatable; the time limit
# caps it on a slow machine.  ZEB_FUZZ_SCALE multiplies the runs.
fuzz_targets=(fuzz_arrays:100000 fuzz_config:12000 fuzz_stream:30000)
echo "== fuzz targets (libFuzzer, ASan + UBSan) =="
probe='extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }'
if ! command -v clang++ >/dev/null ||
    ! echo "$probe" | clang++ -x c++ -fsanitize=fuzzer -o /dev/null - 2>/dev/null; then
  fail ${#fuzz_targets[@]} "fuzz targets: could not run, clang++ with libFuzzer (-fsanitize=fuzzer) is not installed"
elif ! CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZEB_FIR_BUILD_FUZZ=ON \
       -DZEB_FIR_BUILD_TESTS=OFF -DZEB_FIR_BUILD_BENCH=OFF ||
    ! cmake --build build-fuzz -j "$jobs" --target fuzz_targets; then
  fail ${#fuzz_targets[@]} "fuzz targets: the build failed, they could not run"
else
  scale=${ZEB_FUZZ_SCALE:-1}
  for entry in "${fuzz_targets[@]}"; do
    target=${entry%%:*}
    runs=$((${entry##*:} * scale))
    work=build-fuzz/corpus-run/$target
    rm -rf "$work" && mkdir -p "$work"
    cp tests/fuzz/corpus/"$target"/* "$work"/
    echo "-- $target: $runs inputs from $(ls "$work" | wc -l) seeds"
    log=build-fuzz/$target.log
    if build-fuzz/tests/fuzz/"$target" -seed=1 -runs="$runs" -max_total_time=$((90 * scale)) -timeout=30 \
        -artifact_prefix=build-fuzz/"$target"- -print_final_stats=1 "$work" >"$log" 2>&1; then
      grep -E '^(Done|stat::peak_rss_mb)' "$log"
      passed=$((passed + 1))
    else
      tail -n 60 "$log"
      fail 1 "$target: failed; the input that did it is build-fuzz/$target-*, the whole log $log"
    fi
  done
fi

echo
for problem in "${problems[@]}"; do echo "$problem"; done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
