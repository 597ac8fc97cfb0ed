#!/usr/bin/env bash
# Starts the desktop program on a fresh machine, reads its main window's object tree, lets it
# close as the user would, and checks the window's seeded-state enabling and that it wrote nothing.
#   smoke-test.sh DATA_ROOT COMMAND...
# DATA_ROOT is the folder below which the program's data file must appear (the simulated
# machine's folder, or the Wine prefix); COMMAND starts the program.
set -euo pipefail
data_root=$1
shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; [ -f "$work/report.txt" ] && cat "$work/report.txt" >&2; exit 1; }

# A relative name, so that a program under Wine writes it into the same folder.
(cd "$work" && PROLAMO_WINDOW_REPORT=report.txt timeout 120 "$@") || fail "the program ended with $?"
[ -s "$work/report.txt" ] || fail "the program wrote no window report"

# The first line matching, or nothing: a missing line is reported by the check that wanted it.
line() { grep -E "$1" "$work/report.txt" | head -n 1 || true; }
main=$(line '^prolamo::TfrmMain frmMain ')
[[ $main == *" visible enabled "* ]] || fail "the main window was not shown: $main"
echo "main window: ${main#prolamo::TfrmMain frmMain }"
# No configuration yet: only a new configuration can be made, or one imported, as the welcome says.
for expected in 'QComboBox cmbConfigurations visible disabled' 'QComboBox cmbProfiles hidden disabled' \
                'QToolButton tbnNewConfiguration visible enabled' 'QToolButton btnEditConfiguration visible disabled' \
                'QToolButton btnProfileNew hidden disabled' 'QToolButton btnApplyProfile hidden disabled' \
                'QToolButton btnProfileRefresh hidden disabled' 'QAction miConfigAdd visible enabled' \
                'QPushButton btnWelcomeNew visible enabled .*"&New configuration"' \
                'QPushButton btnWelcomeImport visible enabled .*"&Import configurations\.\.\."' \
                'QPushButton btnCancel visible enabled'; do
  [ -n "$(line "^ *$expected")" ] || fail "no line '$expected'"
done
# Screen readers: an icon-only button is called by its action, a combo box by its label.
for expected in 'QToolButton tbnNewConfiguration .* name="New configuration"' \
                'QComboBox cmbProfiles .* name="Configuration profile \(e\.g\. "Network settings at home"\)"'; do
  [ -n "$(line "^ *$expected")" ] || fail "no line '$expected'"
done
widgets=$(grep -c . "$work/report.txt")
echo "$widgets widgets and actions in the main window"

# Nothing was changed, so nothing was written; and nothing is left beside the data file.
data_files=$(find "$data_root" -name qvt.dfm -path '*Orvenik*QVT*' | wc -l)
[ "$data_files" -eq 0 ] || fail "a data file was written although nothing changed"
leftovers=$(find "$data_root" -path '*Orvenik*QVT*' \( -name '*.new*' -o -name prolamo.instance \) | wc -l)
[ "$leftovers" -eq 0 ] || fail "files left beside the data file: $(find "$data_root" -path '*Orvenik*QVT*')"
echo "no data file written, nothing left beside it"
