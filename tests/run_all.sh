#!/usr/bin/env bash
# Builds the kit and runs every test, in each configuration we support. Each configuration
# gets its own folder under build/; the script stops at the first failure. It first installs
# the Debian packages the configurations need (tests/install_packages.sh).
# Usage: tests/run_all.sh [configuration...]   (default: all of the first list, in its order)
# Two more configurations run only when named, as CI does: `bench` builds the benchmarks
# (in build/bench, as bench/run.sh does, without running them) and `fuzz` builds the
# libFuzzer harnesses and runs each for FLATEBITS_FUZZ_SECONDS seconds (default 60).
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
        bench)    echo "-DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc -DFLATEBITS_BENCH=ON" ;;
        fuzz)     echo "-DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DFLATEBITS_FUZZ=ON" ;;
        *) echo "unknown configuration: $1" >&2; return 1 ;;
    esac
}

# The benchmarks are timed in a Release build; everything else keeps its debug information.
build_type() {
    case "$1" in
        bench) echo Release ;;
        *)     echo RelWithDebInfo ;;
    esac
}

for name in "${configurations[@]}"; do
    configure_options "$name" > /dev/null
done
tests/install_packages.sh "${configurations[@]}"

for name in "${configurations[@]}"; do
    options=$(configure_options "$name")
    start=$SECONDS
    case "$name" in
        bench) echo "== $name: configure, build the benchmarks" ;;
        fuzz)  echo "== $name: configure, build, fuzz" ;;
        *)     echo "== $name: configure, build, test" ;;
    esac
    # shellcheck disable=SC2086
    cmake -S . -B "build/$name" -G Ninja -DCMAKE_BUILD_TYPE="$(build_type "$name")" \
        -DFLATEBITS_WERROR=ON $options > "build/$name.configure.log" 2>&1 \
        || { cat "build/$name.configure.log"; exit 1; }
    case "$name" in
        bench)
            cmake --build "build/$name" -j "$jobs" --target benchmarks ;;
        fuzz)
            cmake --build "build/$name" -j "$jobs" --target fuzzers
            fuzz/run.sh "build/$name" "${FLATEBITS_FUZZ_SECONDS:-60}" ;;
        *)
            cmake --build "build/$name" -j "$jobs"
            ctest --test-dir "build/$name" -j "$jobs" --output-on-failure ;;
    esac
    echo "== $name: passed in $((SECONDS - start)) s"
done
