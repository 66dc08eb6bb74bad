#!/usr/bin/env bash
# Builds and runs every test twice: a release build (warnings are errors), then a build under
# AddressSanitizer + UndefinedBehaviorSanitizer that stops at the first report. The release pass
# also installs the library into a scratch prefix and builds the consumer project in
# tests/package against it. Last, the file-reader fuzzers run for a short while when clang's
# libFuzzer is present. OZM_SKIP_SANITIZE=1 and OZM_SKIP_FUZZ=1 leave those passes out.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh
jobs=$(nproc)

echo "=== release build ==="
cmake --preset release -DOZM_WERROR=ON >/dev/null
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

if [ "${OZM_SKIP_SANITIZE:-0}" != "1" ]; then
  echo "=== sanitizer build ==="
  cmake --preset sanitize -DOZM_WERROR=ON >/dev/null
  cmake --build --preset sanitize -j "$jobs"
  ctest --preset sanitize -j "$jobs" | tee -a "$summary"
fi
if [ "${OZM_SKIP_FUZZ:-0}" != "1" ]; then
  echo "=== fuzzers (when clang's libFuzzer is present) ==="
  FUZZ_SECONDS=${FUZZ_SECONDS:-20} bash scripts/run-fuzzers.sh
fi
# One closing line over every ctest pass (ctest itself fails the script on any failed test).
awk '/tests passed, .* tests failed out of/ { failed += $4; total += $NF }
     END { printf "tests: %d passed, %d failed\n", total - failed, failed }' "$summary"
