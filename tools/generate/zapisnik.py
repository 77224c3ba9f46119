#!/usr/bin/env python3
"""Writes examples/zapisnik/: the network of examples/mikrosit.txt as a total station records
it on two days, both faces, two sets at every station (the circle turned between them), the
instrument's collimation (2c 14 cc) and index error (9 cc), instrument and target heights,
curvature and refraction (k = 0.13), and seeded noise (1 cc a reading, 0.5 mm a distance):
den1.gsi (GSI-16, stations 101, 102, 103) and den2.gsi (GSI-8, stations 104 and 105, the
station set up by a code block). Run by hand: python3 tools/generate/zapisnik.py"""
import math
import os
import random

MARKS = {101: (500.000, 800.000, 245.310), 102: (712.450, 843.180, 251.877),
         103: (655.343, 1032.709, 239.476), 104: (468.875, 998.218, 258.100),
         105: (590.415, 925.327, 262.875)}
SIGHTS = [(101, [102, 103, 105, 104]), (102, [103, 105, 101]), (103, [104, 105, 101, 102]),
          (104, [101, 105, 103]), (105, [101, 102, 103, 104])]
INSTRUMENT = {101: 1.562, 102: 1.498, 103: 1.611, 104: 1.534, 105: 1.587}
TARGET = {101: 1.600, 102: 1.500, 103: 1.650, 104: 1.550, 105: 1.700}
C2, INDEX, K, R = 0.0014, 0.0009, 0.13, 6378000.0
GON = math.pi / 200.0


def shots(rnd):
    out = []
    for station, targets in SIGHTS:
        s = MARKS[station]
        i = INSTRUMENT[station]
        for n in range(2):
            zero = (31.0 * station + 100.0 * n) % 400.0
            face1, face2 = [], []
            for t in targets:
                m = MARKS[t]
                dx, dy = m[0] - s[0], m[1] - s[1]
                hd = math.hypot(dx, dy)
                dh = m[2] + TARGET[t] - (s[2] + i)
                bearing = math.atan2(dy, dx) / GON % 400.0
                z = math.atan2(hd, dh) / GON + (1 - K) * hd / (2 * R) / GON
                d = math.hypot(hd, dh)
                hz1 = (bearing - zero + C2 / 2 + rnd.gauss(0, 0.0001)) % 400.0
                hz2 = (bearing - zero + 200.0 - C2 / 2 + rnd.gauss(0, 0.0001)) % 400.0
                v1 = z + INDEX + rnd.gauss(0, 0.0001)
                v2 = 400.0 - z + INDEX + rnd.gauss(0, 0.0001)
                face1.append((t, hz1, v1, d + rnd.gauss(0, 0.0005)))
                face2.append((t, hz2, v2, d + rnd.gauss(0, 0.0005)))
            # The whole set in face I, then in face II in the reverse order.
            out.append((station, face1 + face2[::-1]))
    return out


def word(index, header, value, sixteen):
    return "%s%s%s%0*d" % (index, header, "-" if value < 0 else "+", 16 if sixteen else 8,
                           abs(value))


def text_word(first6, text, sixteen):
    return first6 + "+" + text.rjust(16 if sixteen else 8, "0")


def gsi(sets, sixteen, code_block):
    lines, block = [], 0
    lead = "*" if sixteen else ""
    station = None
    for s, readings in sets:
        if s != station:
            station = s
            block += 1
            if code_block:
                lines.append(lead + " ".join([
                    text_word("41%04d" % block, "1", sixteen),
                    text_word("42....", str(s), sixteen),
                    word("43", "....", round(INSTRUMENT[s] * 1000), sixteen)]) + " ")
            else:
                lines.append(lead + " ".join([
                    text_word("11%04d" % block, str(s), sixteen),
                    word("88", "...6", round(INSTRUMENT[s] * 10000), sixteen)]) + " ")
        for t, hz, v, d in readings:
            block += 1
            lines.append(lead + " ".join([
                text_word("11%04d" % block, str(t), sixteen),
                word("21", ".102", round(hz * 100000), sixteen),
                word("22", ".102", round(v * 100000), sixteen),
                word("31", "..06", round(d * 10000), sixteen),
                word("87", "...6", round(TARGET[t] * 10000), sixteen)]) + " ")
    return "".join(line + "\r\n" for line in lines)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = os.path.join(here, "..", "..", "examples", "zapisnik")
    os.makedirs(out, exist_ok=True)
    sets = shots(random.Random(2026))
    with open(os.path.join(out, "den1.gsi"), "w", newline="") as f:
        f.write(gsi([x for x in sets if x[0] <= 103], True, False))
    with open(os.path.join(out, "den2.gsi"), "w", newline="") as f:
        f.write(gsi([x for x in sets if x[0] > 103], False, True))


main()
