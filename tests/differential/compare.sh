#!/usr/bin/env bash
# Runs two builds of the program on the same generated jobs (tests/differential/jobs.py) and
# compares what each run gives byte for byte: the exit status, the console, the listing, the
# diagnostics file and the JSON and SVG reports. Prints how many runs agree; fails on any
# difference and shows the first few.
#   tests/differential/compare.sh OLD NEW [N] [SEED]
# OLD and NEW are programs; a program that needs a launcher (the web build under node) is given
# as a script that starts it. KAVRON_ANALYSIS=1 asks both for the analysis report too;
# KAVRON_COMPARE=legacy compares only what the legacy rules decide (status, console, listing,
# diagnostics file), for a change that leaves those and changes the reports on purpose.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
old=$(realpath "$1")
new=$(realpath "$2")
count=${3:-300}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 "$here/jobs.py" "$work/jobs" "$count" "${4:-19}"
export SOURCE_DATE_EPOCH=1778058303
options=(--json r.json --svg r.svg)
[[ ${KAVRON_ANALYSIS:-} == 1 ]] && options+=(--analysis r.txt)
differ=0
full=0
for ((k = 0; k < count; k++)); do
  for side in old new; do
    run="$work/$side/$k"
    mkdir -p "$run"
    cp "$work/jobs/$k/in.txt" "$run/"
    bin=$old
    [[ $side == new ]] && bin=$new
    status=0
    (cd "$run" && "$bin" "${options[@]}" < "$work/jobs/$k/script" > console 2> stderr) ||
      status=$?
    echo "$status" > "$run/status"
  done
  grep -q -a 'Výsledky' <(iconv -f cp852 -t utf-8 "$work/new/$k/console" 2>/dev/null || true) &&
    full=$((full + 1))
  skip=()
  [[ ${KAVRON_COMPARE:-} == legacy ]] && skip=(-x r.json -x r.svg -x r.txt -x stderr)
  if ! diff -r -q "${skip[@]}" "$work/old/$k" "$work/new/$k" > "$work/diff" 2>&1; then
    differ=$((differ + 1))
    if ((differ <= 5)); then
      echo "job $k differs:"
      cat "$work/diff"
    fi
  fi
done
echo "$count generated jobs ($full run to the end of the dialog): $((count - differ)) the same, $differ different"
((differ == 0))
