"""Writes the example files the documentation's commands read, from fixed seeds (standard library
only, so that the files are the same wherever it runs):

  season.txt  100 weekly temperatures (x in days) with a level of 15 and a yearly cycle
  table.csv   columns t, a and b (40 rows; b has an empty cell), as a spreadsheet writes them
  tide.csv    hourly sea level with a header, a 12.42 h tide and a daily one, on a level
  data.txt    x y as NumPy's savetxt writes them (exponents), 2,000 rows, period 0.02
  genes.csv   48 hourly rows of 6 genes, each a column with a daily cycle on its own level

usage: python3 make_examples.py   (in docs/examples)
"""
import math
import random


def write(name, lines):
    with open(name, "w", newline="\n") as f:
        f.write("".join(line + "\n" for line in lines))


def season():
    rng = random.Random(7)
    rows = []
    for i in range(100):
        x = 7 * i
        y = 15 + 4 * math.sin(2 * math.pi * x / 365.25 + 2.5) + rng.gauss(0, 0.8)
        rows.append(f"{x} {y:.3f}")
    return rows


def table():
    rng = random.Random(11)
    rows = ["t,a,b"]
    for i in range(40):
        t = 0.5 * i
        a = 2 * math.sin(0.9 * t + 0.3) + rng.gauss(0, 0.1)
        b = "" if i == 6 else f"{math.cos(0.4 * t) + rng.gauss(0, 0.1):.4f}"
        rows.append(f"{t:g},{a:.4f},{b}")
    return rows


def tide():
    rng = random.Random(3)
    rows = ["hour,level"]
    for h in range(72):
        level = (1.2 + 0.9 * math.sin(2 * math.pi * h / 12.42 + 0.4)
                 + 0.25 * math.sin(2 * math.pi * h / 24 + 1.1) + rng.gauss(0, 0.05))
        rows.append(f"{h},{level:.3f}")
    return rows


def savetxt():
    rng = random.Random(5)
    rows = []
    for i in range(2000):
        x = 0.001 * i
        y = 1.5 + math.sin(2 * math.pi * x / 0.02) + rng.gauss(0, 0.2)
        rows.append(f"{x:.18e} {y:.18e}")
    return rows


def genes():
    rng = random.Random(13)
    names = [f"gene{k + 1}" for k in range(6)]
    rows = ["hour," + ",".join(names)]
    for h in range(0, 48):
        values = [5 + k + (1 + 0.3 * k) * math.sin(2 * math.pi * h / 24 + k) + rng.gauss(0, 0.3)
                  for k in range(len(names))]
        rows.append(f"{h}," + ",".join(f"{v:.3f}" for v in values))
    return rows


write("season.txt", season())
write("table.csv", table())
write("tide.csv", tide())
write("data.txt", savetxt())
write("genes.csv", genes())
