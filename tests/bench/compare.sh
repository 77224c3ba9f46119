#!/bin/sh
# Whole-process time of the release binary (build-release/kavron, the self-contained one) on the
# largest job, side by side with an empty C++ program (g++ -O2, dynamic as usual) and an empty C
# program linked statically (the floor of starting a process here). hyperfine: 10 rounds of 150
# runs each, the order rotating, the median of the round medians.
#   tests/bench/compare.sh [PROGRAM]
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
program=$(cd "$(dirname "${1:-$root/build-release/kavron}")" && pwd)/$(basename "${1:-kavron}")
command -v hyperfine >/dev/null 2>&1 || { apt-get update -qq && apt-get install -y -qq hyperfine; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
printf '#include <cstdio>\nint main() { std::puts(""); }\n' > empty.cpp
g++ -O2 empty.cpp -o empty-cpp
printf 'int main(void) { return 0; }\n' > empty.c
gcc -O2 -static empty.c -o empty-c-static
cp "$program" kavron
cp "$root/examples/nejvetsi.txt" "$root/examples/nejvetsi.konzole" .
k='./kavron < nejvetsi.konzole'
e='./empty-cpp < nejvetsi.konzole'
s='./empty-c-static < nejvetsi.konzole'
for i in 1 2 3 4 5 6 7 8 9 10; do
  case $((i % 3)) in
    0) set -- "$k" "$e" "$s" ;;
    1) set -- "$e" "$s" "$k" ;;
    *) set -- "$s" "$k" "$e" ;;
  esac
  hyperfine --warmup 20 --runs 150 --prepare 'rm -f vysledky.txt chyby.txt' "$1" "$2" "$3" \
    --export-json "round$i.json" >/dev/null 2>&1
done
python3 - <<'PY'
import json, statistics
t = {'kavron': [], 'empty-cpp': [], 'empty-c-static': []}
for i in range(1, 11):
    for x in json.load(open('round%d.json' % i))['results']:
        t[x['command'].split()[0][2:]].append(x['median'] * 1000)
k, e, s = (statistics.median(t[n]) for n in ('kavron', 'empty-cpp', 'empty-c-static'))
print('kavron (release), largest job: %.2f ms' % k)
print('empty C++ program (dynamic):   %.2f ms' % e)
print('empty C program (static):      %.2f ms' % s)
print('kavron / empty C++: %.2f   kavron / empty static C: %.2f' % (k / e, k / s))
PY
