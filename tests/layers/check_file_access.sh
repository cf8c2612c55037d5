#!/usr/bin/env bash
# Fails when a program source opens, creates or erases a file other than through the run
# files: they note every file read as an input and check every file written against
# those, which holds only if no reader or writer goes round them.
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
cd "$root"
# the file layer itself, the run files, and the removal of held names on a signal
allowed='^runtime/(textfile\.(h|cpp)|runfiles\.cpp|interrupts\.cpp):'
pattern='[io]?fstream|fopen|freopen|\bopen\(|openforreadingunnoted|openforwriting|holdforwriting|releasefile|erasefilenamed|std::remove\(|unlink|rename\('
found=$(grep -rnE "$pattern" runtime numeric script thermo ax reactions phasediagram dsfit app \
            --include='*.h' --include='*.cpp' | grep -vE "$allowed" || true)
if [ -n "$found" ]; then
    echo "$found"
    echo "file access check failed: open, create and erase files through the run files"
    exit 1
fi
echo "file access check passed"
