#!/usr/bin/env bash
# The run never writes over a file it reads: for every output name of a run, a script,
# dataset or a-x file of that name (however the script spells it, or another name of the
# same file) ends the run before any output file is opened, and the user's file is left
# as it was.
#   bash inputs_untouched.sh <zeltram binary> <examples folder>
# Each case runs the mode-3 example with its preferences and script edited as listed.
set -u
export LC_ALL=C

if [ $# -ne 2 ]; then
    echo "usage: inputs_untouched.sh <zeltram binary> <examples folder>" >&2
    exit 2
fi
binary=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
examples=$(cd "$2" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/zeltram-inputs-XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0

# case <label> <script suffix> <dataset suffix> <axfile lines (printf %b)>
#      <set-up commands> <the user's file> <refused|runs>
case_() {
    local label=$1 script=$2 ds=$3 axlines=$4 setup=$5 mine=$6 want=$7
    local dir="$work/$label"
    mkdir -p "$dir" && cp "$examples"/zt-* "$dir"/
    (
        cd "$dir" || exit 1
        printf 'dsfile %s\nscriptfile %s\ncalcmode 3\n*\n' "$ds" "$script" >zt-prefs.txt
        [ "$ds" = 62ex ] || mv zt-ds62ex.txt "zt-ds$ds.txt"
        { printf '%b\n' "$axlines"; grep -v '^axfile' zt-alsi.txt; } >script.tmp && rm zt-alsi.txt
        mv script.tmp "zt-$script.txt"
        eval "$setup"
        before=$(md5sum <"$mine")
        timeout 60 "$binary" </dev/null >out.txt 2>&1
        status=$?
        after=$({ md5sum <"$mine"; } 2>/dev/null)
        fail() { echo "--- $label: $1"; exit 1; }
        [ "$before" = "$after" ] || fail "$mine was changed"
        if [ "$want" = refused ]; then
            [ $status -eq 1 ] || fail "exit status $status, expected 1"
            grep -q "is one of the files this run writes: use another suffix" out.txt || fail "no refusal: $(grep -a bombed out.txt)"
        else
            [ $status -eq 0 ] || fail "exit status $status, expected 0: $(grep -a bombed out.txt)"
        fi
    ) || failures=$((failures + 1))
}

mv_ax() { mv zt-ex.txt "zt-$1.txt"; }

case_ log alsi 62ex 'axfile log' 'mv_ax log' zt-log.txt refused
case_ summary alsi 62ex 'axfile \\\n     alsi-o   % on a continuation line' 'mv_ax alsi-o' zt-alsi-o.txt refused
case_ drawing alsi 62ex 'axfile\t\\\t% joined\n\talsi-ql\t% tabs' 'mv_ax alsi-ql' zt-alsi-ql.txt refused
case_ axinfo alsi 62ex 'axfile \\\n                 alsi-it       % the a-x file' 'mv_ax alsi-it' zt-alsi-it.txt refused
case_ details alsi 62ex 'axfile ask alsi-ic' 'mv_ax alsi-ic' zt-alsi-ic.txt refused
case_ csv alsi 62ex 'axfile ex' 'ln -s zt-ex.txt zt-alsi.csv' zt-ex.txt refused
case_ csv2 alsi 62ex 'axfile ex' 'ln zt-ex.txt zt-alsi-2.csv' zt-ex.txt refused
case_ svg alsi 62ex 'axfile ex' 'ln -s zt-ex.txt zt-alsi.svg' zt-ex.txt refused
# one file under two spellings, as a file system that ignores case makes it
case_ case-same-file alsi 62ex 'axfile ALSI-IT' 'mv_ax ALSI-IT; ln -s zt-ALSI-IT.txt zt-alsi-it.txt' zt-ALSI-IT.txt refused
case_ case-two-files alsi 62ex 'axfile ALSI-IT' 'mv_ax ALSI-IT' zt-ALSI-IT.txt runs
case_ script-is-log log 62ex 'axfile ex' '' zt-log.txt refused
case_ dataset ds62ex 62ex-o 'axfile ex' '' zt-ds62ex-o.txt refused

if [ "$failures" -ne 0 ]; then
    echo "FAILED: $failures case(s)"
    exit 1
fi
echo "passed: every input file left as it was"
