#!/usr/bin/env bash
# Fails when an object file of the program, other than the file layer's, takes from the C
# or C++ libraries a routine that opens, creates, changes or erases a file, or runs
# another program: every file the run reads is then noted as an input before any output
# is checked against it, and no writer goes round the run files. The check reads what
# each object file links to, so it holds however a call is spelt and wherever its source
# lies.
#   bash check_file_access.sh <object list> [archive]
# The object list names every object file of the program, one a line (the build writes
# it); with the archive of the program's library, the list must hold all of its members.
set -euo pipefail
export LC_ALL=C
list=${1:?usage: check_file_access.sh <object list> [archive]}
archive=${2:-}

# The file layer itself; the signal handler removes held names with unlink alone.
allowed() {  # allowed <object> <symbol>
    case "$1" in
        */runtime/textfile.cpp.o) return 0 ;;
        */runtime/interrupts.cpp.o) [ "$2" = unlink ] ;;
        *) return 1 ;;
    esac
}
calls='open|open64|openat|openat64|openat2|creat|creat64|fopen|fopen64|freopen|freopen64|fdopen|popen|system'
calls+='|remove|unlink|unlinkat|rename|renameat|renameat2|link|linkat|symlink|symlinkat|mkdir|mkdirat|rmdir'
calls+='|truncate|truncate64|ftruncate|ftruncate64|chmod|fchmod|fchmodat|chown|lchown|fchownat|mknod|mknodat|mkfifo'
calls+='|mkstemp|mkstemp64|mkostemp|mkostemps|mkdtemp|tmpfile|tmpfile64|tmpnam|tempnam|utime|utimes|utimensat'
calls+='|write|pwrite|pwrite64|writev|pwritev|sendfile|sendfile64|copy_file_range|splice'
calls+='|fork|vfork|execl|execle|execlp|execv|execve|execvp|execvpe|fexecve|posix_spawn|posix_spawnp|dlopen'
pattern="^(${calls})\$|std::(__cxx11::)?(filesystem|experimental::filesystem)::|std::basic_(i|o)?fstream<|std::basic_filebuf<|std::__basic_file<"

count=0
found=""
while read -r object; do
    [ -n "$object" ] || continue
    count=$((count + 1))
    if [ ! -f "$object" ]; then
        found+="$object: missing (build the program first)"$'\n'
        continue
    fi
    while read -r symbol; do
        allowed "$object" "$symbol" && continue
        found+="$object: $symbol"$'\n'
    done < <(nm -uP "$object" | sed 's/ U *$//' | c++filt | grep -E "$pattern" || true)
done <"$list"

if [ "$count" -eq 0 ]; then
    echo "file access check failed: no object files listed in $list"
    exit 1
fi
if [ -n "$archive" ]; then
    members=$(ar t "$archive" | wc -l)
    listed=$(grep -c "\.o$" "$list" || true)
    # the list is the library's members and the program's own main
    if [ "$members" -ne $((listed - 1)) ]; then
        echo "file access check failed: $archive has $members members, the list $((listed - 1)) besides main"
        exit 1
    fi
fi
if [ -n "$found" ]; then
    printf '%s' "$found"
    echo "file access check failed: open, create and erase files through the run files"
    exit 1
fi
echo "file access check passed: $count object files"
