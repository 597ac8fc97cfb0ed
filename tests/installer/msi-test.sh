#!/usr/bin/env bash
# The installer under Wine: a silent per-machine install of the switching service, which runs
# from the next start of the system and applies a TCP/IP setting sent through its pipe; the
# installed programs started; an upgrade in place by a newer package that keeps the service; updates
# that keep the installer's preferences they are not given; and an uninstall that removes it,
# removes every file it put there and leaves the user's data file alone.
#   msi-test.sh MSI WXS WIXL PREFIX VERSION SMOKE_TEST SERVICE_CLIENT
# PREFIX is made anew; SMOKE_TEST is run on the installed desktop program before anything else
# has made a data file; SERVICE_CLIENT sends the installed service a TCP/IP apply as a standard
# user's program would (Wine's user is an administrator, whose programs write it themselves). Run it with a display (xvfb-run) for Windows' own platform plugin.
set -euo pipefail
msi=$1 wxs=$2 wixl=$3 version=$5 smoke_test=$6 service_client=$7
export WINEPREFIX=$4 WINEDEBUG=-all
next_version=$(awk -F. -v OFS=. '{ $NF += 1; print }' <<<"$version")
build=$(dirname "$msi")
work=$(mktemp -d)
trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
wineserver -k 2>/dev/null || true
rm -rf "$WINEPREFIX"
wineboot -i </dev/null >/dev/null 2>&1

fail() { echo "FAIL: $*" >&2; exit 1; }
program_files="$WINEPREFIX/drive_c/Program Files/Prolamo"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
# The service's state as "sc query" reports it (STOPPED, RUNNING), empty when it is not installed;
# waits up to 30 s for Expected (a service that starts with the system takes some seconds).
service_state() {
  local state=""
  for _ in $(seq 60); do
    # Through a file: piped straight on, sc's lines were sometimes lost.
    wine sc query ProlamoSwitching >"$work/sc.txt" 2>/dev/null || true
    state=$(tr -d '\r' <"$work/sc.txt" | awk '/STATE/ { print $4 }')
    [ "$state" = "$1" ] && break
    sleep 0.5
  done
  echo "$state"
}
# The package starts the service at once with sc, which under Wine fails with 1060 (the running
# services.exe does not know a service installed in the same run) and is ignored; the service
# also starts with the system: here every process of the prefix ends, and "wineboot -r" starts it.
restart_system() {
  wineserver -k 2>/dev/null || true
  wineserver -w
  wineboot -r </dev/null >/dev/null 2>&1 || fail "wineboot -r returned $?"
}
# The package made from the build's source with the version's last number raised by Step; prints its path.
newer_package() {
  local newer
  newer=$(awk -F. -v OFS=. -v step="$1" '{ $NF += step; print }' <<<"$version")
  sed "s/Version=\"$version\"/Version=\"$newer\"/" "$wxs" >"$work/$newer.wxs"
  (cd "$build" && "$wixl" -a x64 -o "$work/$newer.msi" "$work/$newer.wxs") >&2 || fail "wixl could not make $newer"
  echo "$work/$newer.msi"
}
policy_lines() { wine "$program_files/prolamo-cli.exe" policy | tr -d '\r'; }
installed_versions() {
  wine reg query "$uninstall_key" /s 2>/dev/null | tr -d '\r' |
    awk '/DisplayName.*REG_SZ.*Prolamo$/ { found = 1 } /^HKEY/ { found = 0 }
         found && /DisplayVersion/ { print $3 }'
}

wine msiexec /i "$msi" /qn 'MANAGEDRULES=\\srv\share\office.rules' || fail "msiexec /i returned $?"
for file in prolamo.exe prolamo-cli.exe prolamo-service.exe help/html/index.htm help/html/help.css \
  help/html/de/index.htm \
  policy/prolamo.admx policy/en-US/prolamo.adml; do
  [ -f "$program_files/$file" ] || fail "$file was not installed"
done
[ "$(installed_versions)" = "$version" ] || fail "installed programs list: '$(installed_versions)'"
echo "installed: $(installed_versions)"
state=$(service_state STOPPED)
[ "$state" = STOPPED ] || [ "$state" = RUNNING ] || fail "the switching service is not installed: '$state'"
echo "the switching service after the install: $state"
restart_system
[ "$(service_state RUNNING)" = RUNNING ] || fail "the switching service does not run: '$(service_state RUNNING)'"
wine reg query 'HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Prolamo' >/dev/null 2>&1 ||
  fail "the event source Prolamo is not registered"
answer=$(wine "$service_client" | tr -d '\r') || fail "the apply through the service's pipe failed: $answer"
grep -q "status: Applying TCP/IP settings..." <<<"$answer" || fail "the service did not apply: $answer"
echo "the switching service runs from the system's start and applied a TCP/IP setting through its pipe"

"$smoke_test" "$WINEPREFIX/drive_c/users" wine "$program_files/prolamo.exe" ||
  fail "the installed desktop program's smoke test failed"

help=$(wine "$program_files/prolamo-cli.exe" --help | tr -d '\r')
grep -q "prolamo-cli" <<<"$help" || fail "prolamo-cli.exe --help printed: $help"
wine "$program_files/prolamo-cli.exe" config add Installed >/dev/null || fail "prolamo-cli.exe config add failed"
data_file=$(find "$WINEPREFIX/drive_c/users" -path '*Orvenik/QVT/qvt.dfm' | head -n 1)
grep -q Installed "$data_file" || fail "the data file lacks the configuration"

# The installer's property is the preference; a machine policy set as Group Policy sets it names a
# managed file on a Wine drive, whose configuration every list shows, marked.
policies=$(policy_lines)
grep -q 'ManagedRules *\\\\srv\\share\\office.rules  (installer preference)' <<<"$policies" ||
  fail "prolamo-cli.exe policy printed: $policies"
grep -q 'ManagedConfigurations *(not set)  (default)' <<<"$policies" ||
  fail "a property not given is no preference: $policies"
managed="$(winepath -w "$work")\\office.txt"
wine "$program_files/prolamo-cli.exe" config export Installed "$managed" >/dev/null || fail "the export failed"
wine reg add 'HKLM\Software\Policies\Orvenik\Prolamo' /v ManagedConfigurations /t REG_SZ /d "$managed" /f \
  >/dev/null 2>&1 || fail "wine reg add failed"
listed=$(wine "$program_files/prolamo-cli.exe" list | tr -d '\r')
grep -q '^Installed  (Managed by your organisation)$' <<<"$listed" || fail "prolamo-cli.exe list printed: $listed"
wine reg delete 'HKLM\Software\Policies\Orvenik\Prolamo' /f >/dev/null 2>&1 || fail "wine reg delete failed"
echo "the installer's property and a machine policy reach prolamo-cli.exe"

# The session's end (a logoff, an update's restart) ends the running desktop program in order:
# what was made while it ran stays in the data file.
wine "$program_files/prolamo.exe" &
program=$!
for _ in $(seq 120); do
  [ -n "$(find "$WINEPREFIX/drive_c/users" -path '*Orvenik/QVT/prolamo.instance')" ] && break
  sleep 0.5
done
[ -n "$(find "$WINEPREFIX/drive_c/users" -path '*Orvenik/QVT/prolamo.instance')" ] ||
  fail "the desktop program did not start"
wine "$program_files/prolamo-cli.exe" config add "Before the end" >/dev/null || fail "config add beside it failed"
sleep 2
wineboot -e </dev/null >/dev/null 2>&1 || fail "wineboot -e returned $?"
for _ in $(seq 60); do kill -0 $program 2>/dev/null || break; sleep 0.5; done
if kill -0 $program 2>/dev/null; then kill $program; fail "the desktop program outlived the session"; fi
grep -q "Before the end" "$data_file" || fail "the data file lost the configuration made before the session ended"
grep -q Installed "$data_file" || fail "the data file lost its first configuration at the session's end"
echo "session ended; the data file kept both configurations"

# A newer package with the same UpgradeCode replaces the installed one in place.
next_msi=$(newer_package 1)
wine msiexec /i "$next_msi" /qn || fail "the upgrade returned $?"
[ "$(installed_versions)" = "$next_version" ] || fail "after the upgrade: '$(installed_versions)'"
[ -f "$program_files/prolamo.exe" ] || fail "the upgrade removed prolamo.exe"
state=$(service_state STOPPED)
[ "$state" = STOPPED ] || [ "$state" = RUNNING ] || fail "the upgrade removed the switching service: '$state'"
restart_system
[ "$(service_state RUNNING)" = RUNNING ] || fail "the upgraded switching service does not run"
echo "upgraded in place: $(installed_versions); the switching service runs"

# An update keeps the installer's preferences it is not given (a fleet's software distribution
# updates without them), takes the ones it is given, and clears one given as a single space.
policies=$(policy_lines)
grep -q 'ManagedRules *\\\\srv\\share\\office.rules  (installer preference)' <<<"$policies" ||
  fail "the upgrade without properties lost the preference: $policies"
latest_msi=$(newer_package 2)
wine msiexec /i "$latest_msi" /qn 'MANAGEDRULES=\\srv\share\new.rules' 'MANAGEDCONFIGURATIONS=C:\share\office.txt' ||
  fail "the upgrade with properties returned $?"
policies=$(policy_lines)
grep -q 'ManagedRules *\\\\srv\\share\\new.rules  (installer preference)' <<<"$policies" ||
  fail "the upgrade did not take the given value: $policies"
grep -q 'ManagedConfigurations *C:\\share\\office.txt  (installer preference)' <<<"$policies" ||
  fail "the upgrade did not take the given value: $policies"
# The space as an administrator types it in cmd: wine itself would quote an argument holding a space.
latest_msi=$(newer_package 3)
printf 'msiexec /i "%s" /qn MANAGEDRULES=" "\r\n' "$(winepath -w "$latest_msi")" >"$work/clear.bat"
wine cmd /c "$(winepath -w "$work/clear.bat")" >/dev/null || fail "the upgrade clearing a preference returned $?"
policies=$(policy_lines)
grep -q 'ManagedRules *(not set)  (default)' <<<"$policies" || fail "a single space did not clear: $policies"
grep -q 'ManagedConfigurations *C:\\share\\office.txt  (installer preference)' <<<"$policies" ||
  fail "clearing one preference lost the other: $policies"
echo "updates keep the installer's preferences not given, take the given ones and clear with a space"

# The installer's way to start the service at once, which Wine's msiexec cannot show.
wine sc stop ProlamoSwitching >/dev/null 2>&1 || true
[ "$(service_state STOPPED)" = STOPPED ] || fail "the switching service does not stop: '$(service_state STOPPED)'"
wine "$program_files/prolamo-service.exe" start || fail "prolamo-service.exe start returned $?"
[ "$(service_state RUNNING)" = RUNNING ] || fail "prolamo-service.exe start did not start it: '$(service_state RUNNING)'"
echo "prolamo-service.exe start started the installed service"

# Under Wine the package stops a running service but its folder then stays behind, empty; so the
# service is stopped first, and the uninstall has to remove it and everything else.
wine sc stop ProlamoSwitching >/dev/null 2>&1 || true
[ "$(service_state STOPPED)" = STOPPED ] || fail "the switching service does not stop: '$(service_state STOPPED)'"
wine msiexec /x "$latest_msi" /qn || fail "msiexec /x returned $?"
[ -z "$(service_state "")" ] || fail "the uninstall left the switching service: '$(service_state "")'"
[ ! -e "$program_files" ] || fail "left behind: $(find "$program_files")"
[ -z "$(installed_versions)" ] || fail "still in the installed programs list"
[ -f "$data_file" ] || fail "the uninstall removed the data file"
echo "uninstalled; data file kept: ${data_file#"$WINEPREFIX/"}"
