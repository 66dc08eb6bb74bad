"""Power spectrum of the yearly sunspot numbers 1700-2008 with TFastFourier.

The last 256 years (a power of two), mean removed, under a cos^2 (Hann) window; the strongest
line gives the length of the solar cycle. Writes sunspot_periodogram.png.
Run: PYTHONPATH=<build>/python/package python3 examples/python/sunspot_periodogram.py [out-dir]
"""
import numpy as np

import ozmnum
from _common import DATA, output_dir, pyplot

table = np.loadtxt(DATA / "sunspots_yearly.csv", delimiter=",", skiprows=1)
years, spots = table[-256:, 0], table[-256:, 1]

fft = ozmnum.TFastFourier()
fft.NumData = 256
fft.WeightingWindow = ozmnum.fwCos2
fft.SetSamples(spots - spots.mean())
fft.Transform()
power = fft.GetPowerSpectrum()  # lines 0..128
freq = np.array([fft.FreqOfLine(line, 1.0) for line in range(len(power))])  # cycles per year

peak = 1 + int(np.argmax(power[1:]))
print(f"years {years[0]:.0f}-{years[-1]:.0f}: strongest line {peak}, "
      f"period {1 / freq[peak]:.2f} years, power {power[peak]:.4g}")
print(f"RMS of the windowed series: {fft.RMS(0, 128):.3f}")

plt = pyplot()
if plt is not None:
    fig, (ax1, ax2) = plt.subplots(2, 1, figsize=(8, 6.5))
    ax1.plot(years, spots, lw=0.9)
    ax1.set_xlabel("year")
    ax1.set_ylabel("yearly mean sunspot number")
    ax2.semilogy(freq[1:], power[1:], lw=0.9)
    ax2.axvline(freq[peak], color="tab:red", ls=":", label=f"{1 / freq[peak]:.1f} years")
    ax2.set_xlabel("frequency (cycles per year)")
    ax2.set_ylabel("power")
    ax2.legend()
    fig.tight_layout()
    path = output_dir() / "sunspot_periodogram.png"
    fig.savefig(path, dpi=110)
    print(f"plot: {path}")
