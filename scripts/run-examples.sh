#!/usr/bin/env bash
# Builds the library and the example programs (release, the same configuration as the release
# pass of scripts/run-tests.sh, so that one reuses this build) and runs every example. Ends with a
# line that counts the examples that ran and those that failed.
set -euo pipefail
cd "$(dirname "$0")/.."
# gnuplot draws the plots of the examples that have them.
bash scripts/bootstrap.sh gnuplot-nox
source scripts/release-config.sh

configure_release
cmake --build --preset release -j "$(nproc)" --target examples

ran=0
failed=()
cd build/release/examples
for ex in ./example_*; do
  [ -x "$ex" ] || continue
  name=${ex#./example_}
  echo "=== $name ==="
  if "$ex"; then
    ran=$((ran + 1))
  else
    failed+=("$name")
  fi
  echo
done
echo "examples: $ran ran, ${#failed[@]} failed${failed:+ (${failed[*]})}"
[ ${#failed[@]} -eq 0 ]
