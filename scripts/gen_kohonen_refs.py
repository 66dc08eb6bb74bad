#!/usr/bin/python3
"""Reference values of the self-organizing map (TKohonen) on Fisher's iris data.

Independent reimplementation in numpy of the map's training, written from the description of
the algorithm, not from the library's code:

* data: data/iris.csv (first line a header, then four measurements and the species code);
  standardized here with numpy (mean, sample standard deviation with ddof=1). The means and
  standard deviations the library stored in the start maps must agree to 1e-14 (relative).
* start maps: tests/data/kohonen/<name>_init.xml, written by the library after
  ozm::SetRandSeed(seed) and TKohonen::SetWeigtsToRandom (the seed is in the comment element;
  the test KohonenIris.SeededStartIsTheFixture checks that the seed still gives these weights
  bit for bit). Read here with xml.etree, parameters and weights as the file gives them.
* training: for steps t = currentstep .. maxsteps - 1: a = (maxsteps - t) / maxsteps,
  radius = round(a^2 (maxneighb - 1) + 1) (Python's round: ties to even), alpha = a^2 maxalpha.
  Every data row in order: squared distances to all neurons (summed input by input), winner =
  first minimum in the order x outer, y inner; window of that radius around the winner, clipped
  to the grid, or on a cyclic grid wrapped with the radius held to size // 2 - 1 (at least 0)
  per axis; each neuron in it moves by h = alpha / (1 + sqrt(d2 - d2min)).
* errors of the trained map over the standardized data: quantisation error = mean Euclidean
  distance of each row to its winner; topographic error = share of rows whose best and
  second-best neurons (first minima in scan order) differ by more than 1 in x or in y (wrapped
  on a cyclic grid).

Output: tests/data/kohonen/iris_refs.txt, per map a block
    map <name> <presentations>
    qe <value>
    te <value>
    w <ix> <iy> <iw> <value>      (every trained weight, standardized units)
with values written with 17 significant digits (repr), so they read back exactly.
"""
import os
import xml.etree.ElementTree as ET

import numpy as np

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
OUT_DIR = os.path.join(ROOT, "tests", "data", "kohonen")
MAPS = ["iris_open", "iris_cyclic"]


def read_iris():
    rows = []
    with open(os.path.join(ROOT, "data", "iris.csv")) as f:
        next(f)
        for line in f:
            if line.strip():
                rows.append([float(v) for v in line.split(",")[:4]])
    return np.array(rows)


def read_map(name):
    root = ET.parse(os.path.join(OUT_DIR, name + "_init.xml")).getroot()
    assert root.tag == "kohonen" and root.get("sig") == "OZMNumLib"
    p = {e.tag: e.text for e in root if e.tag not in ("cell", "meanstddev")}
    sx, sy, nin = int(p["sizex"]), int(p["sizey"]), int(p["nrinsens"])
    w = np.full((sx, sy, nin), np.nan)
    for e in root.iter("cell"):
        w[int(e.get("ix")) - 1, int(e.get("iy")) - 1, int(e.get("iw")) - 1] = float(e.text)
    assert not np.isnan(w).any()
    mean = np.zeros(nin)
    sd = np.zeros(nin)
    for e in root.iter("meanstddev"):
        k = int(e.get("iw")) - 1
        mean[k] = float(e.get("mean"))
        sd[k] = float(e.get("stddev"))
    return dict(w=w, mean=mean, sd=sd, maxneighb=int(p["maxneighb"]),
                maxsteps=int(p["maxsteps"]), maxalpha=float(p["maxalpha"]),
                step=int(p["currentstep"]), cyclic=p["cyclic"].strip().upper() == "TRUE")


def sq_dist(w, z):
    d = (w[:, :, 0] - z[0]) ** 2
    for k in range(1, w.shape[2]):
        d = d + (w[:, :, k] - z[k]) ** 2
    return d


def axis_window(c, r, size, cyclic):
    if cyclic:
        r = max(0, min(r, size // 2 - 1))
        return [(c + o) % size for o in range(-r, r + 1)]
    return list(range(max(c - r, 0), min(c + r, size - 1) + 1))


def train(m, z):
    w = m["w"].copy()
    sx, sy, _ = w.shape
    presentations = 0
    for t in range(m["step"], m["maxsteps"]):
        a = (m["maxsteps"] - t) / m["maxsteps"]
        a2 = a * a
        radius = round(a2 * (m["maxneighb"] - 1) + 1)
        alpha = a2 * m["maxalpha"]
        for row in z:
            d = sq_dist(w, row)
            best = int(np.argmin(d))  # first minimum, x outer and y inner (C order)
            xw, yw = divmod(best, sy)
            dmin = d[xw, yw]
            for x in axis_window(xw, radius, sx, m["cyclic"]):
                for y in axis_window(yw, radius, sy, m["cyclic"]):
                    h = alpha / (1.0 + np.sqrt(d[x, y] - dmin))
                    w[x, y, :] = w[x, y, :] + (row - w[x, y, :]) * h
            presentations += 1
    return w, presentations


def errors(w, z, cyclic):
    sx, sy, _ = w.shape
    qe = 0.0
    te = 0
    for row in z:
        d = sq_dist(w, row).ravel()
        order = np.argsort(d, kind="stable")
        best, second = int(order[0]), int(order[1])
        qe += np.sqrt(d[best])
        (x1, y1), (x2, y2) = divmod(best, sy), divmod(second, sy)
        dx, dy = abs(x1 - x2), abs(y1 - y2)
        if cyclic:
            dx, dy = min(dx, sx - dx), min(dy, sy - dy)
        te += dx > 1 or dy > 1
    return qe / len(z), te / len(z)


def main():
    x = read_iris()
    mean = x.mean(axis=0)
    sd = x.std(axis=0, ddof=1)
    z = (x - mean) / sd
    lines = []
    for name in MAPS:
        m = read_map(name)
        assert np.allclose(m["mean"], mean, rtol=1e-14, atol=0)
        assert np.allclose(m["sd"], sd, rtol=1e-14, atol=0)
        w, presentations = train(m, z)
        qe, te = errors(w, z, m["cyclic"])
        lines.append("map %s %d" % (name, presentations))
        lines.append("qe %r" % qe)
        lines.append("te %r" % te)
        sx, sy, nin = w.shape
        for ix in range(sx):
            for iy in range(sy):
                for k in range(nin):
                    lines.append("w %d %d %d %r" % (ix + 1, iy + 1, k + 1, float(w[ix, iy, k])))
        print(name, "presentations", presentations, "qe", qe, "te", te)
    with open(os.path.join(OUT_DIR, "iris_refs.txt"), "w") as f:
        f.write("# scripts/gen_kohonen_refs.py: trained iris maps (numpy reimplementation)\n")
        f.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
