#!/usr/bin/env bash
# Builds the benchmarks (release, with Eigen and LAPACK as comparison baselines when they can be
# installed) and runs the named ones, or all: scripts/run-benchmarks.sh [name ...]
# Extra Google Benchmark flags go in BENCH_FLAGS, e.g. BENCH_FLAGS=--benchmark_filter=Sort.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh libeigen3-dev liblapack-dev libblas-dev libopenblas-dev

cmake --preset bench >/dev/null
cmake --build --preset bench

names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for b in build/bench/bench/bench_*; do names+=("$(basename "${b#build/bench/bench/bench_}")"); done
fi
for n in "${names[@]}"; do
  echo "=== $n ==="
  # shellcheck disable=SC2086
  "build/bench/bench/bench_$n" ${BENCH_FLAGS:-}
done
