#!/usr/bin/env bash
# A run ended by a signal at a question never leaves an earlier run's zt-log.txt behind as
# its own: the log holds this run's text, or is gone; and no input is written through a
# link named like the log.
#   bash signal_held.sh <zeltram binary> <examples folder>
set -u
export LC_ALL=C

if [ $# -ne 2 ]; then
    echo "usage: signal_held.sh <zeltram binary> <examples folder>" >&2
    exit 2
fi
binary=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
examples=$(cd "$2" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/zeltram-signal-XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
earlier="the log of an earlier run"

# interrupt <label> <signal> <answers (printf %b)> <question> <set-up commands> <check commands>
# Runs the mode-3 example after the set-up, gives the answers, waits for the question,
# ends the run by the signal, and then runs the checks in its folder.
interrupt() {
    local label=$1 signal=$2 answers=$3 question=$4 setup=$5 check=$6
    local dir="$work/$label-$signal"
    mkdir -p "$dir"
    cp "$examples"/zt-* "$dir"/
    (
        cd "$dir" || exit 1
        fail() { echo "--- $label, SIG$signal: $1"; exit 1; }
        echo "$earlier" >zt-log.txt
        eval "$setup"
        mkfifo answers
        "$binary" <answers >out.txt 2>&1 &
        local pid=$!
        exec 3>answers
        printf '%b' "$answers" >&3
        local waited=0
        until grep -q "$question" out.txt; do
            sleep 0.1
            waited=$((waited + 1))
            [ $waited -lt 200 ] || { kill -KILL $pid; fail "no question \"$question\": $(cat out.txt)"; }
        done
        kill -"$signal" $pid
        { wait $pid; } 2>/dev/null
        local status=$?
        exec 3>&-
        [ $status -eq $((128 + $(kill -l "$signal"))) ] || fail "exit status $status"
        if [ -e zt-log.txt ] && grep -q "$earlier" zt-log.txt; then fail "the earlier log is left as zt-log.txt"; fi
        eval "$check"
    ) || failures=$((failures + 1))
}

noprefs='rm zt-prefs.txt; : >ds-prefs.txt'
for signal in TERM HUP; do
    # no zt-prefs.txt: the menu, then the script's question, come before the script is named
    interrupt menu-without-prefs $signal '' 'calcmode code' "$noprefs" ''
    interrupt script-question $signal '3\n' 'suffix to name for script info datafile' "$noprefs" ''
    # the script is named: the log is this run's from the start
    interrupt menu-with-script $signal '' 'calcmode code' 'sed -i /calcmode/d zt-prefs.txt' \
        'grep -q "calcmode code" zt-log.txt || fail "zt-log.txt does not hold the menu: $(cat zt-log.txt)"'
    # the log's name is a link to the script about to be typed: the script is left as it was
    interrupt linked-log $signal '' 'calcmode code' "$noprefs; rm zt-log.txt; ln -s zt-alsi.txt zt-log.txt; md5sum zt-alsi.txt >sum" \
        'md5sum -c --quiet sum || fail "zt-alsi.txt was changed"'
done

if [ "$failures" -ne 0 ]; then
    echo "FAILED: $failures case(s)"
    exit 1
fi
echo "passed: no earlier log left as this run's"
