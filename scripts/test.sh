#!/usr/bin/env bash
# Builds with warnings as errors and runs the whole test suite.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/build.sh" build-test -DKORVANT_WERROR=ON
cd "$root/build-test"
ctest --output-on-failure -j2 "$@"
