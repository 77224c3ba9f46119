#!/usr/bin/env bash
# The web build's program under node, the very WebAssembly the page runs: every whole-run case
# byte for byte, and file names typed with Czech letters in the console's code page 852, which
# name the files by their UTF-8 names (as the page's files are named).
#   tests/web/node-checks.sh [build-web/kavron.js]
set -euo pipefail
cd "$(dirname "$0")/../.."
js=$(realpath "${1:-build-web/kavron.js}")

tests/cases/run-binary.sh "$js" node

# výsledky.txt as the listing and síť.txt as the input, typed in code page 852.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp examples/mikrosit.txt "$work/síť.txt"
{
  printf 'chyby.txt\n'
  printf 'v\354sledky.txt\n'
  printf 's\241\234.txt\n'
  tail -n +4 examples/mikrosit.konzole
} > "$work/script"
status=0
(cd "$work" && SOURCE_DATE_EPOCH=1778058303 node "$js" < script > console 2>&1) || status=$?
[[ $status == 0 ]] || { echo "FAIL Czech names: status $status"; exit 1; }
cmp "$work/výsledky.txt" tests/cases/example-mikrosit/after/vysledky.txt ||
  { echo "FAIL Czech names: the listing differs ($(ls "$work"))"; exit 1; }
echo "Czech file names: 1 passed, 0 failed"
