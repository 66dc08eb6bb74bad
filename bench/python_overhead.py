"""Call overhead of the Python module ozmnum against numpy, and the zero-copy hand-over.

Small operations measure what a call through the bindings costs (argument conversion, the
library's range handling, building the result): a 10-element mean, a 4 x 4 product and a t test
of two 10-element samples (against scipy). The hand-over of a 10^7-cell matrix (or TMat4D
stack) to numpy is a view through the buffer protocol, so it must not grow with the size; a copy
is timed beside it for scale. Library and numpy calls are timed in alternation, several rounds,
and the best round is kept, so the ratios hold on a loaded machine.
Run: PYTHONPATH=build/python/python/package /usr/bin/python3 bench/python_overhead.py
"""
import timeit

import numpy as np

import ozmnum


def best(stmt, number, rounds=7):
    return min(timeit.repeat(stmt, number=number, repeat=1)[0] for _ in range(rounds)) / number


def compare(label, ours, theirs, number):
    t_ours, t_theirs = [], []
    for _ in range(7):  # alternate, so both see the same load
        t_ours.append(best(ours, number, 1))
        t_theirs.append(best(theirs, number, 1))
    a, b = min(t_ours), min(t_theirs)
    print(f"{label:44s} {a * 1e9:10.0f} ns {b * 1e9:10.0f} ns   ratio {a / b:6.2f}")


def main():
    rng = np.random.default_rng(1)
    print(f"{'operation':44s} {'ozmnum':>13s} {'numpy':>13s}")

    x10 = rng.normal(size=10)
    v10 = ozmnum.TVector(x10)
    compare("mean of 10 elements (TVector.MeanVar)", lambda: v10.MeanVar(), lambda: x10.mean(), 20000)
    compare("mean of 10 (MeanVarArray on a numpy array)", lambda: ozmnum.MeanVarArray(x10),
            lambda: (x10.mean(), x10.var(ddof=1)), 20000)

    a, b = rng.normal(size=(4, 4)), rng.normal(size=(4, 4))
    ma, mb, mr = ozmnum.TMatrix(a), ozmnum.TMatrix(b), ozmnum.TMatrix()
    out = np.empty((4, 4))
    compare("4 x 4 product (TMatrix.Multiply)", lambda: ma.Multiply(mb, mr), lambda: np.matmul(a, b, out=out), 20000)
    compare("4 x 4 product, result to numpy", lambda: (ma.Multiply(mb, mr), np.asarray(mr)), lambda: a @ b, 20000)

    # Routines that take samples as numpy arrays copy them into TVector objects first.
    import scipy.stats

    y10 = rng.normal(size=10)
    w10 = ozmnum.TVector(y10)
    compare("t test of 2 x 10 values (numpy arrays in)", lambda: ozmnum.Perform2SampleTTest(x10, y10, True),
            lambda: scipy.stats.ttest_ind(x10, y10), 2000)
    compare("t test of 2 x 10 values (TVector in)", lambda: ozmnum.Perform2SampleTTest(v10, w10, True),
            lambda: scipy.stats.ttest_ind(x10, y10), 2000)

    big = ozmnum.TMatrix()
    big.Resize(1000, 10000)  # 10^7 cells, 80 MB
    big_np = np.zeros((10000, 1000), order="F")
    compare("10^7-cell matrix to numpy (view vs view)", lambda: np.asarray(big), lambda: np.asarray(big_np), 2000)
    t_view = best(lambda: np.asarray(big), 2000)
    t_copy = best(lambda: np.array(big), 3, rounds=3)
    t_in = best(lambda: ozmnum.TMatrix(big_np), 3, rounds=3)
    print(f"10^7 cells: zero-copy view {t_view * 1e6:.2f} us, copy to numpy {t_copy * 1e3:.1f} ms, "
          f"copy from numpy into a new TMatrix {t_in * 1e3:.1f} ms (view/copy = {t_view / t_copy:.2e})")
    view = np.asarray(big)
    assert np.shares_memory(view, big.Data) and view.shape == (10000, 1000)
    del view
    stack = ozmnum.TMat4D()
    stack.Resize(100, 100, 100, 10)  # 10^7 cells in GetVal's index order
    stack_np = np.zeros((100, 100, 100, 10), order="F")
    compare("10^7-cell TMat4D to numpy (view vs view)", lambda: np.asarray(stack), lambda: np.asarray(stack_np), 2000)


if __name__ == "__main__":
    main()
