#!/usr/bin/env bash
# Builds the library (release) and runs every example program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh

cmake --preset release -DOZM_BUILD_TESTS=OFF >/dev/null
cmake --build --preset release

cd build/release/examples
for ex in ./example_*; do
  echo "=== ${ex#./example_} ==="
  "$ex"
  echo
done
