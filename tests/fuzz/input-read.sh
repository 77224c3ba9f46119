#!/usr/bin/env bash
# Feeds the program's input read from a pipe and from devices for the given number of seconds
# (default 20), with the program built under the sanitizers: each round writes a job of the
# fuzzing corpus into a pipe in pieces, at times keeping the pipe open after it, and at a random
# moment interrupts the run with SIGINT, SIGTERM or SIGHUP; a device (/dev/zero, /dev/urandom)
# typed as the input must be refused. Every run must end by itself within seconds with one of the
# program's statuses, and a JSON report that it leaves must be whole.
#   tests/fuzz/input-read.sh PROGRAM [SECONDS] [CORPUS]
set -euo pipefail
program=$(realpath "$1")
seconds=${2:-20}
corpus=${3:-$(dirname "$0")/../../examples}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
jobs=()
for f in "$corpus"/*; do
  [[ -f $f ]] && jobs+=("$f")
done
((${#jobs[@]} > 0)) || { echo "input-read: no jobs in $corpus" >&2; exit 1; }
fail() { echo "input-read: round $round: $*" >&2; exit 1; }
end=$((SECONDS + seconds))
round=0
while ((SECONDS < end)); do
  round=$((round + 1))
  dir="$work/$round"
  mkdir "$dir"
  job=${jobs[RANDOM % ${#jobs[@]}]}
  # A corpus entry may carry its console answers after a NUL: the input is what stands before.
  head -c 8192 "$job" | tr -d '\000' > "$dir/job.txt" 2>/dev/null || true
  case $((RANDOM % 4)) in
    0) source_name=/dev/zero ;;
    1) source_name=/dev/urandom ;;
    *) source_name=in.fifo; mkfifo "$dir/in.fifo" ;;
  esac
  printf 'chyby.txt\nvysledky.txt\n%s\nn\nn\nn\nn\nn\n' "$source_name" > "$dir/script"
  writer=""
  interrupt=$((RANDOM % 3 != 0))
  if [[ $source_name == in.fifo ]]; then
    # A writer that stays keeps the program waiting: only a run that is interrupted gets one.
    hold=$((interrupt && RANDOM % 2))
    (
      exec > "$dir/in.fifo"
      size=$(stat -c %s "$dir/job.txt")
      at=0
      while ((at < size)); do
        piece=$((1 + RANDOM % 700))
        tail -c +$((at + 1)) "$dir/job.txt" | head -c "$piece"
        at=$((at + piece))
        sleep "0.0$((RANDOM % 5))"
      done
      ((hold)) && sleep 30
      true
    ) &
    writer=$!
  fi
  (cd "$dir" && SOURCE_DATE_EPOCH=1778058303 exec "$program" --json r.json \
    < script > console 2> errors) &
  pid=$!
  signal=""
  if ((interrupt)); then
    sleep "0.$((RANDOM % 6))"
    signal=$(printf 'INT\nTERM\nHUP\n' | shuf -n 1)
    kill -s "$signal" "$pid" 2>/dev/null || true
  fi
  waited=0
  while kill -0 "$pid" 2>/dev/null; do
    ((waited < 100)) || { kill -9 "$pid"; fail "$source_name: still running 10 s after its start (signal ${signal:-none})"; }
    sleep 0.1
    waited=$((waited + 1))
  done
  status=0
  wait "$pid" || status=$?
  [[ -n $writer ]] && { kill "$writer" 2>/dev/null || true; wait "$writer" 2>/dev/null || true; }
  case $status in
    0 | 1 | 2 | 4 | 129 | 130 | 143) ;;
    *) cat "$dir/errors" >&2; fail "$source_name: status $status (signal ${signal:-none})" ;;
  esac
  if [[ $source_name == /dev/* && -z $signal ]]; then
    grep -q 'je větší než 1 MB' "$dir/errors" || fail "$source_name was not refused"
  fi
  if [[ -e $dir/r.json ]]; then
    python3 -c 'import json, sys; json.load(open(sys.argv[1]))' "$dir/r.json" ||
      fail "$source_name: the JSON report is not valid (status $status)"
  fi
  rm -rf "$dir"
done
echo "input read: $round runs from pipes and devices, interrupted at random, all ended well"
