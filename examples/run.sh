#!/bin/sh
# Runs a shipped job in a fresh scratch folder, then shows its listing in UTF-8.
#   examples/run.sh [job [option...]]   job: a name in examples/ (default mikrosit); options
#                                       go to the program (e.g. --analysis rozbor.txt)
# On a terminal you answer the dialog yourself (a terminal that speaks UTF-8 shows the Czech
# texts as they are, and takes Czech letters in file names). Without a terminal the job's console
# script (examples/<job>.konzole) answers. The program is build/kavron, or bin/kavron beside
# this folder in an unpacked package, or KAVRON=... when given.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
job=${1:-mikrosit}
[ $# -gt 0 ] && shift
bin=${KAVRON:-}
for candidate in "$here/../build/kavron" "$here/../bin/kavron" "$here/../../../../bin/kavron"; do
  [ -z "$bin" ] && [ -x "$candidate" ] && bin=$(cd "$(dirname "$candidate")" && pwd)/kavron
done
[ -n "$bin" ] || { echo "no kavron program found: build it first (see README.md)" >&2; exit 1; }
work=$(mktemp -d)
cp "$here/$job.txt" "$work/"
cd "$work"

if [ -t 0 ] && [ -t 1 ]; then
  echo "Scratch folder: $work"
  echo "Answer for example: chyby.txt, vysledky.txt, $job.txt; then the questions (a/n)."
  "$bin" "$@"
else
  "$bin" "$@" < "$here/$job.konzole" | iconv -f cp852 -t utf-8
  echo
fi

for f in *.txt; do
  [ "$f" = "$job.txt" ] && continue
  echo "== $f =="
  iconv -f cp1250 -t utf-8 < "$f"
done
