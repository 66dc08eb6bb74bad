#!/usr/bin/env bash
# Builds the API reference from the public headers with Doxygen (the `docs` target of the release
# build tree) and prints where its HTML index is. Any Doxygen warning (an undocumented public
# name, a broken reference or command) fails the script, so CI keeps the reference complete.
# Installs doxygen and graphviz through scripts/bootstrap.sh when they are missing.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh doxygen graphviz
source scripts/release-config.sh

# The release configuration of the other scripts, so the same build tree serves all of them; it
# also writes the version header the reference documents.
configure_release
log=build/release/docs/doxygen.log
mkdir -p build/release/docs
status=0
cmake --build --preset release --target docs 2>&1 | tee "$log" || status=$?
# Doxygen fails on warnings by itself (WARN_AS_ERROR); the count here also catches a warning that
# a future Doxygen might report without failing.
warnings=$(grep -c -E '(warning|error): ' "$log" || true)
if [ "$status" -ne 0 ] || [ "$warnings" -ne 0 ]; then
  echo "docs: $warnings Doxygen warnings (log: $log)" >&2
  exit 1
fi
echo "docs: API reference at $(pwd)/build/release/docs/html/index.html"
