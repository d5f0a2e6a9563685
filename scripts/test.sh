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
# The leak tracer crashes ("Tracer caught signal 11") when it walks the dynamic TLS of a process
# that loaded component libraries with dlopen, as the registry does; it leaves TLS out, and the
# suppressions name the library state that only TLS refers to.
(cd "$root/build-asan" && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
   LSAN_OPTIONS="use_tls=0:suppressions=$root/tests/lsan.supp" ctest --output-on-failure -j"$(nproc)")
