#!/usr/bin/env bash
# Output files that cannot be written, on the mode-3 example: the run ends with status 2
# and the file's name and reason on standard error, once; no input is changed.
#   bash write_failure.sh <zeltram binary> <examples folder>
set -u
export LC_ALL=C
if [ $# -ne 2 ]; then
    echo "usage: write_failure.sh <zeltram binary> <examples folder>" >&2
    exit 2
fi
binary=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
examples=$(cd "$2" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/zeltram-writefail-XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0

# limited <label> <file size limit in blocks> <set-up commands> <answers (printf %b)>
# Runs with every file it writes limited in size (the console and standard error are
# pipes, which the limit does not reach).
limited() {
    local label=$1 limit=$2 setup=$3 answers=$4
    local dir="$work/$label"
    mkdir -p "$dir"
    cp "$examples"/zt-prefs.txt "$examples"/zt-alsi.txt "$examples"/zt-ds62ex.txt "$examples"/zt-ex.txt "$dir"/
    (
        cd "$dir" || exit 1
        fail() { echo "--- $label: $1"; exit 1; }
        eval "$setup"
        sums=$(md5sum zt-*.txt)
        printf '%b' "$answers" | (ulimit -f "$limit"; trap '' XFSZ; exec "$binary") 2> >(cat >err.txt) | cat >out.txt
        status=${PIPESTATUS[1]}
        sleep 0.1
        [ "$status" -eq 2 ] || fail "exit status $status"
        [ "$(wc -l <err.txt)" -eq 1 ] && grep -q ": File too large$" err.txt || fail "standard error: $(cat err.txt)"
        grep -q "problem closing" out.txt && fail "also reported as a problem in closing"
        echo "$sums" | md5sum -c --quiet - 2>/dev/null || fail "an input was changed"
    ) || failures=$((failures + 1))
}

limited nothing-written 0 '' ''
limited summary-too-long 1 '' ''
limited held-log 0 'rm zt-prefs.txt; : >ds-prefs.txt' '3\nalsi\n'

if [ "$failures" -ne 0 ]; then
    echo "FAILED: $failures case(s)"
    exit 1
fi
echo "passed: every write failure ends the run with status 2 and its reason"
