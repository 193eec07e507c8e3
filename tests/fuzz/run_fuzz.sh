#!/usr/bin/env bash
# Builds one libFuzzer target with ASan and UBSan (clang), seeds its corpus with
# files our writers make, and fuzzes for a bounded time; fails on the first finding.
#   tests/fuzz/run_fuzz.sh pack|sound|effect|play [SECONDS]    (default 60)
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
target=${1:?usage: run_fuzz.sh pack|sound|effect|play [SECONDS]}
seconds=${2:-60}
build=${QM_FUZZ_BUILD_DIR:-$root/build-fs-fuzz}

# Seed packs, made with the all-zero key table the pack fuzzer installs.
seed_packs() {
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  mkdir -p "$work/tree/script/lib" "$work/tree/data/empty"
  head -c 1024 /dev/zero > "$work/zero.keys"
  printf 'local a = 1\r\nprint(a)\r\n' > "$work/tree/script/main.nut"
  for i in $(seq 1 60); do printf 'unit %d moves to field %d\r\n' "$i" $((i * 7)); done > "$work/tree/script/lib/units.txt"
  head -c 1500 /dev/urandom > "$work/tree/data/noise.bin"
  printf 'x' > "$work/tree/readme.txt"
  local tool=("$build/epk2tool" build --keys "$work/zero.keys")
  "${tool[@]}" "$work/tree" "$1/seed-plain.dat"
  "${tool[@]}" --zlib '*' --row '1:script/*' --row '4:data/*' "$work/tree" "$1/seed-packed.dat"
}

# Played effects: the sample game's and our writer's playable ones.
seed_played() { "$build/sample/sample_effects" "$1" && "$build/tests/effects_fx/fx_play_fuzz_seed_writer" "$1"; }

# Per target: the fuzzer, the seed makers built with it, the longest input tried, the seeding command.
case $target in
  pack) fuzzer=tests/fs/fs_pack_fuzz seeder=epk2tool max_len=65536 seed=seed_packs ;;
  sound) fuzzer=tests/media/sound_reader_fuzz seeder=sound_fuzz_seed_writer max_len=16384
    seed=$build/tests/media/sound_fuzz_seed_writer ;;
  effect) fuzzer=tests/effects_fx/fx_effect_fuzz seeder=sample_effects max_len=65536 seed=$build/sample/sample_effects ;;
  play) fuzzer=tests/effects_fx/fx_play_fuzz seeder="sample_effects fx_play_fuzz_seed_writer" max_len=65536 seed=seed_played ;;
  *) echo "run_fuzz.sh: unknown target \"$target\" (pack, sound, effect or play)" >&2; exit 2 ;;
esac

# QM_FUZZ_STEP=build only builds, =run only fuzzes: test.sh builds once, then fuzzes side by side.
step=${QM_FUZZ_STEP:-all}
if [[ $step != run ]]; then
  cmake -S "$root" -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_SANITIZE=ON -DQM_FUZZ=ON -DQM_BUILD_BENCH=OFF \
    -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
  log=$build/$target-fuzz-build.log
  cmake --build "$build" -j"$(nproc)" --target "$(basename "$fuzzer")" $seeder >"$log" 2>&1 || { cat "$log" >&2; exit 1; }
fi
[[ $step == build ]] && exit 0

corpus=$build/$target-fuzz-corpus
mkdir -p "$corpus"
"$seed" "$corpus"
cd "$build"
"$build/$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -max_len="$max_len" -print_final_stats=1 "$corpus"
