#!/usr/bin/env bash
# Builds and runs every test in two passes: a release build (warnings are errors; it reuses the
# build of scripts/run-examples.sh), then a build under AddressSanitizer +
# UndefinedBehaviorSanitizer that stops at the first report. The release pass also installs the
# library into a scratch prefix and builds the consumer project in tests/package against it.
# The API reference is built with Doxygen next; an undocumented public name fails it
# (scripts/build-docs.sh). Then the Python module is built and its pytest suite run
# (scripts/run-python-tests.sh). Last, the file-reader fuzzers run for a short while when clang's
# libFuzzer is present (their output goes to build/fuzz/logs/). OZM_SKIP_DOCS=1,
# OZM_SKIP_PYTHON=1, OZM_SKIP_SANITIZE=1 and OZM_SKIP_FUZZ=1 leave those passes out. The closing
# line counts distinct tests; the line before it says how many passes ran them.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh
source scripts/release-config.sh
jobs=$(nproc)

echo "=== release build ==="
configure_release
cmake --build --preset release -j "$jobs"
summary=$(mktemp)
trap 'rm -f "$summary"' EXIT
ctest --preset release -j "$jobs" | tee -a "$summary"

echo "=== installed package ==="
prefix=$(pwd)/build/release/_install
rm -rf "$prefix" build/package
cmake --install build/release --prefix "$prefix" >/dev/null
cmake -S tests/package -B build/package -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build build/package
LD_LIBRARY_PATH="$prefix/lib:${LD_LIBRARY_PATH:-}" build/package/package_consumer
PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --exists ozmnum
g++ -std=c++20 tests/package/consumer.cpp -o build/package/pc_consumer \
  $(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --cflags --libs ozmnum)
LD_LIBRARY_PATH="$prefix/lib:${LD_LIBRARY_PATH:-}" build/package/pc_consumer

if [ "${OZM_SKIP_DOCS:-0}" != "1" ]; then
  echo "=== API reference ==="
  bash scripts/build-docs.sh | tail -n 1
fi

if [ "${OZM_SKIP_PYTHON:-0}" != "1" ]; then
  echo "=== Python module ==="
  OZM_JOBS="$jobs" bash scripts/run-python-tests.sh | tee -a "$summary"
fi

if [ "${OZM_SKIP_SANITIZE:-0}" != "1" ]; then
  echo "=== sanitizer build ==="
  cmake --preset sanitize -DOZM_WERROR=ON >/dev/null
  cmake --build --preset sanitize -j "$jobs"
  ctest --preset sanitize -j "$jobs" | tee -a "$summary"
fi
if [ "${OZM_SKIP_FUZZ:-0}" != "1" ]; then
  echo "=== fuzzers (when clang's libFuzzer is present) ==="
  bash scripts/run-fuzzers.sh
fi
# Every pass runs the same tests, and a failed test stops the script in its pass; so reaching
# this point means every distinct test passed in every pass.
# The Python tests (pytest's "N passed" line) are distinct tests of their own, run once.
awk '/tests passed, .* tests failed out of/ {
       passes += 1; runs += $NF; if ($NF > distinct) distinct = $NF; failed += $4 }
     /^[0-9]+ passed/ || /^=+ [0-9]+ passed/ {
       for (i = 1; i <= NF; ++i) if ($(i + 1) ~ /^passed/) { python = $i; break } }
     END {
       printf "%d distinct C++ tests, run in %d passes (%d runs); %d Python tests\n",
              distinct, passes, runs, python
       printf "tests: %d passed, %d failed\n", distinct + python - failed, failed }' "$summary"
