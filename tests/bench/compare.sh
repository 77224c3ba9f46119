#!/bin/sh
# Whole-process time of build/kavron on the largest job against a C++ program that does nothing,
# with hyperfine: 10 rounds of 150 runs, the order alternating, the median of the round medians.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
command -v hyperfine >/dev/null 2>&1 || { apt-get update -qq && apt-get install -y -qq hyperfine; }
work=$(mktemp -d)
cd "$work"
printf 'int main() { return 0; }\n' > empty.cpp
g++ -O2 empty.cpp -o empty
cp "$root/build/kavron" "$root/examples/nejvetsi.txt" "$root/examples/nejvetsi.konzole" .
e='./empty < nejvetsi.konzole'
k='./kavron < nejvetsi.konzole'
for i in 1 2 3 4 5 6 7 8 9 10; do
  if [ $((i % 2)) = 0 ]; then set -- "$e" "$k"; else set -- "$k" "$e"; fi
  hyperfine --warmup 20 --runs 150 --prepare 'rm -f vysledky.txt chyby.txt' "$1" "$2" \
    --export-json "round$i.json" >/dev/null 2>&1
done
python3 - <<'PY'
import json, statistics
e, k = [], []
for i in range(1, 11):
    for x in json.load(open('round%d.json' % i))['results']:
        (e if 'empty' in x['command'] else k).append(x['median'] * 1000)
me, mk = statistics.median(e), statistics.median(k)
print('empty C++ program: %.2f ms' % me)
print('kavron, largest job: %.2f ms' % mk)
print('ratio: %.2f' % (mk / me))
PY
