#!/bin/sh
# Checks the formatting, builds the program and its tests, runs every test and clang-tidy, builds
# once more with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test again, and
# fuzzes whole runs for a minute.
set -eu
cd "$(dirname "$0")/.."

need() { command -v "$1" >/dev/null 2>&1; }
if ! need cmake || ! need g++ || [ ! -f /usr/include/gtest/gtest.h ]; then
  if need apt-get; then
    apt-get update -qq && apt-get install -y -qq cmake g++ libgtest-dev >/dev/null
  fi
fi

sources=$(git ls-files '*.cpp' '*.hpp' 2>/dev/null || find driver format subruth adjustment results tests -name '*.[ch]pp')
if need clang-format; then
  clang-format --dry-run -Werror $sources
  echo "formatting: ok"
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
cmake --build build -j2
ctest --test-dir build --output-on-failure -j2

if need clang-tidy; then
  clang-tidy -p build --quiet $(echo "$sources" | grep -E '^(driver|format|subruth|adjustment|results)/.*\.cpp$') \
    2>&1 | grep -E 'warning:|error:' && exit 1
  echo "clang-tidy: ok"
fi

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DKAVRON_SANITIZE=ON >/dev/null
cmake --build build-asan -j2
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j2

# A short fuzzing run of whole programs (tests/fuzz/run.sh; KAVRON_FUZZ_SECONDS=0 skips it).
seconds=${KAVRON_FUZZ_SECONDS:-60}
if [ "$seconds" -gt 0 ] && need clang++; then
  tests/fuzz/run.sh "$seconds"
fi
