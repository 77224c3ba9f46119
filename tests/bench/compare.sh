#!/bin/sh
# Whole-process time of the release binary (build-release/kavron, the self-contained one) on the
# largest job, side by side in one run with an empty C++ program (g++ -O2, dynamic as usual), an
# empty C program linked statically (the floor of starting a process here) and, when given, an
# older build of the program. Each run is fork, exec and wait, with the job's console script on
# standard input and no shell in between (spawn_time.c); 3000 rounds, the order rotating, the
# median of each.
#   tests/bench/compare.sh [PROGRAM [OLD-PROGRAM]]
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
program=$(realpath "${1:-$root/build-release/kavron}")
old=${2:+$(realpath "$2")}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
gcc -O2 "$root/tests/bench/spawn_time.c" -o spawn_time
printf '#include <cstdio>\nint main() { std::puts(""); }\n' > empty.cpp
g++ -O2 empty.cpp -o empty-cpp
printf 'int main(void) { return 0; }\n' > empty.c
gcc -O2 -static empty.c -o empty-c-static
cp "$program" kavron
cp "$root/examples/nejvetsi.txt" "$root/examples/nejvetsi.konzole" .
if [ -n "$old" ]; then
  cp "$old" kavron-old
  ./spawn_time "${ROUNDS:-3000}" './kavron < nejvetsi.konzole' ./empty-cpp ./empty-c-static \
    './kavron-old < nejvetsi.konzole' > times.txt
else
  ./spawn_time "${ROUNDS:-3000}" './kavron < nejvetsi.konzole' ./empty-cpp ./empty-c-static > times.txt
fi
{ read -r k; read -r e; read -r s; read -r o || o=; } < times.txt
awk -v k="$k" -v e="$e" -v s="$s" -v o="$o" 'BEGIN {
  printf "kavron (release), largest job: %.2f ms\n", k / 1000
  printf "empty C++ program (dynamic):   %.2f ms\n", e / 1000
  printf "empty C program (static):      %.2f ms\n", s / 1000
  printf "kavron / empty C++: %.2f   kavron / empty static C: %.2f\n", k / e, k / s
  if (o != "") {
    printf "older kavron, largest job:     %.2f ms   (older / empty C++: %.2f)\n", o / 1000, o / e
    printf "kavron / older kavron: %.3f\n", k / o
  }
}'
