#!/bin/sh
# Runs a shipped job in a fresh scratch folder, then shows its listing in UTF-8.
#   examples/run.sh [job]      job: a name in examples/ (default mikrosit)
# On a terminal you answer the dialog yourself. When the terminal speaks UTF-8 the console is
# converted from code page 852: by luit (which also converts your typing back) when luit is
# installed and really knows code page 852, otherwise by build/kavron-utf8 (then type file names
# without Czech letters). Without a terminal the job's console script (examples/<job>.konzole)
# answers.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
job=${1:-mikrosit}
bin="$here/../build/kavron"
work=$(mktemp -d)
cp "$here/$job.txt" "$work/"
cd "$work"

utf8=no
case "${LC_ALL:-${LC_CTYPE:-${LANG:-}}}" in *UTF-8* | *utf8* | *UTF8* | *utf-8*) utf8=yes ;; esac

if [ -t 0 ] && [ -t 1 ]; then
  echo "Scratch folder: $work"
  echo "Answer for example: chyby.txt, vysledky.txt, $job.txt; then the questions (a/n)."
  luit_knows_852() {
    command -v luit >/dev/null 2>&1 &&
      [ "$(printf 'x\202' | luit -c -encoding CP852 2>/dev/null)" = "xé" ]
  }
  if [ "$utf8" != yes ]; then
    "$bin"
  elif luit_knows_852; then
    luit -encoding CP852 "$bin"
  else
    "$bin" | "$here/../build/kavron-utf8"
  fi
else
  "$bin" < "$here/$job.konzole" | iconv -f cp852 -t utf-8
  echo
fi

for f in *.txt; do
  [ "$f" = "$job.txt" ] && continue
  echo "== $f =="
  iconv -f cp1250 -t utf-8 < "$f"
done
