#!/usr/bin/env bash
# Builds the libFuzzer targets of the file readers (fuzz/fuzz_*.cpp) with clang++ in build/fuzz
# and runs each for a short while from its seed corpus fuzz/corpus/<target> (the seeds are copied
# to build/fuzz/corpus/<target>, so the repository stays as it is), with the dictionary
# fuzz/<target>.dict when there is one. libFuzzer's own output goes to
# build/fuzz/logs/<target>.log; the script prints one line per target: inputs executed, time
# and result. Exits non-zero when a fuzzer reports a crash, a leak, undefined behaviour, a
# timeout or excessive memory; the reproducer lands in build/fuzz/artifacts/<target>/. When
# clang++ or its libFuzzer runtime is missing, the script says so and exits 0.
#
#   FUZZ_SECONDS        seconds per target (default: FUZZ_TOTAL_SECONDS shared by the targets,
#                       at least 5 each)
#   FUZZ_TOTAL_SECONDS  time for all targets together when FUZZ_SECONDS is not set (default 200)
#   FUZZ_RUNS           stop a target after this many inputs (default: no limit)
#   FUZZ_JOBS           build jobs (default 2)
#   scripts/run-fuzzers.sh [target...]   only the named targets
set -euo pipefail
cd "$(dirname "$0")/.."

jobs=${FUZZ_JOBS:-2}
build=build/fuzz
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for src in fuzz/fuzz_*.cpp; do
    name=$(basename "$src" .cpp)
    targets+=("$name")
  done
fi
total=${FUZZ_TOTAL_SECONDS:-200}
default_seconds=$((total / ${#targets[@]}))
[ "$default_seconds" -ge 5 ] || default_seconds=5
seconds=${FUZZ_SECONDS:-$default_seconds}

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
logs="$build/logs"
mkdir -p "$logs"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DOZM_BUILD_FUZZERS=ON -DOZM_BUILD_TESTS=OFF -DOZM_BUILD_EXAMPLES=OFF >"$logs/build.log"
if ! cmake --build "$build" --target "${targets[@]}" -j "$jobs" >>"$logs/build.log" 2>&1; then
  grep -E "error|Error" "$logs/build.log" | head -40 || true
  echo "run-fuzzers: the build failed; see $logs/build.log"
  exit 1
fi

echo "run-fuzzers: ${#targets[@]} targets, ${seconds}s each${FUZZ_RUNS:+, at most $FUZZ_RUNS inputs}"
failed=()
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  artifacts="$build/artifacts/$target"
  log="$logs/$target.log"
  mkdir -p "$corpus" "$artifacts"
  if [ -d "fuzz/corpus/$target" ]; then
    cp -n "fuzz/corpus/$target"/* "$corpus"/ 2>/dev/null || true
  fi
  options=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384
           -print_final_stats=1 -artifact_prefix="$artifacts/")
  [ -f "fuzz/$target.dict" ] && options+=(-dict="fuzz/$target.dict")
  [ -n "${FUZZ_RUNS:-}" ] && options+=(-runs="$FUZZ_RUNS")
  start=$(date +%s)
  if "$build/fuzz/$target" "${options[@]}" "$corpus" >"$log" 2>&1; then
    result="clean"
  else
    result="FAILED: $(grep -m1 -E '^==[0-9]+==ERROR|fuzz check failed|^SUMMARY' "$log" || echo 'see log'); reproducer in $artifacts/"
    failed+=("$target")
  fi
  elapsed=$(($(date +%s) - start))
  executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  [ -n "$executed" ] || executed=$(grep -oE '^#[0-9]+' "$log" | tail -1 | tr -d '#')
  printf '%-24s %12s inputs in %4ss  %s\n' "$target" "${executed:-?}" "$elapsed" "$result"
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "run-fuzzers: failed: ${failed[*]} (logs in $logs/)"
  exit 1
fi
echo "run-fuzzers: all targets ran clean (logs in $logs/)"
