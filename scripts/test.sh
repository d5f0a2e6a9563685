#!/usr/bin/env bash
# Every test: the suites on the embedded database, then again built with AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-packages.sh"

echo "== build and test"
"$root/scripts/build.sh" "$root/build"
(cd "$root/build" && ctest --output-on-failure -j"$(nproc)")

# ---- the same suites again on PostgreSQL: a private cluster on 127.0.0.1, stopped at exit ----
echo "== test again on PostgreSQL"
trap '"$root/scripts/postgres.sh" stop' EXIT
pg_connection=$("$root/scripts/postgres.sh" start)
(cd "$root/build" && MERXA_TEST_CONNECTION="$pg_connection" ctest --output-on-failure -j"$(nproc)")
"$root/scripts/postgres.sh" stop
trap - EXIT
# ---- end of the PostgreSQL block ----

echo "== build and test with AddressSanitizer and UndefinedBehaviorSanitizer"
"$root/scripts/build.sh" "$root/build-asan" -DMERXA_SANITIZE=ON -DMERXA_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug
# LeakSanitizer's tracer now and then crashes at process exit ("Tracer caught signal 11") after
# every test of the process has passed; a test is run once more before it counts as failed.
(cd "$root/build-asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
   ctest --output-on-failure -j"$(nproc)" --repeat until-pass:3)
