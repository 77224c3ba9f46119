#!/usr/bin/env bash
# The listing on a file system that is really full: a tmpfs of 12 KB in a mount namespace of its
# own (no root needed where user namespaces are allowed; under CI, which runs as root, a test that
# cannot make one fails instead of counting as skipped). The run must end with status 4, say on
# standard error that the disk is full, and leave the listing in whole records.
#   tests/process/full-disk.sh PROGRAM EXAMPLES
set -euo pipefail
program=$(realpath "$1")
examples=$(realpath "$2")
inner() {
  dir=$(mktemp -d)
  mount -t tmpfs -o size=12k kavron-full "$dir"
  cp "$examples/mikrosit.txt" "$dir/"
  status=0
  (cd "$dir" && SOURCE_DATE_EPOCH=1778058303 "$program" < "$examples/mikrosit.konzole" \
    > /dev/null 2> "$dir.err") || status=$?
  [[ $status == 4 ]] || { echo "status $status, expected 4"; exit 1; }
  grep -q 'soubor vysledky.txt nelze zapsat: na disku není místo' "$dir.err" ||
    { echo "no message: $(cat "$dir.err")"; exit 1; }
  tail -c 2 "$dir/vysledky.txt" | od -c | grep -q '\\r  \\n' ||
    { echo "the listing ends inside a record"; exit 1; }
  echo "full disk: status 4, $(stat -c %s "$dir/vysledky.txt") bytes of whole records, $(cat "$dir.err")"
  umount "$dir"
}
if [[ ${1:-} == --inner ]]; then shift; fi
if [[ ${KAVRON_INNER:-} == 1 ]]; then inner; exit; fi
export KAVRON_INNER=1
for way in "unshare -rm" "unshare -m"; do
  if $way true 2>/dev/null; then
    exec $way "$0" "$program" "$examples"
  fi
done
echo "no mount namespace can be made here (unshare -rm and unshare -m fail): the full-disk run is not made"
# CI runs as root, where a mount namespace can always be made: there the test must run.
if [[ -n ${CI:-} ]]; then
  echo "CI is set: a full-disk test that cannot run fails" >&2
  exit 1
fi
exit 77
