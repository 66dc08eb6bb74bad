"""TFastFourier and TWavelet1D against numpy."""
import numpy as np
import pytest

import ozmnum


def test_fft_matches_numpy(rng):
    n = 512
    x = rng.normal(size=n) + 1j * rng.normal(size=n)
    f = ozmnum.TFastFourier()
    f.NumData = n
    assert f.SpectrumSize == n
    f.SetSamples(x)
    np.testing.assert_array_equal(f.GetSamples(), x)
    f.Transform()
    # The forward transform uses exp(+2 pi i n k / N): N times numpy's inverse.
    X = n * np.fft.ifft(x)
    np.testing.assert_allclose(f.GetSamples(), X, rtol=0, atol=64 * np.finfo(float).eps * np.abs(X).max())
    f.InverseTransform()
    np.testing.assert_allclose(f.GetSamples(), x, rtol=0, atol=1e-13)


def test_power_spectrum_of_real_signal(rng):
    n = 256
    x = rng.normal(size=n)
    f = ozmnum.TFastFourier()
    f.NumData = n
    f.SetSamples(x)
    f.Transform()
    p = f.GetPowerSpectrum()
    X = np.fft.rfft(x)
    expected = 2 * np.abs(X) ** 2 / n
    expected[0] /= 2
    expected[-1] /= 2
    np.testing.assert_allclose(p, expected, rtol=1e-12, atol=1e-12)
    # Parseval: RMS over all lines is the RMS of the signal.
    np.testing.assert_allclose(f.RMS(0, n // 2), np.sqrt(np.mean(x**2)), rtol=1e-13)
    assert f.FreqOfLine(8, 0.5) == 8 / (0.5 * n)
    assert f.LineOfFreq(8 / (0.5 * n), 0.5) == 8


def test_window_weights_are_periodic_hann():
    import scipy.signal

    n = 64
    f = ozmnum.TFastFourier()
    f.NumData = n
    f.WeightingWindow = ozmnum.fwCos2
    w = np.array([f.WindowWeight(k) for k in range(1, n + 1)])
    ref = scipy.signal.get_window("hann", n, fftbins=True)
    np.testing.assert_allclose(w, ref[np.arange(1, n + 1) % n], atol=1e-14)


def test_haar_step_and_wavelet_round_trip(rng):
    n = 128
    x = rng.normal(size=n)
    w = ozmnum.TWavelet1D()
    w.NumData = n
    w.Order = 1
    w.SetData(x)
    w.SingleStep(False)
    c = w.GetData()
    s = np.sqrt(0.5)
    np.testing.assert_allclose(c[: n // 2], s * (x[0::2] + x[1::2]), atol=1e-15)
    np.testing.assert_allclose(c[n // 2 :], s * (x[0::2] - x[1::2]), atol=1e-15)
    for order in (1, 2, 3):
        w.Order = order
        w.SignalExtMode = ozmnum.wseWrap
        w.SetData(x)
        w.Transform(7)
        c = w.GetData()
        # Orthonormal: energy is kept; the full inverse restores the signal.
        np.testing.assert_allclose(np.sum(c**2), np.sum(x**2), rtol=1e-13)
        w.InverseTransform(7)
        np.testing.assert_allclose(w.GetData(), x, atol=1e-13)
    with pytest.raises(ozmnum.EOZMWaveletError):
        w.Order = 4
