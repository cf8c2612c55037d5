#!/usr/bin/env bash
# The file-access check catches every way round the run files: each probe below is one
# plausible line that opens, creates, changes or erases a file, or runs another program,
# compiled as the program's own code is; the check must fail on each. A source in a new
# folder of the program is built into its object list and caught alike.
#   bash file_access_probes.sh <source tree> <C++ compiler>
set -u
export LC_ALL=C
tree=$(cd "${1:?usage: file_access_probes.sh <source tree> <C++ compiler>}" && pwd)
cxx=${2:?usage: file_access_probes.sh <source tree> <C++ compiler>}
check="$tree/tests/layers/check_file_access.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/zeltram-probes-XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0

# probe <label> <includes> <statement>: compiled as a source of dsfit/, and as one of
# the file layer, where it is allowed
probe() {
    local label=$1 includes=$2 statement=$3
    local dir="$work/$label/CMakeFiles/zt_dsfit.dir/dsfit"
    mkdir -p "$dir"
    printf '%b\nnamespace zt { int probe_%s() { %s; return 0; } }\n' "$includes" "$label" "$statement" >"$dir/probe.cpp"
    if ! "$cxx" -std=c++17 -c "$dir/probe.cpp" -o "$dir/probe.cpp.o" 2>"$work/$label.err"; then
        echo "--- $label: the probe does not compile: $(head -3 "$work/$label.err")"
        failures=$((failures + 1))
        return
    fi
    echo "$dir/probe.cpp.o" >"$work/$label.list"
    if bash "$check" "$work/$label.list" >"$work/$label.out" 2>&1; then
        echo "--- $label: not caught: $statement"
        failures=$((failures + 1))
    fi
    local layer="$work/$label/CMakeFiles/zt_runtime.dir/runtime"
    mkdir -p "$layer"
    cp "$dir/probe.cpp.o" "$layer/textfile.cpp.o"
    echo "$layer/textfile.cpp.o" >"$work/$label.layer"
    bash "$check" "$work/$label.layer" >/dev/null 2>&1 || { echo "--- $label: refused in the file layer"; failures=$((failures + 1)); }
}

std='#include <cstdio>\n#include <cstdlib>\n#include <fstream>\n#include <filesystem>'
posix='#include <fcntl.h>\n#include <unistd.h>\n#include <stdio.h>'
probe stdremove "$std" 'std::remove("x.txt")'
probe cremove "$std" '::remove("x.txt")'
probe rename "$std" 'std::rename("a.txt", "b.txt")'
probe fopen "$std" 'std::fclose(std::fopen("ds-prefs.txt", "r"))'
probe ifstream "$std" 'std::ifstream in("ds-prefs.txt")'
probe ofstream "$std" 'std::ofstream out; out.open("zt-log.txt")'
probe fstream "$std" 'std::fstream io("zt-log.txt", std::ios::in | std::ios::out)'
probe fsremove "$std" 'std::filesystem::remove("ds-o62.txt")'
probe fsremoveall "$std" 'std::filesystem::remove_all("x")'
probe fscopy "$std" 'std::filesystem::copy_file("zt-ds62.txt", "zt-ds62-old.txt")'
probe fsresize "$std" 'std::filesystem::resize_file("zt-log.txt", 0)'
probe fsrename "$std" 'std::filesystem::rename("a.txt", "b.txt")'
probe system "$std" 'return std::system("rm zt-log.txt")'
probe openat "$posix" 'return openat(AT_FDCWD, "ds-prefs.txt", O_RDONLY)'
probe open "$posix" 'return open("ds-prefs.txt", O_WRONLY | O_TRUNC)'
probe creat "$posix" 'return creat("zt-log.txt", 0644)'
probe unlink "$posix" 'return unlink("zt-log.txt")'
probe truncate "$posix" 'return truncate("zt-log.txt", 0)'
probe write "$posix" 'return static_cast<int>(write(3, "x", 1))'
probe popen "$posix" 'return pclose(popen("cat ds-prefs.txt", "r"))'
probe execlp "$posix" 'return execlp("rm", "rm", "zt-log.txt", nullptr)'

# A new folder of the program: its objects are in the list the build writes, and caught.
copy="$work/tree"
mkdir -p "$copy"
(cd "$tree" && tar cf - --exclude='./build*' --exclude=./.git --exclude=./tests --exclude=./bench .) | (cd "$copy" && tar xf -)
mkdir -p "$copy/io"
printf '#include <fstream>\n#include <string>\nnamespace zt { std::string firstline() { std::ifstream in("ds-prefs.txt"); std::string s; std::getline(in, s); return s; } }\n' \
    >"$copy/io/reader.cpp"
sed -i 's/^set(ZELTRAM_FOLDERS \(.*\))$/set(ZELTRAM_FOLDERS \1 io)/' "$copy/CMakeLists.txt"
if cmake -S "$copy" -B "$copy/build" -DBUILD_TESTING=OFF -DCMAKE_CXX_COMPILER="$cxx" >"$work/configure.out" 2>&1 &&
    cmake --build "$copy/build" --target zt_io >"$work/build.out" 2>&1; then
    grep '/io/' "$copy/build/program-objects.txt" >"$work/newfolder.list" || true
    if [ ! -s "$work/newfolder.list" ]; then
        echo "--- new folder: its object is not in the program's object list"
        failures=$((failures + 1))
    elif bash "$check" "$work/newfolder.list" >/dev/null 2>&1; then
        echo "--- new folder: io/reader.cpp with std::ifstream not caught"
        failures=$((failures + 1))
    fi
else
    echo "--- new folder: the copy does not build: $(tail -5 "$work/configure.out" "$work/build.out")"
    failures=$((failures + 1))
fi

if [ "$failures" -ne 0 ]; then
    echo "FAILED: $failures probe(s)"
    exit 1
fi
echo "passed: every probe caught"
