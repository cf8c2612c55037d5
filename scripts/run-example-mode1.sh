#!/usr/bin/env bash
# Builds the program and runs it in examples/mode1/, a mode-1 pseudosection example:
# scripts/run-example-mode1.sh [build folder]
example_folder=mode1
. "$(cd "$(dirname "$0")" && pwd)/run-example.sh"
