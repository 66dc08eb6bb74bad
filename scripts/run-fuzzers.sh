#!/usr/bin/env bash
# Builds the libFuzzer targets of the file readers (fuzz/) with clang++ in build/fuzz and
# runs each for a short while from its seed corpus fuzz/corpus/<target> (the seeds are copied to
# build/fuzz/corpus/<target>, so the repository stays as it is). Exits non-zero when a fuzzer
# reports a crash, a leak, undefined behaviour, a timeout or excessive memory; the reproducer
# lands in build/fuzz/artifacts/<target>/. When clang++ or its libFuzzer runtime is missing, the
# script says so and exits 0.
#
#   FUZZ_SECONDS   seconds per target (default 20)
#   FUZZ_JOBS      build jobs (default 2)
#   scripts/run-fuzzers.sh [target...]   only the named targets
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-20}
jobs=${FUZZ_JOBS:-2}
build=build/fuzz
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for src in fuzz/fuzz_*.cpp; do
    name=$(basename "$src" .cpp)
    targets+=("$name")
  done
fi

if ! command -v clang++ >/dev/null 2>&1; then
  echo "run-fuzzers: clang++ not found; skipping the fuzzers"
  exit 0
fi
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
cat >"$probe/probe.cpp" <<'CPP'
#include <cstddef>
#include <cstdint>
extern "C" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) { return 0; }
CPP
if ! clang++ -fsanitize=fuzzer,address,undefined "$probe/probe.cpp" -o "$probe/probe" \
    >/dev/null 2>&1; then
  echo "run-fuzzers: clang++ cannot link -fsanitize=fuzzer; skipping the fuzzers"
  exit 0
fi

bash scripts/bootstrap.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DOZM_BUILD_FUZZERS=ON -DOZM_BUILD_TESTS=OFF -DOZM_BUILD_EXAMPLES=OFF >/dev/null
cmake --build "$build" --target "${targets[@]}" -j "$jobs"

failed=()
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  artifacts="$build/artifacts/$target"
  mkdir -p "$corpus" "$artifacts"
  if [ -d "fuzz/corpus/$target" ]; then
    cp -n "fuzz/corpus/$target"/* "$corpus"/ 2>/dev/null || true
  fi
  echo "=== $target: ${seconds}s ==="
  if ! "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -max_len=16384 -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus"; then
    echo "run-fuzzers: $target found a fault; reproducer in $artifacts/"
    failed+=("$target")
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "run-fuzzers: failed: ${failed[*]}"
  exit 1
fi
echo "run-fuzzers: all targets ran clean"
