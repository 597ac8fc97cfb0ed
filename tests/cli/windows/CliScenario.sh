#!/usr/bin/env bash
# CliScenario.sh PREFIX CLI.exe: under Wine, prolamo-cli.exe captures the File, Hosts file,
# Internet Explorer proxy, Opera proxy and Environment variables settings from Wine's files and
# registry, the machine is changed, and applying the profile puts every one of them back.
set -euo pipefail
export WINEPREFIX=$1 WINEDEBUG=-all
exe=$2
cli() { wine "$exe" "$@" </dev/null; }
reg() { wine reg "$@" >/dev/null </dev/null; }
fail() { echo "FAILED: $*" >&2; exit 1; }

drive=$WINEPREFIX/drive_c
user=$(wine cmd /c 'echo %USERNAME%' </dev/null | tr -d '\r')
appdata=$drive/users/$user/AppData/Roaming
data=$appdata/Orvenik/QVT
hosts=$drive/windows/system32/drivers/etc/hosts
notes=$drive/users/$user/Documents/prolamo-notes.txt
opera=$appdata/Opera/Opera/profile/opera6.ini
internet='HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings'
environment='HKCU\Environment'
work=$(mktemp -d)
# The user's data folder is this test's only while it runs.
trap 'rm -rf "$work" "$data"' EXIT

rm -rf "$data"
mkdir -p "$(dirname "$notes")" "$(dirname "$opera")"
printf 'proxy=office\r\n' >"$notes"
printf '[User Prefs]\r\nHome URL=https://example.org/\r\n\r\n[Proxy]\r\nUse HTTP=1\r\nHTTP server=office:8080\r\n' >"$opera"
reg add "$internet" /v ProxyEnable /t REG_DWORD /d 1 /f
reg add "$internet" /v ProxyServer /t REG_SZ /d office:8080 /f
reg add "$environment" /v PROLAMO_SCENARIO /t REG_EXPAND_SZ /d '%USERPROFILE%\office' /f

cli config add Travel
cli setting add Travel File 'C:\users\'"$user"'\Documents\prolamo-notes.txt'
cli setting add Travel "Hosts file"
cli setting add Travel "Internet Explorer proxy"
cli setting add Travel "Opera proxy"
cli setting add Travel "Environment variables" PROLAMO_SCENARIO
cli profile add Travel Office
cli profile refresh Travel Office
cli list | grep -q "Office" || fail "the profile is not listed"
cp "$hosts" "$work/hosts"
cp "$notes" "$work/notes"

printf 'proxy=home\r\n' >"$notes"
printf '192.168.1.10 nas.home\r\n' >>"$hosts"
sed -i 's/^Use HTTP=1/Use HTTP=0/; /^HTTP server=/d' "$opera"
reg add "$internet" /v ProxyEnable /t REG_DWORD /d 0 /f
reg add "$internet" /v ProxyServer /t REG_SZ /d home:3128 /f
reg add "$environment" /v PROLAMO_SCENARIO /t REG_EXPAND_SZ /d '%TEMP%\home' /f

cli --yes profile apply Travel Office

cmp -s "$notes" "$work/notes" || fail "the file was not restored"
cmp -s "$hosts" "$work/hosts" || fail "the hosts file was not restored"
wine reg query "$internet" /v ProxyEnable </dev/null | grep -q 'REG_DWORD *0x1' || fail "ProxyEnable"
wine reg query "$internet" /v ProxyServer </dev/null | grep -q 'office:8080' || fail "ProxyServer"
wine reg query "$environment" /v PROLAMO_SCENARIO </dev/null | grep -qF 'REG_EXPAND_SZ    %USERPROFILE%\office' ||
  fail "the environment variable did not get its value back in its type"
tr -d '\r' <"$opera" | grep -qx 'Use HTTP=1' || fail "Opera's proxy switch"
tr -d '\r' <"$opera" | grep -qx 'HTTP server=office:8080' || fail "Opera's proxy server"
tr -d '\r' <"$opera" | grep -qx 'Home URL=https://example.org/' || fail "Opera's other sections"
echo "every setting was restored"
