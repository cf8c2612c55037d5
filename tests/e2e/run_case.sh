#!/usr/bin/env bash
# Runs one end-to-end case: bash run_case.sh <zeltram binary> <case folder>
#
# The case folder holds the input files of the run, the console answers in stdin.txt
# (absent means no input at all) and expected/: stdout.txt (the console transcript),
# status (the exit status), any output file the run must leave behind, and absent
# (names of files that must not exist after the run). The date stamp and the elapsed
# time are masked on both sides; everything else is compared byte for byte. A file
# seeds (three whole numbers) fixes the random seeds of the run, for Monte Carlo cases.
# A sub-folder then/, laid out the same way, is a second run in the same folder after
# the first: its input files are copied over those of the first run (so another mode
# can read what the first one wrote) and its expected/ is compared likewise.
set -u
export LC_ALL=C

if [ $# -ne 2 ]; then
    echo "usage: run_case.sh <zeltram binary> <case folder>" >&2
    exit 2
fi
binary=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
case_dir=$(cd "$2" && pwd)
expected="$case_dir/expected"
if [ ! -d "$expected" ]; then
    echo "case $case_dir has no expected/ folder" >&2
    exit 2
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/zeltram-e2e-XXXXXX")
trap 'rm -rf "$work"' EXIT
run_dir="$work/run"
mkdir "$run_dir"
for f in "$case_dir"/*; do
    name=$(basename "$f")
    [ "$name" = expected ] && continue
    [ "$name" = stdin.txt ] && continue
    [ "$name" = seeds ] && continue
    [ "$name" = then ] && continue
    cp -R "$f" "$run_dir/"
done

unset ZELTRAM_TEST_SEEDS
[ -f "$case_dir/seeds" ] && export ZELTRAM_TEST_SEEDS="$(cat "$case_dir/seeds")"

mask() {
    sed -E \
        -e 's/[0-9]{1,2}\.[0-9]{2} on (Sun|Mon|Tue|Wed|Thu|Fri|Sat) [0-9]{1,2} (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec),[0-9]{4}/<datestamp>/g' \
        -e 's/elapsed = [0-9]+ (msecs|secs)/elapsed = <elapsed> \1/g' \
        "$1"
}

compare() {  # compare <label> <expected file> <actual file>
    mask "$2" >"$work/want"
    mask "$3" >"$work/got"
    if ! cmp -s "$work/want" "$work/got"; then
        echo "--- $1 differs (expected vs produced):"
        diff -u --text --label "expected/$1" --label "produced/$1" "$work/want" "$work/got" | cat -v
        failures=$((failures + 1))
    fi
}

failures=0
# runstep <step folder> <label>: runs the program with the step's answers and compares
# its expected/ (the label prefixes the names in the report).
runstep() {
    local step_dir=$1 label=$2 expected="$1/expected"
    input=/dev/null
    [ -f "$step_dir/stdin.txt" ] && input="$step_dir/stdin.txt"
    (cd "$run_dir" && timeout 60 "$binary" <"$input" >"$work/stdout.txt" 2>>"$work/stderr.txt")
    status=$?

    compare "${label}stdout.txt" "$expected/stdout.txt" "$work/stdout.txt"

    want_status=0
    [ -f "$expected/status" ] && want_status=$(tr -d ' \n\r' <"$expected/status")
    if [ "$status" != "$want_status" ]; then
        echo "--- ${label}exit status: expected $want_status, got $status"
        failures=$((failures + 1))
    fi

    for f in "$expected"/*; do
        name=$(basename "$f")
        case "$name" in stdout.txt | status | absent) continue ;; esac
        if [ ! -f "$run_dir/$name" ]; then
            echo "--- output file $label$name was not produced"
            failures=$((failures + 1))
        else
            compare "$label$name" "$f" "$run_dir/$name"
        fi
    done

    if [ -f "$expected/absent" ]; then
        while IFS= read -r name || [ -n "$name" ]; do
            [ -z "$name" ] && continue
            if [ -e "$run_dir/$name" ]; then
                echo "--- file $label$name must not exist after the run"
                failures=$((failures + 1))
            fi
        done <"$expected/absent"
    fi
}

runstep "$case_dir" ""
if [ -d "$case_dir/then" ]; then
    for f in "$case_dir/then"/*; do
        name=$(basename "$f")
        [ "$name" = expected ] && continue
        [ "$name" = stdin.txt ] && continue
        cp -R "$f" "$run_dir/"
    done
    runstep "$case_dir/then" "then/"
fi

if [ "$failures" -ne 0 ]; then
    if [ -s "$work/stderr.txt" ]; then
        echo "--- standard error of the run:"
        cat -v "$work/stderr.txt"
    fi
    echo "FAILED: $(basename "$case_dir") ($failures difference(s))"
    exit 1
fi
echo "passed: $(basename "$case_dir")"
