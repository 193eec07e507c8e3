#!/usr/bin/env bash
# Runs one libFuzzer target for a bounded time, built with clang, ASan and UBSan
# in its own build folder and seeded by our own writers; fails on the first
# crash, hang or sanitizer report.
#   tests/fuzz/run_fuzz.sh pack|sound|effect [SECONDS]    (default 60)
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
kind=$1
seconds=${2:-60}
build=${QM_FUZZ_BUILD_DIR:-$root/build-fs-fuzz}
case $kind in
  pack) fuzzer=tests/fs/fs_pack_fuzz seeder=epk2tool max_len=65536 ;;
  sound) fuzzer=tests/media/sound_reader_fuzz seeder=sound_fuzz_seed_writer max_len=16384 ;;
  effect) fuzzer=tests/effects_fx/fx_effect_fuzz seeder=sample_effects max_len=65536 ;;
  *) echo "usage: $0 pack|sound|effect [SECONDS]" >&2; exit 2 ;;
esac

cmake -S "$root" -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_SANITIZE=ON -DQM_FUZZ=ON -DQM_BUILD_BENCH=OFF \
  -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
if ! cmake --build "$build" -j"$(nproc)" --target "$(basename $fuzzer)" $seeder >"$build/$kind-fuzz-build.log" 2>&1; then
  cat "$build/$kind-fuzz-build.log" >&2
  exit 1
fi

corpus=$build/$kind-fuzz-corpus
mkdir -p "$corpus"
case $kind in
  pack)  # packs made with the all-zero key table the fuzz target installs
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    mkdir -p "$work/tree/script/lib" "$work/tree/data/empty"
    head -c 1024 /dev/zero > "$work/zero.keys"
    printf 'local a = 1\r\nprint(a)\r\n' > "$work/tree/script/main.nut"
    for i in $(seq 1 60); do printf 'unit %d moves to field %d\r\n' "$i" $((i * 7)); done > "$work/tree/script/lib/units.txt"
    head -c 1500 /dev/urandom > "$work/tree/data/noise.bin"
    printf 'x' > "$work/tree/readme.txt"
    "$build/epk2tool" build --keys "$work/zero.keys" "$work/tree" "$corpus/seed-plain.dat"
    "$build/epk2tool" build --keys "$work/zero.keys" --zlib '*' --row '1:script/*' --row '4:data/*' \
      "$work/tree" "$corpus/seed-packed.dat" ;;
  sound) "$build/tests/media/sound_fuzz_seed_writer" "$corpus" ;;
  effect) "$build/sample/sample_effects" "$corpus" ;;
esac

cd "$build"
"$build/$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=$max_len \
  -print_final_stats=1 "$corpus"
