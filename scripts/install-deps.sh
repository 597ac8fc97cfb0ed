#!/usr/bin/env bash
# Installs the Debian 12 packages the build and the tests need; does nothing when all are present.
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config ccache dpkg-dev
  libsqlite3-dev libicu-dev nettle-dev  # nettle: SHA-256 of the history's contents
  tcl  # makes the SQLite amalgamation for Windows (scripts/build-sqlite-windows.sh)
  libgtest-dev libgmock-dev
  msitools wixl xvfb xauth
  appstream  # validates the installed metainfo
  clang libclang-rt-14-dev  # the sanitizer build and the fuzzers (.ci/sanitize, .ci/fuzz)
  clang-format  # the sources' format (scripts/format.sh)
  qt6-base-dev qt6-svg-dev libqt6svg6 qt6-tools-dev-tools
  qt6-tools-dev qt6-l10n-tools  # Qt's LinguistTools for CMake: lupdate and lrelease make the translations
  qt6-translations-l10n  # Qt's own texts in the program's languages, embedded beside its translations
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64 wine
  firefox-esr  # the Firefox proxy setting checked against the real Firefox (80 MB, 300 MB installed)
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
