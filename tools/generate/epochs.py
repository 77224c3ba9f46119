#!/usr/bin/env python3
"""Writes examples/epocha1.txt and examples/epocha2.txt: the network of examples/mikrosit.txt
measured twice, with seeded noise of the a-priori standard deviations (directions 3 cc, zenith
angles 10 cc, distances 1 mm), point 104 moved by (+5, -4, +3) mm before the second epoch.
Run by hand: python3 tools/generate/epochs.py"""
import math
import random

RO = 636619.772367
PI4 = 3.1415927410125732
POINTS = [(101, 7, 500000.0, 800000.0, 245310.0), (102, 2, 712450.0, 843180.0, 251877.0),
          (103, 0, 655343.0, 1032709.0, 239476.0), (104, 0, 468875.0, 998218.0, 258100.0),
          (105, 0, 590415.0, 925327.0, 262875.0)]
DIRS = [(101, [102, 103, 105, 104]), (102, [103, 105, 101]), (103, [104, 105, 101, 102]),
        (104, [101, 105, 103]), (105, [101, 102, 103, 104])]
ZEN = [(101, 103), (101, 105), (102, 105), (102, 103), (103, 104), (103, 105), (104, 105),
       (105, 101), (105, 102), (105, 103), (105, 104)]
DIST = [(101, 102), (101, 103), (101, 105), (102, 103), (102, 105), (103, 104), (103, 105),
        (104, 105), (101, 104)]


def epoch(title, moved, seed):
    rnd = random.Random(seed)
    xyz = {p[0]: [p[2], p[3], p[4]] for p in POINTS}
    for k in range(3):
        xyz[104][k] += moved[k]
    out = ["'%s'" % title, "3 1 10 3 0"]
    out += ["%d %d %.1f %.1f %.1f" % p for p in POINTS] + ["-1"]
    for s, targets in DIRS:
        zero = None
        for t in targets:
            dx, dy = xyz[t][0] - xyz[s][0], xyz[t][1] - xyz[s][1]
            b = math.atan2(dy, dx)
            b = (b + 2 * PI4 if b < 0 else b) * RO
            zero = b if zero is None else zero
            out.append("%d %d %.1f 1" % (s, t, (b - zero + rnd.gauss(0, 3) + 1234.5) % 4000000))
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


if __name__ == "__main__":
    open("examples/epocha1.txt", "w").write(
        epoch("Mikrosit u koleje - epocha 1 (duben)", (0, 0, 0), 1))
    open("examples/epocha2.txt", "w").write(
        epoch("Mikrosit u koleje - epocha 2 (zari)", (5.0, -4.0, 3.0), 2))
