#!/usr/bin/env python3
"""Writes N generated jobs for comparing two builds of the program: the shipped examples with
their measurements, weights, approximate coordinates, point codes and header values perturbed,
and console scripts that ask for random derived quantities (some with unknown points, some
declining). Deterministic for a given seed.
    tests/differential/jobs.py FOLDER [N] [SEED]
Each job is FOLDER/<k>/in.txt with FOLDER/<k>/script (the three file names first)."""
import os
import random
import sys

here = os.path.dirname(os.path.abspath(__file__))
examples = os.path.join(here, "..", "..", "examples")


def sections(text):
    lines = text.splitlines()
    head, rest = lines[:2], lines[2:]
    parts, cur = [], []
    for line in rest:
        if line.strip().startswith("-1"):
            parts.append(cur)
            cur = []
        else:
            cur.append(line)
    if cur:
        parts.append(cur)
    while len(parts) < 4:
        parts.append([])
    return head, parts


def fmt(v):
    return ("%.1f" % v) if rnd.random() < 0.8 else repr(v)


def job(base, k):
    head, (points, dirs, zens, dists) = sections(open(os.path.join(examples, base + ".txt")).read())
    sd = head[1].split()
    if rnd.random() < 0.3:
        sd = [str(round(float(s) * rnd.choice([0.001, 0.5, 1, 2, 10]), 3)) for s in sd]
    out = [head[0][:-1] + " %d'" % k, " ".join(sd)]
    numbers = []
    for line in points:
        f = line.split()
        num, code = f[0], int(f[1])
        if rnd.random() < 0.1:
            code = rnd.choice([0, 1, 2, 3, 4, 5, 6, 7, -1, -7])
        xyz = [float(v) + rnd.gauss(0, rnd.choice([0.5, 5, 50, 500])) for v in f[2:5]]
        numbers.append(num)
        out.append("%s %d %s" % (num, code, " ".join(fmt(v) for v in xyz)))
    out.append("-1")
    for sec, spread in ((dirs, 8.0), (zens, 20.0), (dists, 3.0)):
        for line in sec:
            f = line.split()
            if rnd.random() < 0.03:
                continue
            v = float(f[2]) + rnd.gauss(0, spread * rnd.choice([0.1, 1, 5]))
            w = float(f[3]) if len(f) > 3 else 1.0
            if rnd.random() < 0.2:
                w = rnd.choice([0.0001, 0.0005, 0.002, 0.09, 0.5, 1, 2, 4, 9])
            out.append("%s %s %s %s" % (f[0], f[1], fmt(v), w))
        out.append("-1")
    script = ["chyby.txt", "vysledky.txt", "in.txt"]
    for _question in range(5):
        if rnd.random() < 0.25:
            script.append("n")
            continue
        script.append("a")
        for _ in range(rnd.randint(0, 3)):
            pts = [rnd.choice(numbers + ["999"]) for _ in range(3)]
            script.append(" ".join(pts))
        script += ["-1 0 0", rnd.choice(["a", "a", "n", "a"]), "a"]
    return "\n".join(out) + "\n", "\n".join(script) + "\n"


folder = sys.argv[1]
count = int(sys.argv[2]) if len(sys.argv) > 2 else 300
rnd = random.Random(int(sys.argv[3]) if len(sys.argv) > 3 else 19)
bases = ["mikrosit", "helmert", "castecne", "nejvetsi"]
for k in range(count):
    d = os.path.join(folder, str(k))
    os.makedirs(d, exist_ok=True)
    text, script = job(bases[k % 4], k)
    open(os.path.join(d, "in.txt"), "w").write(text)
    open(os.path.join(d, "script"), "w").write(script)
