#!/usr/bin/env bash
# The program on a Linux terminal that speaks UTF-8, as a person meets it: tmux, answers typed
# on the keyboard, the screen captured. The Czech of the banner and the dialog must be readable,
# a listing name typed with Czech letters (longer than 24 characters) must create the file of its
# first 24 characters by its UTF-8 name, and the listing must be the one of the shipped example.
#   tests/terminal/tmux-check.sh PROGRAM
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
program=$(realpath "$1")
command -v tmux >/dev/null || { echo "tmux is missing (Debian package tmux)"; exit 1; }
work=$(mktemp -d)
session=kavron-$$
trap 'tmux kill-session -t "$session" 2>/dev/null || true; rm -rf "$work"' EXIT
cp "$here/examples/mikrosit.txt" "$work/"
name='žluťoučký_kůň_úpěl_ódy_ďábelské.txt'
cut='žluťoučký_kůň_úpěl_ódy_ď'  # its first 24 characters
tmux new-session -d -s "$session" -x 100 -y 60 -c "$work" \
  "env LANG=C.UTF-8 LC_ALL=C.UTF-8 SOURCE_DATE_EPOCH=1778058303 $program; sleep 60"
screen() { tmux capture-pane -p -t "$session" -S -200; }
wait_for() {
  for _ in $(seq 100); do
    screen | grep -q -F "$1" && return 0
    sleep 0.1
  done
  echo "FAIL: the screen never showed: $1"; screen | tail -20; exit 1
}
type_line() { tmux send-keys -t "$session" -l -- "$1"; tmux send-keys -t "$session" Enter; }
wait_for 'Jméno chybového  souboru'
type_line chyby.txt
wait_for 'Jméno výstupního souboru'
type_line "$name"
wait_for 'Jméno vstupního souboru (souřadnice,směry,délky,..)'
type_line mikrosit.txt
tail -n +4 "$here/examples/mikrosit.konzole" | while IFS= read -r line; do
  sleep 0.15
  type_line "$line"
done
wait_for KONEC
screen > "$work/screen.txt"
for text in 'Program pro výpočet geodetických úloh v E-3' 'v místní souřadnicové soustavě' \
  'Výpočet prostorové délky a její směrod. odch. mezi body i,j' 'Čísla bodů jsou:'; do
  grep -q -F "$text" "$work/screen.txt" || { echo "FAIL: not on the screen: $text"; exit 1; }
done
[[ -f "$work/$cut" ]] || { echo "FAIL: no file '$cut' in: $(ls "$work")"; exit 1; }
cmp "$work/$cut" "$here/tests/cases/example-mikrosit/after/vysledky.txt" ||
  { echo "FAIL: the listing differs from the example's"; exit 1; }
[[ -n ${KAVRON_SHOW_SCREEN:-} ]] && cat "$work/screen.txt"
echo "UTF-8 terminal: Czech readable, '$cut' created, the listing the example's"
