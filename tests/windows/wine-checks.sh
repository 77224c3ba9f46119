#!/usr/bin/env bash
# Checks the cross-built kavron.exe under Wine as a Windows user would meet it: every whole-run
# case byte for byte (console, exit status, files; an existing listing is never overwritten), and
# file names typed with Czech letters in the console's code page 852 that name the files by their
# Unicode names.
#   tests/windows/wine-checks.sh build-windows/kavron.exe
set -euo pipefail
cd "$(dirname "$0")/../.."
exe=$(pwd)/$1
export WINEDEBUG=-all
# A Wine prefix of its own, beside the program (made on the first start, about 10 s).
export WINEPREFIX=${WINEPREFIX:-$(dirname "$exe")/wineprefix}
wineserver -p 2>/dev/null || true  # one Wine server for all the runs, ended at the end
trap 'wineserver -k 2>/dev/null || true' EXIT
wine cmd /c exit 0 >/dev/null 2>&1 || true  # the first start creates the Wine prefix

KAVRON_TEXT_CODEPAGE=CP852 tests/cases/run-binary.sh "$exe" wine

# výsledky.txt as the listing and síť.txt as the input, typed in code page 852.
work=$(mktemp -d)
trap 'rm -rf "$work"; wineserver -k 2>/dev/null || true' EXIT
cp examples/mikrosit.txt "$work/síť.txt"
{
  printf 'chyby.txt\r\n'
  printf 'v\354sledky.txt\r\n'
  printf 's\241\234.txt\r\n'
  tail -n +4 examples/mikrosit.konzole
} > "$work/script"
status=0
(cd "$work" && SOURCE_DATE_EPOCH=1778058303 wine "$exe" < script > console) || status=$?
[[ $status == 0 ]] || { echo "FAIL Czech names: status $status"; exit 1; }
[[ -f "$work/výsledky.txt" ]] || { echo "FAIL Czech names: no výsledky.txt in $(ls "$work")"; exit 1; }
cmp "$work/výsledky.txt" tests/cases/example-mikrosit/after/vysledky.txt ||
  { echo "FAIL Czech names: the listing differs"; exit 1; }
echo "Czech file names: 1 passed, 0 failed"
