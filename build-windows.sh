#!/usr/bin/env bash
# Cross-builds prolamo.exe, prolamo-cli.exe, the installer and the Windows tests with mingw-w64
# into build-windows. The first run also builds a static Qt for Windows into a cache folder
# (scripts/build-qt-windows.sh; 17 minutes on two quiet cores) and SQLite from Debian's source
# (scripts/build-sqlite-windows.sh; half a minute), later runs reuse them.
#   ./build-windows.sh          build
#   ./build-windows.sh --test   build, then run the tests under Wine (ends with ctest's summary)
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/install-deps.sh
source scripts/build-env.sh
start=$SECONDS
qt=$(bash scripts/build-qt-windows.sh)
echo "--- Qt for Windows ($qt): $((SECONDS - start)) s"
start=$SECONDS
sqlite=$(bash scripts/build-sqlite-windows.sh)
echo "--- SQLite for Windows ($sqlite): $((SECONDS - start)) s"
cmake -S . -B build-windows -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake -DPROLAMO_QT_WINDOWS="$qt" \
  -DSQLite3_INCLUDE_DIR="$sqlite/include" -DSQLite3_LIBRARY="$sqlite/lib/libsqlite3.a"
timed "Windows build" cmake --build build-windows -j2
if [ "${1:-}" = "--test" ]; then
  ctest --test-dir build-windows --output-on-failure -j2
fi
