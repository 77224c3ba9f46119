#!/usr/bin/env python3
"""Writes the two examples of the guide's chapter on the analysis, each from examples/mikrosit.txt
with its console script: dve-chyby.txt, the network with two gross errors (the direction
104 -> 103 off by +35 cc and the distance 101 - 102 by +9 mm), and zenity.txt, the network whose
zenith angles are really twice as noisy as their weight says (seeded noise of 17.3 cc added to
each, so that with their own 10 cc they scatter by 20 cc). Run by hand:
python3 tools/generate/rozbor.py"""
import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))
EXAMPLES = os.path.join(HERE, "..", "..", "examples")


def read(name):
    with open(os.path.join(EXAMPLES, name), encoding="ascii") as f:
        return f.read().split("\n")


def write(name, lines):
    with open(os.path.join(EXAMPLES, name), "w", encoding="ascii", newline="\n") as f:
        f.write("\n".join(lines))


def sections(lines):
    """The index of each line's section: 0 header and points, 1 directions, 2 zenith angles,
    3 distances, 4 after them."""
    out, ends = [], 0
    for k, line in enumerate(lines):
        out.append(ends if k >= 2 else 0)
        if k >= 2 and line.split()[:1] == ["-1"]:
            ends += 1
    return out


def changed(lines, title, change):
    out = list(lines)
    out[0] = "'" + title + "'"
    for k, section in enumerate(sections(lines)):
        words = lines[k].split()
        if 1 <= section <= 3 and len(words) == 4 and words[0] != "-1":
            value = change(section, int(words[0]), int(words[1]), float(words[2]))
            out[k] = " ".join([words[0], words[1], "%.1f" % value, words[3]])
    return out


def main():
    base = read("mikrosit.txt")
    script = read("mikrosit.konzole")

    blunders = {(1, 104, 103): 35.0, (3, 101, 102): 9.0}
    write("dve-chyby.txt", changed(base, "Cviceni 3 - mikrosit, skupina D (dve hrube chyby)",
                                   lambda s, a, b, v: v + blunders.get((s, a, b), 0.0)))
    rnd = random.Random(1727)
    write("zenity.txt", changed(base, "Cviceni 3 - mikrosit, skupina E (zenitove uhly)",
                                lambda s, a, b, v: v + (rnd.gauss(0, 17.3) if s == 2 else 0.0)))
    for job in ("dve-chyby", "zenity"):
        write(job + ".konzole", [job + ".txt" if line == "mikrosit.txt" else line
                                 for line in script])


main()
