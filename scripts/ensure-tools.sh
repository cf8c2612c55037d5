# Sourced by the other scripts: installs the build tools with apt-get when missing.
ensure_tools() {
    local missing=()
    command -v cmake >/dev/null 2>&1 || missing+=(cmake)
    command -v g++ >/dev/null 2>&1 || missing+=(g++)
    command -v ninja >/dev/null 2>&1 || missing+=(ninja-build)
    [ -f /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev)
    [ -f /usr/include/benchmark/benchmark.h ] || missing+=(libbenchmark-dev)
    command -v strace >/dev/null 2>&1 || missing+=(strace)
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "installing ${missing[*]} with apt-get"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y "${missing[@]}"
}
