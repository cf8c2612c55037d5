#!/usr/bin/env bash
# Builds the program and runs it in the examples/ folder, which holds its preferences
# file and a script: scripts/run-example.sh [build folder]
# (scripts/run-example-mode1.sh runs the one in examples/mode1/ the same way)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/ensure-tools.sh"
ensure_tools

build=${1:-$root/build}
# a build folder that exists keeps its own build type
if [ -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" >/dev/null
else
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
fi
cmake --build "$build" --target zeltram
cd "$root/examples${example_folder:+/$example_folder}"
exec "$build/zeltram"
