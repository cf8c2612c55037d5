#!/usr/bin/env bash
# The run never writes over a file it reads: for every output name of a run, an input of
# that name (however the script spells it), or another name of an input (a symbolic or a
# hard link named like the output), ends the run before any output file is written, and
# the user's file is left as it was.
#   bash inputs_untouched.sh <zeltram binary> <examples folder> <end-to-end cases folder>
set -u
export LC_ALL=C

if [ $# -ne 3 ]; then
    echo "usage: inputs_untouched.sh <zeltram binary> <examples folder> <end-to-end cases folder>" >&2
    exit 2
fi
binary=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
examples=$(cd "$2" && pwd)
cases=$(cd "$3" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/zeltram-inputs-XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
refusal="is one of the files this run writes"

# The input files of a folder (links followed), without its answers and expected results.
copyinputs() {  # copyinputs <from> <to>
    mkdir -p "$2"
    find -L "$1" -maxdepth 1 -type f ! -name stdin.txt ! -name seeds -exec cp {} "$2"/ \;
}

# case <label> <script suffix> <dataset suffix> <axfile lines (printf %b)>
#      <set-up commands> <the user's file> <refused|runs>
# Each runs the mode-3 example with its preferences and script edited as listed.
case_() {
    local label=$1 script=$2 ds=$3 axlines=$4 setup=$5 mine=$6 want=$7
    local dir="$work/$label"
    copyinputs "$examples" "$dir"
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
            grep -q "$refusal" out.txt || fail "no refusal: $(grep -a bombed out.txt)"
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
# one file under two spellings, as a file system that ignores case makes it
case_ case-same-file alsi 62ex 'axfile ALSI-IT' 'mv_ax ALSI-IT; ln -s zt-ALSI-IT.txt zt-alsi-it.txt' zt-ALSI-IT.txt refused
case_ case-two-files alsi 62ex 'axfile ALSI-IT' 'mv_ax ALSI-IT' zt-ALSI-IT.txt runs
case_ script-is-log log 62ex 'axfile ex' '' zt-log.txt refused
case_ dataset ds62ex 62ex-o 'axfile ex' '' zt-ds62ex-o.txt refused
# the run's own outputs of an earlier run are plain files it may replace
case_ stale-outputs alsi 62ex 'axfile ex' 'echo old >zt-log.txt; echo old >zt-alsi-o.txt' zt-ex.txt runs

# links <label> <folder> <answers (printf %b)> <inputs...> -- <outputs...>
# For every output name and every input, a symbolic and a hard link of that name to the
# input: the run is refused by a message that names both, and the input is unchanged.
# The runs of one output name go side by side; each leaves a note FAILED when it fails.
links() {
    local label=$1 answers=$3
    local from="$work/$label"
    copyinputs "$2" "$from"
    shift 3
    local inputs=()
    while [ "$1" != -- ]; do
        inputs+=("$1")
        shift
    done
    shift
    local kind output input
    for kind in symbolic hard; do
        for output in "$@"; do
            for input in "${inputs[@]}"; do
                local dir="$work/$label-$kind-$output-$input"
                cp -R "$from" "$dir"
                (
                    cd "$dir" || exit 1
                    fail() { echo "--- $label, $kind link $output -> $input: $1" >FAILED; exit 1; }
                    if [ $kind = symbolic ]; then ln -s "$input" "$output"; else ln "$input" "$output"; fi
                    before=$(md5sum <"$input")
                    printf '%b' "$answers" | timeout 60 "$binary" >out.txt 2>&1
                    status=$?
                    [ "$before" = "$(md5sum <"$input")" ] || fail "$input was changed"
                    [ $status -eq 1 ] || fail "exit status $status, expected 1"
                    report=$(grep -a -- "-- run bombed" out.txt)
                    case "$report" in
                        *"\"$input\""*) ;;
                        *) fail "the report does not name $input: $report" ;;
                    esac
                    case "$report" in
                        *"\"$output\""*) ;;
                        *) fail "the report does not name $output: $report" ;;
                    esac
                ) &
            done
            wait
        done
    done
    for note in "$work/$label"-*/FAILED; do
        [ -f "$note" ] || continue
        cat "$note"
        failures=$((failures + 1))
    done
}

links mode3 "$examples" '' \
    zt-prefs.txt zt-alsi.txt zt-ds62ex.txt zt-ex.txt -- \
    zt-log.txt zt-alsi-o.txt zt-alsi-ql.txt zt-alsi-it.txt zt-alsi-ic.txt zt-alsi.csv zt-alsi-2.csv zt-alsi.svg
links mode1 "$examples/mode1" '' \
    zt-prefs.txt zt-rock.txt zt-ds62ex.txt zt-ssex.txt -- \
    zt-log.txt zt-rock-o.txt zt-rock-ql.txt zt-rock-it.txt zt-rock-ic.txt zt-rock.csv zt-rock-2.csv zt-rock.svg
links mode2 "$cases/mode2-avp-isr" '' \
    zt-prefs.txt zt-AVP.txt zt-ds62av.txt zt-avp.txt -- \
    zt-log.txt zt-AVP-o.txt zt-AVP-ql.txt zt-AVP-it.txt zt-AVP-ic.txt zt-AVP.csv zt-AVP-2.csv zt-AVP.svg
links mode9 "$cases/mode9-fit" 'n\n2\n' \
    zt-prefs.txt ds-prefs.txt ds-scr62.txt zt-AFM.txt ds-em62.txt ds-ax62.txt ds-xp62.txt -- \
    zt-log.txt ds-o62.txt ds-ic62.txt ds-62.csv zt-ds62.txt ds-em62-i.txt

# A refinement's folder without zt-prefs.txt: modes 1 to 3 read its ds-prefs.txt to reach
# the menu, so that file is an input as much as the script typed at the prompt.
for mode in 1 2 3; do
    links "no-prefs-mode$mode" "$cases/fit-folder-without-prefs" "$mode\\nAFM\\n" \
        ds-prefs.txt zt-AFM.txt -- \
        zt-log.txt zt-AFM-o.txt zt-AFM-ql.txt zt-AFM-it.txt zt-AFM-ic.txt zt-AFM.csv zt-AFM-2.csv zt-AFM.svg
done

# In a refinement's folder without zt-prefs.txt the script suffix is typed at a prompt,
# after the log is opened: the log is held back until then, so a log that is another
# name of the script is refused before either is written.
(
    dir="$work/typed-script"
    copyinputs "$examples" "$dir"
    cd "$dir" || exit 1
    rm zt-prefs.txt
    : >ds-prefs.txt
    ln -s zt-alsi.txt zt-log.txt
    before=$(md5sum <zt-alsi.txt)
    printf '3\nalsi\n' | timeout 60 "$binary" >out.txt 2>&1
    status=$?
    fail() { echo "--- typed script: $1"; exit 1; }
    [ "$before" = "$(md5sum <zt-alsi.txt)" ] || fail "zt-alsi.txt was changed"
    [ $status -eq 1 ] || fail "exit status $status, expected 1"
    grep -q "\"zt-alsi.txt\" $refusal, through its other name \"zt-log.txt\"" out.txt || fail "$(grep -a bombed out.txt)"
    [ ! -e zt-alsi-o.txt ] || fail "zt-alsi-o.txt was written"
) || failures=$((failures + 1))

if [ "$failures" -ne 0 ]; then
    echo "FAILED: $failures case(s)"
    exit 1
fi
echo "passed: every input file left as it was"
