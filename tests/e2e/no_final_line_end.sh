#!/usr/bin/env bash
# Runs an end-to-end case with the line end after the last line of every input file
# removed (console answers included): the run must produce exactly what the case
# expects with the files as given.
#   bash no_final_line_end.sh <zeltram binary> <case folder> [with-end-marks | without-end-marks]
# With without-end-marks a last line "*" (the end mark of the keyword files) goes too,
# so that the readers meet the end of the file where they would have met the mark.
set -u
export LC_ALL=C

if [ $# -lt 2 ] || [ $# -gt 3 ]; then
    echo "usage: no_final_line_end.sh <zeltram binary> <case folder> [with-end-marks | without-end-marks]" >&2
    exit 2
fi
case_dir=$(cd "$2" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/zeltram-nolineend-XXXXXX")
trap 'rm -rf "$work"' EXIT
copy="$work/$(basename "$case_dir")"
cp -R "$case_dir" "$copy"

stripped=0
for f in "$copy"/*; do
    [ -f "$f" ] || continue
    case "$(basename "$f")" in seeds) continue ;; esac
    if [ "${3:-}" = without-end-marks ] && [ "$(tail -n 1 "$f" | tr -d '\r')" = '*' ]; then
        lines=$(wc -l <"$f")
        head -n $((lines - 1)) "$f" >"$f.cut" && mv "$f.cut" "$f"
    fi
    [ -s "$f" ] && [ "$(tail -c 1 "$f" | od -An -c | tr -d ' ')" = '\n' ] || continue
    # the last line end, with the carriage return before it when there is one
    size=$(stat -c %s "$f")
    cut=1
    [ "$(tail -c 2 "$f" | head -c 1 | od -An -c | tr -d ' ')" = '\r' ] && cut=2
    truncate -s $((size - cut)) "$f"
    stripped=$((stripped + 1))
done
if [ "$stripped" -eq 0 ]; then
    echo "no input file of $(basename "$case_dir") ends in a line end: nothing to test"
    exit 1
fi
bash "$(dirname "$0")/run_case.sh" "$1" "$copy"
