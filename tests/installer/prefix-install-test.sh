#!/usr/bin/env bash
# The build installed as a user installs it on Linux, into a prefix of its own: the desktop program
# with prolamo-cli and the network shell beside it, its help, desktop entry, icon and AppStream
# metainfo. The installed desktop program starts; the installed prolamo-cli puts a changed TCP/IP
# address back, which it can only through the installed network shell.
#   prefix-install-test.sh BUILD SMOKE_TEST
set -euo pipefail
build=$1 smoke_test=$2
prefix=$(mktemp -d)
machine=$(mktemp -d)
trap 'rm -rf "$prefix" "$machine"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# cmake --install writes its manifest into the build; a user who may not (CI's unprivileged run)
# leaves this test to the build's owner.
[ -w "$build" ] || { echo "SKIP: $build is not writable by $(id -un)"; exit 77; }
cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install returned $?"
metainfo=share/metainfo/prolamo.metainfo.xml
for file in bin/prolamo bin/prolamo-cli bin/netsh share/prolamo/help/html/index.htm \
            share/prolamo/help/html/de/index.htm \
            share/applications/prolamo.desktop share/icons/hicolor/scalable/apps/prolamo.svg "$metainfo"; do
  [ -f "$prefix/$file" ] || fail "$file was not installed"
done
grep -q '<launchable type="desktop-id">prolamo.desktop</launchable>' "$prefix/$metainfo" ||
  fail "the metainfo does not launch prolamo.desktop"
command -v appstreamcli >/dev/null || fail "appstreamcli is missing (scripts/install-deps.sh installs it)"
# The desktop entry's id is "prolamo", older than reverse-DNS ids; that one remark is no failure.
appstreamcli validate --no-net --override=cid-desktopapp-is-not-rdns=info "$prefix/$metainfo" >/dev/null ||
  fail "appstreamcli rejects the metainfo: $(appstreamcli validate --no-net "$prefix/$metainfo")"

export PROLAMO_MACHINE=$machine
QT_QPA_PLATFORM=offscreen "$smoke_test" "$machine" "$prefix/bin/prolamo" >/dev/null ||
  fail "the installed desktop program's smoke test failed"

cli=$prefix/bin/prolamo-cli
"$cli" --help | grep -q "prolamo-cli" || fail "the installed prolamo-cli does not run"
"$cli" config add Network >/dev/null
"$cli" setting add Network "TCP/IP settings" >/dev/null
"$cli" profile add Network Home >/dev/null
"$cli" profile refresh Network Home >/dev/null
home=$("$cli" machine show)
"$prefix/bin/netsh" interface ip set address name=Wi-Fi source=static addr=10.0.0.5 mask=255.255.255.0 \
  gateway=10.0.0.1 >/dev/null || fail "the installed netsh returned $?"
[ "$("$cli" machine show)" != "$home" ] || fail "the installed netsh changed nothing"
applied=$("$cli" --yes profile apply Network Home) || fail "the apply failed: $applied"
[ "$("$cli" machine show)" = "$home" ] || fail "the apply did not put the address back: $applied"
echo "installed into a prefix; the installed prolamo-cli applies TCP/IP settings"
