#!/usr/bin/env bash
# The test suite under AddressSanitizer and UndefinedBehaviorSanitizer
# (build-asan: what the tests need, no benchmarks, the package test left
# out), then the link tests under ThreadSanitizer (build-tsan: only those
# tests and what they link). Optimised lightly with line tables only, which
# is what a sanitizer report needs, at the least build time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/install-deps.sh"
common=(-DKORVANT_BUILD_BENCH=OFF -DKORVANT_WERROR=ON -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g1")

start=$SECONDS
cmake -S "$root" -B "$root/build-asan" -DKORVANT_SANITIZE=address,undefined "${common[@]}" >/dev/null
cmake --build "$root/build-asan" -j2
(cd "$root/build-asan" && ctest --output-on-failure -j2 -LE package)
echo "sanitize: address and undefined behaviour, whole suite: $((SECONDS - start)) s"

start=$SECONDS
cmake -S "$root" -B "$root/build-tsan" -DKORVANT_SANITIZE=thread "${common[@]}" >/dev/null
# The link tests are the test programs of that label; their helpers come as dependencies.
mapfile -t link < <(cd "$root/build-tsan" && ctest -N -L link | sed -n 's/^ *Test *#[0-9]*: //p')
cmake --build "$root/build-tsan" -j2 --target "${link[@]}"
(cd "$root/build-tsan" && ctest --output-on-failure -j2 -L link)
echo "sanitize: threads, link tests: $((SECONDS - start)) s"
