#!/usr/bin/env bash
# Every test: the suites on the embedded database, then again built with AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-packages.sh"

echo "== build and test"
"$root/scripts/build.sh" "$root/build"
(cd "$root/build" && ctest --output-on-failure -j"$(nproc)")

echo "== build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
"$root/scripts/build.sh" "$root/build-asan" -DMERXA_SANITIZE=ON -DMERXA_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
(cd "$root/build-asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
   ctest --output-on-failure -j"$(nproc)")
