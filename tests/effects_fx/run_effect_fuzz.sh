#!/usr/bin/env bash
# Runs the effect file fuzzer for a bounded time, built with libFuzzer, ASan
# and UBSan in the pack fuzzer's build folder and seeded with the sample
# game's effects; fails on the first crash, hang or sanitizer report.
#   tests/effects_fx/run_effect_fuzz.sh [SECONDS]    (default 30)
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-30}
build=${QM_FUZZ_BUILD_DIR:-$root/build-fs-fuzz}

cmake -S "$root" -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_SANITIZE=ON -DQM_FUZZ=ON -DQM_BUILD_BENCH=OFF \
  -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
if ! cmake --build "$build" -j"$(nproc)" --target fx_effect_fuzz sample_effects >"$build/fx-fuzz-build.log" 2>&1; then
  cat "$build/fx-fuzz-build.log" >&2
  exit 1
fi

corpus=$build/effect-fuzz-corpus
mkdir -p "$corpus"
"$build/sample/sample_effects" "$corpus"

cd "$build"
"$build/tests/effects_fx/fx_effect_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -max_len=65536 -print_final_stats=1 "$corpus"
