#!/usr/bin/env bash
# Fails when a source file includes a header of a folder on a higher floor than its own.
# Floors from the ground up; folders on one floor may include each other. A file belongs
# to the deepest folder listed that holds it.
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}

floors='
runtime runtime/records
numeric/methods
script
thermo
ax
numeric
reactions
phasediagram
dsfit
app bench
'

cd "$root"
find runtime numeric script thermo ax reactions phasediagram dsfit app bench \
     \( -name '*.h' -o -name '*.cpp' \) -print | sort |
    xargs awk -v floors="$floors" '
        BEGIN {
            n = split(floors, lines, "\n"); level = 0
            for (i = 1; i <= n; i++) {
                if (lines[i] == "") continue
                level++; m = split(lines[i], names, " ")
                for (j = 1; j <= m; j++) floorof[names[j]] = level
            }
        }
        function floorofpath(p,    dir) {
            dir = p; sub(/\/[^\/]*$/, "", dir)
            while (dir != "") {
                if (dir in floorof) return floorof[dir]
                if (dir !~ /\//) return 0
                sub(/\/[^\/]*$/, "", dir)
            }
            return 0
        }
        /^[ \t]*#[ \t]*include[ \t]*"/ {
            inc = $0; sub(/^[^"]*"/, "", inc); sub(/".*$/, "", inc)
            own = floorofpath(FILENAME); to = floorofpath(inc)
            if (own && to > own) { print FILENAME " includes " inc ", a floor above its own"; bad = 1 }
        }
        END { exit bad }
    ' || { echo "layering check failed: includes must point down or sideways"; exit 1; }
echo "layering check passed"
