#!/usr/bin/env bash
# CliUnicode.sh PREFIX CLI.exe: under Wine, names and a File path outside the ANSI code page reach
# prolamo-cli.exe whole: they are stored as UTF-8, listed back, and the file they name is the one
# captured and applied.
set -euo pipefail
export WINEPREFIX=$1 WINEDEBUG=-all LC_ALL=C.UTF-8
exe=$2
cli() { wine "$exe" "$@" </dev/null; }
fail() { echo "FAILED: $*" >&2; exit 1; }

drive=$WINEPREFIX/drive_c
user=$(wine cmd /c 'echo %USERNAME%' </dev/null | tr -d '\r')
data=$drive/users/$user/AppData/Roaming/Orvenik/QVT
folder=$drive/users/$user/Documents/José
file=$folder/Київ.txt
config='Café Київ'
profile='東京'

rm -rf "$data" "$folder"
# The user's data folder is this test's only while it runs.
trap 'rm -rf "$data" "$folder"' EXIT
mkdir -p "$folder"
printf 'proxy=office\r\n' >"$file"

cli config add "$config"
cli setting add "$config" File 'C:\users\'"$user"'\Documents\José\Київ.txt'
cli profile add "$config" "$profile"
cli profile refresh "$config" "$profile"

listed=$(cli list | tr -d '\r')
grep -qxF "$config" <<<"$listed" || fail "the configuration is listed as: $listed"
grep -qxF "    $profile" <<<"$listed" || fail "the profile is listed as: $listed"
grep -qxF '    File (C:\users\'"$user"'\Documents\José\Київ.txt)' <<<"$listed" ||
  fail "the File setting is listed as: $listed"
grep -qF "$config" "$data/qvt.dfm" || fail "the data file does not hold the name in UTF-8"
grep -qF 'C:\users\'"$user"'\Documents\José\Київ.txt' "$data/qvt.dfm" || fail "the data file does not hold the path"
shown=$(cli profile show "$config" "$profile" | tr -d '\r')
grep -qF 'proxy=office' <<<"$shown" || fail "the file's content was not captured: $shown"

printf 'proxy=home\r\n' >"$file"
cli --yes profile apply "$config" "$profile" >/dev/null
[ "$(cat "$file")" = $'proxy=office\r' ] || fail "the file named by the path was not restored"
echo "names and paths came through whole"
