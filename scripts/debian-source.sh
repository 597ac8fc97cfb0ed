# Sourced by the scripts that build a library for Windows from Debian's own source package.
# debian_source PACKAGE VERSION FOLDER: downloads the source package of exactly VERSION into
# FOLDER (apt checks it against the archive's signed index) and unpacks it into FOLDER/src.

debian_source() {
  local package=$1 version=$2 folder=$3 sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  # The source package needs a deb-src entry for the archive and suite the deb entry uses.
  if ! apt-get indextargets --format '$(CREATED_BY)' 2>/dev/null | grep -q '^Sources$'; then
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
      sed -n 's/^Types: deb$/Types: deb-src/p; /^URIs:/p; /^Suites:/p; /^Components:/p; /^Signed-By:/p; /^$/p' \
        /etc/apt/sources.list.d/debian.sources | $sudo tee /etc/apt/sources.list.d/prolamo-deb-src.sources >/dev/null
    else
      grep -h '^deb ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
        sed 's/^deb /deb-src /' | $sudo tee /etc/apt/sources.list.d/prolamo-deb-src.list >/dev/null
    fi
    $sudo apt-get update -q >&2
  fi
  rm -rf "$folder"
  mkdir -p "$folder"
  (cd "$folder" && apt-get source -q --download-only "$package=$version" >&2) ||
    fail "apt-get source $package=$version failed: is a deb-src entry for Debian 12 reachable?"
  (cd "$folder" && dpkg-source -x --no-check "${package}_"*.dsc src >&2) || fail "unpacking the $package source failed"
  local unpacked
  unpacked=$(cd "$folder/src" && dpkg-parsechangelog -S Version)
  [ "$unpacked" = "$version" ] || fail "source $package $unpacked does not match the host's $version"
}
