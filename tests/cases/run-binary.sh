#!/usr/bin/env bash
# Runs every whole-run case of tests/cases with a built program as a separate process (the Linux
# release binary, or kavron.exe under Wine) and compares its console, exit status and files byte
# for byte with what the case expects (standard error is not compared: its texts are for the
# terminal, UTF-8 here and code page 852 on Windows; it must be empty where the case expects none). The clock is fixed with SOURCE_DATE_EPOCH
# at the cases' 6. 5.2026 9:05:03 UTC.
#   tests/cases/run-binary.sh PROGRAM [LAUNCHER...]     e.g. build-release/kavron
#                                                       or   build-windows/kavron.exe wine
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
examples=$(cd "$here/../../examples" && pwd)
program=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
shift
launcher=("$@")
export SOURCE_DATE_EPOCH=1778058303
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
for dir in "$here"/*/; do
  name=$(basename "$dir")
  run="$work/$name"
  mkdir -p "$run/folder"
  script="$dir/script"
  if [[ -d $dir/before ]]; then cp -pR "$dir"/before/. "$run/folder/"; fi
  if [[ -f $dir/example ]]; then
    job=$(head -n 1 "$dir/example")
    cp "$examples/$job.txt" "$run/folder/"
    script="$examples/$job.konzole"
  fi
  (cd "$run/folder" && find . -type f | sort > "$run/before.list")
  status=0
  args=()
  if [[ -f $dir/args ]]; then mapfile -t args < "$dir/args"; fi
  (cd "$run/folder" && "${launcher[@]}" "$program" "${args[@]}" < "$script" > "$run/console" \
    2> "$run/stderr") || status=$?
  problems=()
  [[ $status == "$(cat "$dir/status")" ]] || problems+=("status $status, expected $(cat "$dir/status")")
  # Texts for the terminal (help, version) go out in the console's code page, 852, on Linux (not
  # on a UTF-8 terminal) and on Windows, and in UTF-8 in the web build: KAVRON_TEXT_CODEPAGE names
  # the code page to read them in.
  if [[ -f $dir/console-is-text && -n ${KAVRON_TEXT_CODEPAGE:-} ]]; then
    iconv -f "$KAVRON_TEXT_CODEPAGE" -t UTF-8 < "$run/console" > "$run/console.utf8"
    mv "$run/console.utf8" "$run/console"
  fi
  cmp -s "$run/console" "$dir/console" || problems+=("console differs")
  # A case without an errors file says nothing on standard error (its texts are not compared).
  [[ -f $dir/errors || ! -s $run/stderr ]] || problems+=("standard error: $(head -c 200 "$run/stderr")")
  after=()
  if [[ -d $dir/after ]]; then mapfile -t after < <(cd "$dir/after" && find . -type f); fi
  for f in "${after[@]}"; do
    cmp -s "$dir/after/$f" "$run/folder/$f" || problems+=("${f#./} differs")
  done
  # No other file may have been written or removed.
  { cat "$run/before.list"; if ((${#after[@]})); then printf '%s\n' "${after[@]}"; fi; } |
    sort -u > "$run/expected.list"
  (cd "$run/folder" && find . -type f | sort) > "$run/now.list"
  if ! cmp -s "$run/expected.list" "$run/now.list"; then
    problems+=("files: $(diff "$run/expected.list" "$run/now.list" | grep '^[<>]' | tr '\n' ' ' || true)")
  fi
  if [[ -d $dir/before ]]; then
    while IFS= read -r b; do
      [[ -f $dir/after/$b ]] || cmp -s "$dir/before/$b" "$run/folder/$b" ||
        problems+=("${b#./} was changed")
    done < <(cd "$dir/before" && find . -type f)
  fi
  if ((${#problems[@]})); then
    echo "FAIL $name: ${problems[*]}"
    failed=$((failed + 1))
  else
    passed=$((passed + 1))
  fi
done
echo "cases with $(basename "$program"): $passed passed, $failed failed"
((failed == 0))
