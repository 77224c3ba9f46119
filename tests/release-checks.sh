#!/usr/bin/env bash
# Checks the self-contained Linux program (build-release/kavron) as a user gets it: statically
# linked, the local time without SOURCE_DATE_EPOCH, a given SOURCE_DATE_EPOCH in the banner and
# the listing header, bad values reported and ignored, and every whole-run case byte for byte.
set -euo pipefail
cd "$(dirname "$0")/.."
bin=$(pwd)/build-release/kavron
fail() { echo "FAIL: $*"; exit 1; }
banner() { tr '\r' '\n' | grep -a -E 'Datum:|as:' | iconv -f cp852 -t utf-8 | tr -s ' '; }

kind=$(file "$bin")
[[ $kind == *"statically linked"* ]] || fail "not statically linked: $kind"
if ldd "$bin" >/dev/null 2>&1; then fail "ldd lists libraries"; fi
echo "static: ok"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
got=$(SOURCE_DATE_EPOCH=1709715903 "$bin" < /dev/null | banner)
[[ $got == *"Datum: 6. 3.2024 *"* && $got == *"Čas: 9: 5: 3 *"* ]] || fail "SOURCE_DATE_EPOCH: $got"
printf "'Datum'\n1 1 1 1 0\n-1\n" > in.txt
printf 'err.txt\nout.txt\nin.txt\n' | SOURCE_DATE_EPOCH=1709715903 "$bin" > /dev/null
LC_ALL=C grep -a -q 'Datum:  6. 3.2024   .*:  9: 5: 3' out.txt || fail "listing header: $(head -1 out.txt)"
echo "SOURCE_DATE_EPOCH: ok"

for bad in '' abc -5 253402300800 '1e9'; do
  err=$(SOURCE_DATE_EPOCH=$bad "$bin" < /dev/null 2>&1 >/dev/null)
  [[ $err == *"SOURCE_DATE_EPOCH=\"$bad\""* ]] || fail "bad value '$bad' not reported: $err"
done
echo "bad SOURCE_DATE_EPOCH values: reported and ignored"

# Local time: a time zone 14 hours east of UTC shows its own hour (checked before and after the
# run, in case the hour turns meanwhile).
before=$(TZ='<+14>-14' date '+%-H')
got=$(TZ='<+14>-14' "$bin" < /dev/null | banner | grep -a 'as:' | sed -E 's/.*as: *([0-9]+):.*/\1/')
after=$(TZ='<+14>-14' date '+%-H')
[[ $got == "$before" || $got == "$after" ]] || fail "local hour $got, expected $before"
echo "local time: ok"

cd - >/dev/null
# The help goes out in the console's code page 852 when standard output is no UTF-8 terminal.
KAVRON_TEXT_CODEPAGE=CP852 tests/cases/run-binary.sh "$bin"
