#!/usr/bin/env python3
"""Writes examples/trida/: a class's hand-in for `kavron check`. The network of
examples/mikrosit.txt measured by the teacher (zadani.txt, the reference) and by three groups,
each with its own seeded noise of the a-priori standard deviations (directions 3 cc, zenith
angles 10 cc, distances 1 mm) and its own zero direction on every station. Each group's folder
holds its input, and the listing and diagnostics file the program made of it:
  skupina-a  as the program wrote them;
  skupina-b  one digit of an adjusted coordinate in the listing edited afterwards;
  skupina-c  the direction 101 -> 105 typed 1000 cc off (the listing is the program's).
Run by hand with the program built: python3 tools/generate/trida.py build/kavron"""
import math
import os
import random
import shutil
import subprocess
import sys

sys.dont_write_bytecode = True  # no cache beside the generators
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from epochs import DIRS, DIST, PI4, POINTS, RO, ZEN  # noqa: E402 (the network of mikrosit)

# The dialog: one spatial distance, then no more derived quantities.
CONSOLE = "chyby.txt\nvysledky.txt\nmereni.txt\na\n101 103\n-1 -1\na\nn\nn\nn\n"


def measured(title, seed, zero_shift, typo=None):
    rnd = random.Random(seed)
    xyz = {p[0]: [p[2], p[3], p[4]] for p in POINTS}
    out = ["'%s'" % title, "3 1 10 3 0"]
    out += ["%d %d %.1f %.1f %.1f" % p for p in POINTS] + ["-1"]
    for s, targets in DIRS:
        zero = None
        for t in targets:
            dx, dy = xyz[t][0] - xyz[s][0], xyz[t][1] - xyz[s][1]
            b = math.atan2(dy, dx)
            b = (b + 2 * PI4 if b < 0 else b) * RO
            zero = b if zero is None else zero
            v = b - zero + rnd.gauss(0, 3) + zero_shift * (s - 100)
            if typo == (s, t):
                v += 1000.0
            out.append("%d %d %.1f 1" % (s, t, v % 4000000))
    out.append("-1")
    for s, t in ZEN:
        d = [xyz[t][k] - xyz[s][k] for k in range(3)]
        z = math.atan2(math.hypot(d[0], d[1]), d[2]) * RO
        out.append("%d %d %.1f 0.09" % (s, t, z + rnd.gauss(0, 10)))
    out.append("-1")
    for s, t in DIST:
        d = [xyz[t][k] - xyz[s][k] for k in range(3)]
        out.append("%d %d %.1f 9" % (s, t, math.sqrt(sum(c * c for c in d)) + rnd.gauss(0, 1)))
    out.append("-1")
    return "\n".join(out) + "\n"


def group(program, folder, text, when):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    open(os.path.join(folder, "mereni.txt"), "w").write(text)
    env = dict(os.environ, SOURCE_DATE_EPOCH=str(when))
    subprocess.run([os.path.abspath(program)], input=CONSOLE.encode(), cwd=folder, env=env,
                   stdout=subprocess.DEVNULL, check=True)


def main():
    program = sys.argv[1]
    root = "examples/trida"
    os.makedirs(root, exist_ok=True)
    open(os.path.join(root, "zadani.txt"), "w").write(
        measured("Mikrosit u koleje - zadani (mereni vyucujiciho)", 100, 0))
    day = 1794240000  # 10 November 2026, 9:20 UTC
    group(program, os.path.join(root, "skupina-a"),
          measured("Mikrosit u koleje - skupina A", 101, 1111.1), day)
    group(program, os.path.join(root, "skupina-b"),
          measured("Mikrosit u koleje - skupina B", 102, 2222.2), day + 3600)
    group(program, os.path.join(root, "skupina-c"),
          measured("Mikrosit u koleje - skupina C", 103, 3333.3, typo=(101, 105)), day + 7200)
    # Skupina B improves a coordinate of point 104 in its listing by hand.
    path = os.path.join(root, "skupina-b", "vysledky.txt")
    lines = open(path, "rb").read().split(b"\r\n")
    for k, line in enumerate(lines):
        if line.startswith(b"  104      "):  # its adjusted coordinates: x, shift, y, ...
            cut = line.index(b".") - 1
            digit = b"7" if line[cut:cut + 1] != b"7" else b"8"
            lines[k] = line[:cut] + digit + line[cut + 1:]
            break
    open(path, "wb").write(b"\r\n".join(lines))


main()
