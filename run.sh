#!/usr/bin/env bash
# Builds the game and its sample pack, then runs it from the sample's folder.
set -euo pipefail
cd "$(dirname "$0")"

./tools/setup-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" 2>&1 | grep -Ev '^\[|^-- |Built target|Scanning|Consolidate' || true
# The game and its pack must be there whatever else failed to build.
cmake --build build -j"$(nproc)" --target quillmoor sample_pack >/dev/null
cd build/sample
exec ../quillmoor
