#!/usr/bin/env bash
# Cross-builds prolamo-cli.exe and the Windows tests with mingw-w64 into build-windows.
#   ./build-windows.sh          build
#   ./build-windows.sh --test   build, then run the tests under Wine (ends with ctest's summary)
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/install-deps.sh
cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake
cmake --build build-windows -j2
if [ "${1:-}" = "--test" ]; then
  ctest --test-dir build-windows --output-on-failure -j2
fi
