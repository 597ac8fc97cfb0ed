#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test; ends with ctest's summary.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/install-deps.sh
source scripts/build-env.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPROLAMO_WARNINGS_AS_ERRORS=ON
timed "native build" cmake --build build -j2
timed "native tests" env QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j2
# The Windows cross build and its tests under Wine.
bash build-windows.sh --test
