#!/bin/sh
# Runs one shipped job in a fresh scratch folder with its console script and shows the console,
# then the listing, converted to UTF-8.
#   examples/run.sh [job]        (job: a name in examples/, default mikrosit)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
job=${1:-mikrosit}
bin="$here/../build/kavron"
work=$(mktemp -d)
cp "$here/$job.txt" "$work/"
cd "$work"
echo "== konzole (scratch folder $work) =="
"$bin" < "$here/$job.konzole" | iconv -f cp852 -t utf-8
echo
for f in *.txt; do
  [ "$f" = "$job.txt" ] && continue
  echo "== $f =="
  iconv -f cp1250 -t utf-8 < "$f"
done
