#!/usr/bin/env bash
# Builds the program and runs it in examples/mode1/, a mode-1 pseudosection example:
# scripts/run-example-mode1.sh [build folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/ensure-tools.sh"
ensure_tools

build=${1:-$root/build}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$build" --target zeltram
cd "$root/examples/mode1"
exec "$build/zeltram"
