#!/usr/bin/env bash
# cmake --install into a temporary prefix, then the installed merxa setup and merxa serve with
# nothing of the build tree in reach: no MERXA_REGISTRY, no CORVANE_HOME, the working folder
# elsewhere. One call over HTTP, then SIGTERM.
#   scripts/install_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
tmp=$(mktemp -d "${TMPDIR:-/tmp}/merxa-install-test.XXXXXX")
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "install test: $*" >&2; [ -f "$tmp/serve.err" ] && cat "$tmp/serve.err" >&2; exit 1; }

cmake --install "$build" --prefix "$tmp/prefix" >"$tmp/install.log" 2>&1 || { cat "$tmp/install.log" >&2; fail "cmake --install failed"; }
merxa="$tmp/prefix/bin/merxa"

# Only what a shell on a fresh machine has, plus the sanitizer settings of an instrumented build.
clean_env=(env -i PATH=/usr/bin:/bin HOME="$tmp")
for v in ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS; do
  [ -n "${!v:-}" ] && clean_env+=("$v=${!v}")
done

mkdir "$tmp/elsewhere"
cd "$tmp/elsewhere"
"${clean_env[@]}" "$merxa" setup --home "$tmp/home" >"$tmp/setup.out" 2>&1 || { cat "$tmp/setup.out" >&2; fail "setup failed"; }
config="$tmp/home/merxa/config/service.json"
[ -f "$config" ] || fail "setup wrote no $config"
token=$(grep -o '"pageToken"[^,}]*' "$config" | sed 's/.*: *"\(.*\)"/\1/')
[ -n "$token" ] || fail "no page token in $config"

"${clean_env[@]}" "$merxa" serve --port 0 --home "$tmp/home" >"$tmp/serve.out" 2>"$tmp/serve.err" &
pid=$!
port=""
for _ in $(seq 200); do
  port=$(sed -n 's/.*listening on http:\/\/[^:]*:\([0-9]*\)\/.*/\1/p' "$tmp/serve.out")
  [ -n "$port" ] && break
  kill -0 "$pid" 2>/dev/null || fail "merxa serve ended before listening"
  sleep 0.05
done
[ -n "$port" ] || fail "merxa serve did not start"

answer=$(curl -sS -w '\n%{http_code}' -H "Authorization: Bearer $token" -H 'Content-Type: application/json' \
  --data '{"object":"Merxa.Basket","member":"Create","args":["U1",1001]}' "http://127.0.0.1:$port/call") || fail "no answer"
status=${answer##*$'\n'}
body=${answer%$'\n'*}
[ "$status" = 200 ] || fail "Create answered $status: $body"
case "$body" in
  *'"handle"'*'"BASKETID"'* | *'"BASKETID"'*'"handle"'*) ;;
  *) fail "Create answered no basket: $body" ;;
esac

kill -TERM "$pid"
rc=0
wait "$pid" || rc=$?
pid=""
[ "$rc" = 0 ] || fail "merxa serve exited with $rc after SIGTERM"
grep -q "merxa serve: stopped" "$tmp/serve.err" || fail "no clean stop in the log"
echo "install test: passed (port $port)"
