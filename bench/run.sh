#!/usr/bin/env bash
# Builds the kit for speed in build/bench, writes the benchmark inputs there, times every
# program and prints the table. Usage: bench/run.sh [runs]   (default 5; about 5 minutes).
# Not part of the test suite: the figures depend on the machine and on what else it runs.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
build=build/bench
mkdir -p "$build"

echo "== configure and build (Release) in $build"
# The compilers named as tests/run_all.sh bench names them in the same folder: a cache made
# with others would be dropped there, with the options given along.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON \
    -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc \
    -DFLATEBITS_BENCH=ON > "$build/configure.log" 2>&1 \
    || { cat "$build/configure.log"; exit 1; }
cmake --build "$build" -j 2 --target benchmarks

# The codec programs as they were before the driver loop, the alphabet and the line were made
# one, built the same way from their own source tree, for the before-and-after rows.
earlier=967ea6c
earlier_build=$build/earlier-$earlier
if [ ! -f "$earlier_build/build/build.ninja" ]; then
    echo "== the codec programs of $earlier in $earlier_build"
    rm -rf "$earlier_build"
    mkdir -p "$earlier_build/source"
    git archive "$earlier" | tar -x -C "$earlier_build/source"
    cmake -S "$earlier_build/source" -B "$earlier_build/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc \
        -DBUILD_TESTING=OFF > "$earlier_build/configure.log" 2>&1 \
        || { cat "$earlier_build/configure.log"; exit 1; }
fi
cmake --build "$earlier_build/build" -j 2 --target rawinflate lztokens tokdeflate

echo "== inputs in $build/inputs"
"$build/bench/make_inputs" "$build/inputs"

# Outputs go to memory where the machine has a tmpfs, so that no disk write-back is timed.
scratch=$(mktemp -d /dev/shm/flatebits-bench.XXXXXX 2>/dev/null || mktemp -d "$PWD/$build/scratch.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

echo "== $runs timed runs of each program"
"$build/bench/bench_suite" "$build/inputs" "$scratch" "$runs" \
    "$earlier_build/build" "$earlier"

if [ -x "$build/bench/floor_loop_benchmark" ]; then
    echo
    echo "== the floor loop alone, in memory"
    "$build/bench/floor_loop_benchmark" --benchmark_min_time=0.5
fi
