#!/usr/bin/env bash
# The run never writes over a file it reads: an input named like an output of the run
# (however the script spells it) ends the run before any output file is written, and no
# other name of an input (a symbolic or a hard link named like an output) lets the run
# change it, whichever the folder's shape and whenever the run learns the name.
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

# The folder shapes of the runs: each is set up from a folder of the examples or of the
# end-to-end cases, with the answers its run is given. A first run of each, traced, tells
# which files the run reads and which it creates; then, for every file read and every
# name created, a run in a fresh copy whose output name is a symbolic or a hard link to
# that input. No input may change, whatever the order in which the run learns the names:
# the run refuses the link, or replaces it by a file of its own.
shapes="$work/shapes"
mkdir -p "$shapes"
shape() {  # shape <label> <folder> <answers (printf %b)> <set-up commands>
    local dir="$shapes/$1"
    copyinputs "$2" "$dir/files"
    # what a user's run of the examples left there is not part of the shape
    (cd "$dir/files" && rm -f zt-log.txt && eval "$4") || { echo "--- shape $1: set-up failed"; failures=$((failures + 1)); }
    printf '%b' "$3" >"$dir/answers"
}
noprefs='rm zt-prefs.txt; : >ds-prefs.txt'
shape mode3 "$examples" '' 'rm -f zt-alsi-o.txt'
shape mode3-menu "$examples" '3\n' 'rm -f zt-alsi-o.txt; sed -i /calcmode/d zt-prefs.txt'
shape mode3-no-scriptfile "$examples" '' 'rm -f zt-alsi-o.txt; sed -i /scriptfile/d zt-prefs.txt'
shape mode3-no-dsfile "$examples" '' 'rm -f zt-alsi-o.txt; sed -i /dsfile/d zt-prefs.txt'
shape mode3-no-prefs "$examples" '3\nalsi\n' "rm -f zt-alsi-o.txt; $noprefs; mv zt-ds62ex.txt zt-ds.txt"
shape mode3-second "$examples" 'yes\nno\n' 'rm -f zt-alsi-o.txt; sed -i /autoexit/d zt-alsi.txt'
shape mode1 "$examples/mode1" '' 'rm -f zt-rock-*'
shape mode2 "$cases/mode2-avp-isr" '' ''
shape mode9 "$cases/mode9-fit" 'n\n2\n' ''
shape mode9-no-ztdssuffix "$cases/mode9-no-ztdssuffix" "$(cat "$cases/mode9-no-ztdssuffix/stdin.txt")\n" ''
shape mode9-no-ds-prefs "$cases/mode9-fit" '' 'rm ds-prefs.txt'
for mode in 1 2 3; do
    shape "fit-folder-mode$mode" "$cases/fit-folder-without-prefs" "$mode\nAFM\nno\n" ''
done

# trace <folder> <answers file> <trace file>: the run in that folder, under strace
trace() {
    (cd "$1" && strace -f -qq -e trace=open,openat,creat -o "$3" timeout 60 "$binary" <"$2" >/dev/null 2>&1)
}
# The names in the folder that a traced run opened for reading (read) or for writing
# (write), whether or not the opening succeeded for writes.
opened() {  # opened <read|write> <trace file>
    sed -n -E 's/^[0-9]+ +(open|openat|creat)\((AT_FDCWD, )?"([^"/]+)", ([A-Z_|]+).*= ([0-9-]+).*/\4 \5 \3/p' "$2" |
        while read -r flags fd name; do
            case "$1:$flags" in
                read:O_RDONLY*) [ "$fd" -ge 0 ] && echo "$name" ;;
                write:*O_WRONLY*|write:*O_RDWR*) echo "$name" ;;
            esac
        done | sort -u
}

if ! command -v strace >/dev/null; then
    echo "strace is needed to see which files the runs read"
    exit 1
fi
jobs="$work/jobs"
: >"$jobs"
for dir in "$shapes"/*/; do
    dir=${dir%/}
    trace "$dir/files" "$dir/answers" "$dir/trace"
    opened read "$dir/trace" >"$dir/read"
    opened write "$dir/trace" >"$dir/written"
    grep -q . "$dir/read" || { echo "--- $(basename "$dir"): the traced run read nothing"; failures=$((failures + 1)); }
    while read -r output; do
        while read -r input; do
            [ "$input" = "$output" ] && continue
            for kind in symbolic hard; do echo "$dir $kind $output $input" >>"$jobs"; done
        done <"$dir/read"
    done <"$dir/written"
done

# linked <shape folder> <symbolic|hard> <output> <input>: one run; prints a line on failure
linked() {
    local from=$1 kind=$2 output=$3 input=$4
    local dir="$from-$kind-$output-$input"
    cp -R "$from/files" "$dir"
    cd "$dir" || return
    rm -f "$output"
    if [ "$kind" = symbolic ]; then ln -s "$input" "$output"; else ln "$input" "$output"; fi
    local sums
    sums=$(md5sum $(cat "$from/read") 2>/dev/null)
    timeout 60 "$binary" <"$from/answers" >out.txt 2>&1
    local status=$?
    local label="$(basename "$from"), $kind link $output -> $input"
    [ "$sums" = "$(md5sum $(cat "$from/read") 2>/dev/null)" ] || echo "--- $label: an input was changed"
    case $status in
        0 | 1) ;;
        *) echo "--- $label: exit status $status" ;;
    esac
    grep -q "shouldn't have happened" out.txt && echo "--- $label: $(grep -a -m1 'run bombed' out.txt)"
    cd / && rm -rf "$dir"
}
export -f linked
export binary
if [ -s "$jobs" ]; then
    found=$(xargs -P "$(nproc)" -L 1 bash -c 'linked "$@"' _ <"$jobs")
    if [ -n "$found" ]; then
        echo "$found"
        failures=$((failures + $(echo "$found" | wc -l)))
    fi
fi
echo "$(wc -l <"$jobs") linked runs over $(ls "$shapes" | wc -l) folder shapes"

# In a refinement's folder without zt-prefs.txt the script suffix is typed at a prompt,
# after the log is opened: the log is held back until then, so a log that is another
# name of the script is refused before either is written.
(
    dir="$work/typed-script"
    copyinputs "$examples" "$dir"
    cd "$dir" || exit 1
    rm zt-prefs.txt
    : >ds-prefs.txt
    rm -f zt-log.txt zt-alsi-o.txt
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

# A script edited between two calculations names an a-x file that the run did not read at
# its start and that one of its output names was a link to: the second calculation reads
# it as the user left it.
for kind in symbolic hard; do
    (
        dir="$work/late-input-$kind"
        copyinputs "$examples" "$dir"
        cd "$dir" || exit 1
        fail() { echo "--- a-x file named between calculations, $kind link: $1"; exit 1; }
        rm -f zt-log.txt zt-alsi-o.txt
        sed -i /autoexit/d zt-alsi.txt
        { cat zt-ex.txt; echo "% the a-x file of the second calculation"; } >zt-other.txt
        if [ $kind = symbolic ]; then ln -s zt-other.txt zt-alsi-ic.txt; else ln zt-other.txt zt-alsi-ic.txt; fi
        before=$(md5sum <zt-other.txt)
        mkfifo answers
        : >out.txt
        timeout 60 "$binary" <answers >out.txt 2>&1 &
        pid=$!
        exec 3>answers
        waited=0
        until grep -q "more calculations" out.txt; do
            sleep 0.1
            waited=$((waited + 1))
            [ $waited -lt 300 ] || { kill $pid; fail "no question: $(tail -5 out.txt)"; }
        done
        sed -i 's/^axfile .*/axfile other/' zt-alsi.txt
        printf 'yes\nno\n\n' >&3
        exec 3>&-
        wait $pid
        status=$?
        [ "$before" = "$(md5sum <zt-other.txt)" ] || fail "zt-other.txt was changed"
        [ $status -eq 0 ] || fail "exit status $status: $(grep -a bombed out.txt)"
        [ "$(grep -c 'more calculations' out.txt)" -eq 2 ] || fail "no second calculation"
    ) || failures=$((failures + 1))
done

if [ "$failures" -ne 0 ]; then
    echo "FAILED: $failures case(s)"
    exit 1
fi
echo "passed: every input file left as it was"
