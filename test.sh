#!/usr/bin/env bash
# Builds everything and runs every test: the normal build, then the parsers,
# containers and everything else again under AddressSanitizer and
# UndefinedBehaviorSanitizer, then the threaded parts under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")"

./tools/setup-deps.sh

jobs=$(nproc)
export CTEST_OUTPUT_ON_FAILURE=1

# Drops the progress lines but not the build's status: a target that fails to
# compile fails the run even when no test uses it.
quiet_build() {
  grep -Ev '^\[|^-- |Built target|Scanning|Consolidate' || true
}

build_and_test() {
  local dir=$1; shift
  local label=$1; shift
  echo "== $dir"
  cmake -S . -B "$dir" "$@" >/dev/null
  if [[ -n "$label" ]]; then
    cmake --build "$dir" -j"$jobs" --target "$label" 2>&1 | quiet_build
    (cd "$dir" && ctest -j"$jobs" -L "$label")
  else
    cmake --build "$dir" -j"$jobs" 2>&1 | quiet_build
    (cd "$dir" && ctest -j"$jobs")
  fi
}

build_and_test build "" -DCMAKE_BUILD_TYPE=RelWithDebInfo
build_and_test build-asan "" -DCMAKE_BUILD_TYPE=Debug -DQM_SANITIZE=address -DQM_BUILD_BENCH=OFF
echo "== fuzzing the pack, sound and effect readers and effect playback (bounded, side by side)"
# The fuzz folder is built once first; then the four fuzzers share the cores.
fuzz_targets=(pack sound effect play)
for target in "${fuzz_targets[@]}"; do QM_FUZZ_STEP=build tests/fuzz/run_fuzz.sh "$target"; done
declare -A fuzz_seconds=([pack]=45 [sound]=30 [effect]=30 [play]=45) fuzz_pids=()
for target in "${fuzz_targets[@]}"; do
  QM_FUZZ_STEP=run tests/fuzz/run_fuzz.sh "$target" "${fuzz_seconds[$target]}" > "build-fs-fuzz/$target-fuzz.log" 2>&1 &
  fuzz_pids[$target]=$!
done
fuzz_failed=0
for target in "${fuzz_targets[@]}"; do
  wait "${fuzz_pids[$target]}" || { fuzz_failed=1; cat "build-fs-fuzz/$target-fuzz.log"; }
  echo "-- $target"; tail -n 3 "build-fs-fuzz/$target-fuzz.log"
done
[[ $fuzz_failed -eq 0 ]]
build_and_test build-tsan tsan -DCMAKE_BUILD_TYPE=Debug -DQM_SANITIZE=thread -DQM_BUILD_BENCH=OFF
