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

# An interruption: Wine turns SIGINT into Ctrl+C. The files are those of the run whose console
# input ends where it came (made by the same program), the JSON says "interrupted", and the exit
# status is STATUS_CONTROL_C_EXIT, of which a POSIX parent sees the low byte (0x3A = 58).
run_until() {  # FOLDER LINES [signal]: types the first LINES lines of the mikrosit script
  local dir=$1 lines=$2
  mkdir -p "$dir" && cp examples/mikrosit.txt "$dir/"
  head -n "$lines" examples/mikrosit.konzole > "$dir/typed"
}
run_until "$work/eof" 8
(cd "$work/eof" && SOURCE_DATE_EPOCH=1778058303 wine "$exe" < typed > console 2>/dev/null) || true
run_until "$work/int" 8
mkfifo "$work/int/in"
(cat "$work/int/typed"; sleep 30) > "$work/int/in" &
feeder=$!
(cd "$work/int" && SOURCE_DATE_EPOCH=1778058303 exec wine "$exe" --json r.json < in > console 2>/dev/null) &
child=$!
for _ in $(seq 100); do  # until the console asks the question after the eighth line
  iconv -f cp852 -t utf-8 "$work/int/console" 2>/dev/null | grep -q 'vodorovné délky' && break
  sleep 0.1
done
sleep 0.5
kill -INT "$child"
status=0
wait "$child" || status=$?
kill "$feeder" 2>/dev/null || true
[[ $status == 58 ]] || { echo "FAIL interruption: status $status"; exit 1; }
for f in vysledky.txt chyby.txt; do
  cmp "$work/int/$f" "$work/eof/$f" || { echo "FAIL interruption: $f differs"; exit 1; }
done
grep -q '"kind": "interrupted"' "$work/int/r.json" || { echo "FAIL interruption: JSON"; exit 1; }
echo "interruption: 1 passed, 0 failed"

# A file-size limit (the Wine server started before it, as it needs large files itself): status 4
# and a listing of whole records.
mkdir -p "$work/fsize" && cp examples/mikrosit.txt "$work/fsize/"
script=$(pwd)/examples/mikrosit.konzole
status=0
(cd "$work/fsize" && trap '' XFSZ && ulimit -f 2 &&
  SOURCE_DATE_EPOCH=1778058303 wine "$exe" < "$script" > /dev/null 2> err) || status=$?
[[ $status == 4 ]] || { echo "FAIL file-size limit: status $status"; exit 1; }
[[ $(tail -c 2 "$work/fsize/vysledky.txt" | od -An -c | tr -d ' ') == '\r\n' ]] ||
  { echo "FAIL file-size limit: the listing ends inside a record"; exit 1; }
cmp -s -n "$(stat -c %s "$work/fsize/vysledky.txt")" "$work/fsize/vysledky.txt" \
  tests/cases/example-mikrosit/after/vysledky.txt ||
  { echo "FAIL file-size limit: the listing is not the start of the whole one"; exit 1; }
echo "file-size limit: 1 passed, 0 failed"
