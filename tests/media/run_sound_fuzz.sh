#!/usr/bin/env bash
# The sound reader fuzzer for a bounded time, built like run_pack_fuzz.sh's
# and seeded by our writers:  tests/media/run_sound_fuzz.sh [SECONDS]
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-60}
build=${QM_FUZZ_BUILD_DIR:-$root/build-fs-fuzz}

cmake -S "$root" -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_SANITIZE=ON -DQM_FUZZ=ON -DQM_BUILD_BENCH=OFF \
  -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
cmake --build "$build" -j"$(nproc)" --target sound_reader_fuzz sound_fuzz_seed_writer >/dev/null
corpus=$build/sound-fuzz-corpus
mkdir -p "$corpus"
"$build/tests/media/sound_fuzz_seed_writer" "$corpus"
cd "$build"
"$build/tests/media/sound_reader_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -max_len=16384 -print_final_stats=1 "$corpus"
