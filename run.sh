#!/usr/bin/env bash
# Builds the game, the tools that make its sample pack and the pack, then runs the game from the sample's
# folder. Tests and benchmarks are left to ./test.sh. QM_JOBS sets the build jobs (default: one per core).
set -euo pipefail
cd "$(dirname "$0")"

./tools/setup-deps.sh
jobs=${QM_JOBS:-$(nproc)}
echo "== configuring build/"
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
echo "== building the game and its sample pack with $jobs jobs"
# CMake's own lines show the progress ("[ 42%] Building CXX object ...").
cmake --build build -j"$jobs" --target quillmoor sample_pack
echo "== starting the game"
cd build/sample
exec ../quillmoor
