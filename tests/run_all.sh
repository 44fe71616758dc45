#!/usr/bin/env bash
# Builds the kit and runs every test, in each configuration we support. Each configuration
# gets its own folder under build/; the script stops at the first failure.
# Usage: tests/run_all.sh [configuration...]   (default: all of them, in the order below)
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p build

jobs=$(nproc)
all=(gcc clang aarch64 i686 riscv64 sanitize)
configurations=("${@:-${all[@]}}")

configure_options() {
    case "$1" in
        gcc)      echo "-DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc" ;;
        clang)    echo "-DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang" ;;
        aarch64|i686|riscv64) echo "-DCMAKE_TOOLCHAIN_FILE=cmake/$1-linux-gnu.cmake" ;;
        sanitize) echo "-DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DFLATEBITS_SANITIZE=ON" ;;
        *) echo "unknown configuration: $1" >&2; return 1 ;;
    esac
}

for name in "${configurations[@]}"; do
    options=$(configure_options "$name")
    start=$SECONDS
    echo "== $name: configure, build, test"
    # shellcheck disable=SC2086
    cmake -S . -B "build/$name" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DFLATEBITS_WERROR=ON $options > "build/$name.configure.log" 2>&1 \
        || { cat "build/$name.configure.log"; exit 1; }
    cmake --build "build/$name" -j "$jobs"
    ctest --test-dir "build/$name" -j "$jobs" --output-on-failure
    echo "== $name: passed in $((SECONDS - start)) s"
done
