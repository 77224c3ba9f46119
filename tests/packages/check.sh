#!/usr/bin/env bash
# Unpacks both packages and does what their guides tell a user to do: every path that
# docs/navod.md, CTIMNE.txt and the README give for a package must work in the unpacked package.
#   tests/packages/check.sh LINUX.tar.gz WINDOWS.zip
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
tgz=$(realpath "$1")
zip=$(realpath "$2")
version=$(sed -n 's/^project(kavron VERSION \([^ ]*\) .*/\1/p' "$root/CMakeLists.txt")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL packages: $*"; exit 1; }

# ---- Linux: the folder the archive makes, bin/kavron, share/doc/kavron, the manual page ----
tar xzf "$tgz" -C "$work"
linux=$work/kavron-$version-linux-x86_64
[[ -d $linux ]] || fail "the .tar.gz does not make kavron-$version-linux-x86_64"
cd "$linux"
[[ $(bin/kavron --version) == "kavron $version" ]] || fail "bin/kavron --version"
# Every path of the guide's Linux paragraph and of the README's Linux paragraph.
# shellcheck disable=SC2016  # the backquotes are the guides' own, not a command
paths=$(
  { sed -n '/^\*\*Linux\.\*\*/,/^$/p' share/doc/kavron/navod.md
    sed -n '/^\*\*Linux\.\*\*/,/^$/p' share/doc/kavron/README.md; } |
    grep -o '`[^`]*`' | tr -d '`' | tr ' ' '\n' | grep -E '^(bin|share)/' | sort -u)
[[ -n $paths ]] || fail "no paths found in the guides"
for p in $paths; do
  [[ -e $p ]] || fail "the guide names $p, which the package does not hold"
done
for f in navod.md json.md glossary.md nejvetsi.png examples/mikrosit.txt examples/trida/skupina-b/vysledky.txt; do
  [[ -e share/doc/kavron/$f ]] || fail "share/doc/kavron/$f is missing"
done
out=$(SOURCE_DATE_EPOCH=1778058303 share/doc/kavron/examples/run.sh mikrosit < /dev/null)
grep -q KONEC <<< "$out" || fail "run.sh mikrosit did not run the job"
grep -q 'V Ý S L E D N É' <<< "$out" || fail "run.sh mikrosit did not show the listing"
man -l share/man/man1/kavron.1 2>/dev/null | grep -q 'EXIT STATUS' || fail "the manual page"
echo "Linux package: $(wc -w <<< "$paths") paths of the guides, the example, the manual page: ok"

# ---- Windows: the folder, kavron typed there, the example's files as CTIMNE.txt names them ----
cd "$work"
unzip -q "$zip" -d "$work"
windows=$work/kavron-$version-windows-x86_64
[[ -d $windows ]] || fail "the .zip does not make kavron-$version-windows-x86_64"
cd "$windows"
for f in kavron.exe CTIMNE.txt navod.md json.md glossary.md nejvetsi.png examples/mikrosit.txt \
    examples/trida/skupina-b/vysledky.txt; do
  [[ -e $f ]] || fail "$f is missing in the .zip"
done
ctimne=$(iconv -f cp1250 -t utf-8 < CTIMNE.txt)
grep -q 'examples\\mikrosit.txt' <<< "$ctimne" || fail "CTIMNE.txt no longer names examples\\mikrosit.txt"
{ printf 'chyby.txt\r\nvysledky.txt\r\nexamples\\mikrosit.txt\r\n'; tail -n +4 "$root/examples/mikrosit.konzole"; } \
  > "$work/answers"
export WINEDEBUG=-all WINEPREFIX=${WINEPREFIX:-$root/build-windows/wineprefix}
SOURCE_DATE_EPOCH=1778058303 wine kavron.exe < "$work/answers" > "$work/console" 2>/dev/null
tr -d '\r' < "$work/console" | grep -q KONEC || fail "kavron.exe did not end with KONEC"
cmp vysledky.txt "$root/tests/cases/example-mikrosit/after/vysledky.txt" ||
  fail "the listing of examples\\mikrosit.txt differs"
echo "Windows package: CTIMNE.txt followed under Wine, the listing the example's: ok"
