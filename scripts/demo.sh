#!/usr/bin/env bash
# The main job: builds the tier and runs the road of one order on a fresh embedded database
# in ./run/home.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-packages.sh"
"$root/scripts/build.sh" "$root/build" -DMERXA_BENCH=OFF
"$root/build/bin/merxa" demo --home "$root/run/home"
