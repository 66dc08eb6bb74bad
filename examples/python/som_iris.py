"""A self-organising map of Fisher's iris measurements, coloured by species.

An 8 x 8 Kohonen map (TKohonen) is trained on the standardised four measurements (cm) of the 150
flowers; the species are not shown to it. Every flower is then mapped to its best-matching
neuron, and each neuron is drawn as a cell coloured by the species most of its flowers belong to
(setosa red, versicolor green, virginica blue, darker with more flowers; grey where no flower
lands), with the number of flowers written in it. A map that keeps the species in separate
regions has found them from the measures alone. Prints the quantisation error (mean distance of
a flower to its neuron, standardised units) and the topographic error (share of flowers whose two
best neurons are not neighbours) and writes som_iris.png.
Run: PYTHONPATH=<build>/python/package python3 examples/python/som_iris.py [out-dir]
"""
import numpy as np

import ozmnum
from _common import DATA, output_dir, pyplot

raw = np.loadtxt(DATA / "iris.csv", delimiter=",", skiprows=1)
x, species = raw[:, :4], raw[:, 4].astype(int)
names = ["setosa", "versicolor", "virginica"]
side = 8

som = ozmnum.TKohonen()
som.TrainData = x
som.StandardizeData()
som.SizeX = som.SizeY = side
som.InitialNeighbors, som.NrOfTrnSteps, som.InitialAlpha = 4, 100, 0.5


def progress(sender, percent):
    if percent % 25 == 0:
        print(f"  training {percent:3d} %")


som.OnFeedback = progress
ozmnum.SetRandSeed(2026)
print(f"Iris: {len(x)} flowers, 4 measures; a {side} x {side} map, {som.NrOfTrnSteps} steps")
som.Trainit()

# Flowers per neuron and species.
bx, by, _ = som.ApplyItArray(x)
counts = np.zeros((side, side, 3), dtype=int)  # [x - 1, y - 1, species]
np.add.at(counts, (bx - 1, by - 1, species), 1)
total = counts.sum(axis=2)
major = counts.argmax(axis=2)
used = total > 0
pure = (counts.max(axis=2) == total) & used
print("\nMajority species per neuron (s setosa, c versicolor, v virginica, . none):")
for y in range(side):
    print("  " + "".join("scv"[major[x_, y]] if used[x_, y] else "." for x_ in range(side)))
print(f"\n{used.sum()} of {side * side} neurons hold flowers, {pure.sum()} of them of one species only")
print(f"quantisation error {som.QuantizationError():.4f} (mean distance to the best neuron, "
      "standardised units)")
print(f"topographic error  {som.TopographicError():.4f} (share of flowers whose two best neurons "
      "are not neighbours)")

plt = pyplot()
if plt is not None:
    base = np.array([[0.85, 0.15, 0.15], [0.15, 0.65, 0.15], [0.15, 0.25, 0.85]])
    image = np.full((side, side, 3), 0.75)  # [row = y - 1, column = x - 1, rgb]
    for x_ in range(side):
        for y in range(side):
            if used[x_, y]:
                # Paler with few flowers, the full colour from 8 on.
                strength = min(1.0, 0.35 + 0.65 * total[x_, y] / 8)
                image[y, x_] = 1 - strength * (1 - base[major[x_, y]])
    fig, ax = plt.subplots(figsize=(6.2, 6))
    ax.imshow(image, origin="upper", extent=(0.5, side + 0.5, side + 0.5, 0.5))
    for x_ in range(side):
        for y in range(side):
            if used[x_, y]:
                ax.text(x_ + 1, y + 1, str(total[x_, y]), ha="center", va="center", fontsize=9)
    ax.set_xticks(range(1, side + 1))
    ax.set_yticks(range(1, side + 1))
    ax.set_xticks(np.arange(0.5, side + 1), minor=True)
    ax.set_yticks(np.arange(0.5, side + 1), minor=True)
    ax.grid(which="minor", color="white", lw=2)
    ax.tick_params(which="minor", length=0)
    ax.set_xlabel("neuron x")
    ax.set_ylabel("neuron y")
    ax.set_title(f"Iris on an {side} x {side} map: majority species per neuron\n"
                 f"quantisation error {som.QuantizationError():.3f}, "
                 f"topographic error {som.TopographicError():.3f}")
    handles = [plt.Rectangle((0, 0), 1, 1, color=c) for c in [*base, "0.75"]]
    ax.legend(handles, names + ["no flower"], loc="upper center", bbox_to_anchor=(0.5, -0.1), ncol=4,
              frameon=False)
    fig.tight_layout()
    path = output_dir() / "som_iris.png"
    fig.savefig(path, dpi=110)
    print(f"plot: {path}")
