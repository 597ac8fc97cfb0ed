#!/usr/bin/env bash
# Installs what is missing, builds Prolamo and starts the desktop program.
set -euo pipefail
cd "$(dirname "$0")"
bash scripts/install-deps.sh
source scripts/build-env.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j2 --target prolamo
exec build/bin/prolamo
