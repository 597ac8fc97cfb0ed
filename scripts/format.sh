#!/usr/bin/env bash
# Formats the project's C++ files with its .clang-format; with --check, changes nothing and fails
# on the first file that is not formatted, naming it.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=(-i)
if [[ ${1:-} == --check ]]; then
  mode=(--dry-run --Werror)
fi
git ls-files -z '*.cpp' '*.h' | xargs -0 -n 50 clang-format "${mode[@]}"
