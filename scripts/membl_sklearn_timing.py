#!/usr/bin/python3
"""Times sklearn's brute-force nearest-neighbour searches on the sizes of bench/membl.cpp, the
baseline of the memory-based learner's benchmark (python3-sklearn):

    /usr/bin/python3 scripts/membl_sklearn_timing.py

- predict: KNeighborsRegressor(n_neighbors=5, algorithm="brute") fitted on 10^5 objects with 10
  normal features, predicting 10^3 and 10^4 objects (BM_Predict, BM_PredictFullSize);
- model lists: NearestNeighbors(n_neighbors=100, algorithm="brute").kneighbors() of every object
  of 2000- and 5000-object models (BM_CalcNNOfModelData).
Each timing is the best of three runs, wall and processor time (of all threads) in milliseconds;
OMP_NUM_THREADS=1 OPENBLAS_NUM_THREADS=1 gives the one-core figures that the benchmark compares. sklearn computes Euclidean distances by
|x|^2 - 2 x.y + |y|^2 with BLAS and selects with argpartition, using every core the machine gives
it; the learner computes each distance directly on one core.
"""
import time

import numpy as np
from sklearn.neighbors import KNeighborsRegressor, NearestNeighbors


def best_ms(fn, repeat=3):
    """Best wall time and best processor time (all threads) of repeat runs, in ms."""
    wall = cpu = float("inf")
    for _ in range(repeat):
        t0, c0 = time.perf_counter(), time.process_time()
        fn()
        wall = min(wall, time.perf_counter() - t0)
        cpu = min(cpu, time.process_time() - c0)
    return "%.1f ms wall, %.1f ms cpu" % (1e3 * wall, 1e3 * cpu)


def main():
    rng = np.random.default_rng(42)
    X = rng.normal(size=(100000, 10))
    y = rng.normal(size=100000)
    reg = KNeighborsRegressor(n_neighbors=5, algorithm="brute").fit(X, y)
    for count in (1000, 10000):
        Q = rng.normal(size=(count, 10))
        print("predict %d objects against 100000 x 10: %s" % (count, best_ms(lambda: reg.predict(Q))))
    for rows in (2000, 5000):
        M = rng.normal(size=(rows, 10))
        nn = NearestNeighbors(n_neighbors=100, algorithm="brute").fit(M)
        print("neighbour lists (100) of %d objects: %s" % (rows, best_ms(lambda: nn.kneighbors(M))))


if __name__ == "__main__":
    main()
