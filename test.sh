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
echo "== pack fuzzing (bounded)"
tests/fuzz/run_fuzz.sh pack 60 2>&1 | tail -n 3
echo "== sound reader fuzzing (bounded)"
tests/fuzz/run_fuzz.sh sound 30 2>&1 | tail -n 3
echo "== effect file fuzzing (bounded)"
tests/fuzz/run_fuzz.sh effect 30 2>&1 | tail -n 3
build_and_test build-tsan tsan -DCMAKE_BUILD_TYPE=Debug -DQM_SANITIZE=thread -DQM_BUILD_BENCH=OFF
