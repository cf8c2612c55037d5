#!/usr/bin/env bash
# Checks what Monte Carlo runs must show whatever the random draws:
#   bash mc_spread.sh <zeltram binary> <Monte Carlo case folder>
# The case's script is rewritten with every half-width scaled by k:
#   k = 0: every accepted run reproduces the result of the same batches calculated
#          without any Monte Carlo entry;
#   k = 1 and k = 2: the spread of the calculated temperatures grows with the spread
#          of the parameters;
# and each kind of parameter varied alone (W, van Laar size, DQF terms) moves it.
set -u
export LC_ALL=C

if [ $# -ne 2 ]; then
    echo "usage: mc_spread.sh <zeltram binary> <case folder>" >&2
    exit 2
fi
binary=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
case_dir=$(cd "$2" && pwd)
script=zt-mc.txt

work=$(mktemp -d "${TMPDIR:-/tmp}/zeltram-mcspread-XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "--- $1"
    failures=$((failures + 1))
}

# run <name> <awk program> [awk -v settings]: runs the case with its script rewritten
# by the program; the csv data rows of the run, each without its run columns, go to
# $work/<name>.rows
run() {
    local name=$1 program=$2
    shift 2
    local dir="$work/$name"
    mkdir "$dir"
    for f in "$case_dir"/zt-*; do cp "$f" "$dir/"; done
    awk "$@" "$program" "$case_dir/$script" >"$dir/$script"
    if ! (cd "$dir" && ZELTRAM_TEST_SEEDS="11 222 3333" timeout 120 "$binary" </dev/null >out.txt 2>&1); then
        fail "run $name failed:"
        tail -5 "$dir/out.txt"
        return
    fi
    # A run column holds a whole number; every calculated value has a decimal point.
    tail -n +2 "$dir/zt-mc.csv" | awk -F, '{
        line = ""
        for (i = 1; i <= NF; ++i) {
            v = $i
            gsub(/ /, "", v)
            if (index(v, ".") > 0) line = line v ","
        }
        print line
    }' >"$work/$name.rows"
}

# Half-widths of own entries (the last number of an mc line with numbers) and of ranges
# times k; no requests, so that every completed run is accepted.
scaled='
    $1 == "batchreq" { next }
    $1 == "mcit" { print "mcit " runs " " runs; next }
    $1 == "mcrange" { $4 = $4 * k }
    $1 == "mc" && NF == 5 { $5 = $5 * k }
    { print }'

run plain '$1 ~ /^mc/ || $1 == "batchreq" { next } $1 == "autoexit" { print; print "debuglevel 0"; next } { print }'
run zero "$scaled" -v k=0 -v runs=6
if [ -s "$work/plain.rows" ] && [ -s "$work/zero.rows" ]; then
    want=$(head -1 "$work/plain.rows")
    n=$(wc -l <"$work/zero.rows")
    [ "$n" -eq 6 ] || fail "spread 0: $n accepted runs instead of 6"
    awk -v want="$want" '$0 != want { bad = 1; print "    run row " NR ": " $0 " not " want } END { exit bad }' \
        "$work/zero.rows" || fail "spread 0: a run differs from the calculation without Monte Carlo"
fi

# Standard deviation of the temperature of batch 1 (second value of a row).
tsd() {
    awk -F, '{ t[NR] = $2; s += $2 } END {
        m = s / NR
        for (i = 1; i <= NR; ++i) q += (t[i] - m) ^ 2
        printf "%.6f\n", sqrt(q / (NR - 1))
    }' "$work/$1.rows"
}
run single "$scaled" -v k=1 -v runs=60
run double "$scaled" -v k=2 -v runs=60
if [ -s "$work/single.rows" ] && [ -s "$work/double.rows" ]; then
    sd1=$(tsd single)
    sd2=$(tsd double)
    echo "sd of T: $sd1 (half-widths as given), $sd2 (doubled)"
    awk -v a="$sd1" -v b="$sd2" 'BEGIN { exit !(a > 0.5 && b > 1.5 * a) }' ||
        fail "the spread of T does not grow with the spread of the parameters"
fi

# Each kind of parameter alone moves the result: the perturbation reaches the model.
# keep names what still varies: an own entry by its variable word, or the shared range
# through the van Laar size only or through the DQF function only.
alone='
    $1 == "batchreq" { next }
    $1 == "mcit" { print "mcit 8 8"; next }
    $1 == "mcrange" && keep != "vanlaar" && keep != "dqffunc" { $4 = 0 }
    $1 == "mcfunc" && keep == "vanlaar" { $5 = 0 }
    $1 == "mc" && $3 == "a(sill)a" && keep == "dqffunc" { next }
    $1 == "mc" && NF == 5 && $3 != keep { $5 = 0 }
    { print }'
for keep in "W(and,sill)a" vanlaar dqffunc "DQF(sill)c"; do
    run "alone-$keep" "$alone" -v keep="$keep"
    if [ -s "$work/alone-$keep.rows" ]; then
        sd=$(tsd "alone-$keep")
        echo "sd of T with $keep alone varied: $sd"
        awk -v a="$sd" 'BEGIN { exit !(a > 0.05) }' || fail "varying $keep alone leaves T as it was (sd $sd)"
    fi
done

if [ "$failures" -ne 0 ]; then
    echo "FAILED: $failures problem(s)"
    exit 1
fi
echo "passed: Monte Carlo spread"
