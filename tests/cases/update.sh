#!/bin/sh
# Rewrites the expected console, status and files of every whole-run case (or of the cases whose
# folder names are given) from the program's output. Run it on purpose after a deliberate change
# of what the program writes, then read `git diff tests/cases` line by line before committing.
set -eu
cd "$(dirname "$0")/../.."
cmake --preset default >/dev/null
cmake --build --preset default --target kavron_tests
filter='Runs/Case.*'
if [ $# -gt 0 ]; then
  filter=$(for c in "$@"; do printf 'Runs/Case.*/%s:' "$(echo "$c" | tr - _)"; done)
fi
KAVRON_UPDATE_CASES=1 build/tests/kavron_tests --gtest_filter="$filter" --gtest_brief=1
git status --short tests/cases
