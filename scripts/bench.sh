#!/usr/bin/env bash
# Builds the benchmarks in Release and runs them: scripts/bench.sh [filter]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/ensure-tools.sh"
ensure_tools

build=$root/build-bench
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZELTRAM_BENCH=ON -DBUILD_TESTING=OFF
cmake --build "$build"
for b in "$build"/bench/bench_*; do
    [ -x "$b" ] || continue
    case "$(basename "$b")" in *${1:-}*) "$b" ;; esac
done
