#!/usr/bin/env bash
# Builds the Python module ozmnum (build/python, release flags, warnings as errors) and runs its
# pytest suite with Debian's interpreter, whose numpy and scipy are the test oracles. The last
# line is pytest's summary.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/bootstrap.sh pybind11-dev python3-dev python3-numpy python3-pytest python3-scipy python3-sklearn >/dev/null

PYTHON=/usr/bin/python3
BUILD=build/python
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DOZM_WERROR=ON -DOZM_BUILD_PYTHON=ON \
      -DOZM_BUILD_TESTS=OFF -DOZM_BUILD_EXAMPLES=OFF -DPython3_EXECUTABLE="$PYTHON" >/dev/null
cmake --build "$BUILD" -j"${OZM_JOBS:-2}" --target ozmnum_python

export PYTHONPATH="$PWD/$BUILD/python/package${PYTHONPATH:+:$PYTHONPATH}"
exec "$PYTHON" -m pytest -q -p no:cacheprovider python/tests "$@"
