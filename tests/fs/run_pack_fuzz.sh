#!/usr/bin/env bash
# Runs the pack fuzzer (parsing, lookup, listing and reading of any bytes as a
# pack) for a bounded time: builds it with clang's libFuzzer, ASan and UBSan in
# its own build folder, seeds it with small packs made by epk2tool, and fails
# on the first crash, hang or sanitizer report.
#   tests/fs/run_pack_fuzz.sh [SECONDS]    (default 60)
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-60}
build=${QM_FUZZ_BUILD_DIR:-$root/build-fs-fuzz}

cmake -S "$root" -B "$build" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_SANITIZE=ON -DQM_FUZZ=ON -DQM_BUILD_BENCH=OFF \
  -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
if ! cmake --build "$build" -j"$(nproc)" --target fs_pack_fuzz epk2tool >"$build/fuzz-build.log" 2>&1; then
  cat "$build/fuzz-build.log" >&2
  exit 1
fi

# Seeds: packs made with the all-zero key table the fuzz target installs.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
corpus=$build/pack-fuzz-corpus
mkdir -p "$corpus" "$work/tree/script/lib" "$work/tree/data/empty"
head -c 1024 /dev/zero > "$work/zero.keys"
printf 'local a = 1\r\nprint(a)\r\n' > "$work/tree/script/main.nut"
for i in $(seq 1 60); do printf 'unit %d moves to field %d\r\n' "$i" $((i * 7)); done > "$work/tree/script/lib/units.txt"
head -c 1500 /dev/urandom > "$work/tree/data/noise.bin"
printf 'x' > "$work/tree/readme.txt"
"$build/epk2tool" build --keys "$work/zero.keys" "$work/tree" "$corpus/seed-plain.dat"
"$build/epk2tool" build --keys "$work/zero.keys" --zlib '*' --row '1:script/*' --row '4:data/*' \
  "$work/tree" "$corpus/seed-packed.dat"

cd "$build"
"$build/tests/fs/fs_pack_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -max_len=65536 -print_final_stats=1 "$corpus"
