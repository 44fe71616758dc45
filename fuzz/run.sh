#!/usr/bin/env bash
# Runs every libFuzzer harness of a build folder configured with FLATEBITS_FUZZ=ON for the
# given time, each on a fresh seed corpus, one after the other. A finding (a crash, a
# failed check, a sanitizer report, a leak, a timeout) fails the run; its input is kept in
# <build>/fuzz/findings/<program>/.
# Usage: fuzz/run.sh BUILD_DIR [seconds per harness]   (default 60)
set -euo pipefail

if [ "$#" -lt 1 ] || [ "$#" -gt 2 ]; then
    echo "usage: fuzz/run.sh BUILD_DIR [seconds]" >&2
    exit 2
fi
fuzz_dir=$1/fuzz
seconds=${2:-60}
shopt -s nullglob
harnesses=("$fuzz_dir"/*_fuzzer)
if [ ${#harnesses[@]} -eq 0 ]; then
    echo "fuzz/run.sh: $fuzz_dir: no *_fuzzer harness: configure with -DFLATEBITS_FUZZ=ON and build the fuzzers target" >&2
    exit 1
fi

# Seeds made afresh; each harness grows a corpus of its own beside them, so the seeds stay
# as make_seeds wrote them.
rm -rf "$fuzz_dir/seeds" "$fuzz_dir/corpus" "$fuzz_dir/findings"
"$fuzz_dir/make_seeds" "$fuzz_dir/seeds"

failed=()
for harness in "${harnesses[@]}"; do
    program=$(basename "$harness" _fuzzer)
    seeds=$fuzz_dir/seeds/$program
    if [ ! -d "$seeds" ]; then
        echo "fuzz/run.sh: $seeds: make_seeds wrote no seeds for $program" >&2
        failed+=("$program")
        continue
    fi
    corpus=$fuzz_dir/corpus/$program
    findings=$fuzz_dir/findings/$program
    mkdir -p "$corpus" "$findings"
    echo "== $program: $seconds s of fuzzing from $(find "$seeds" -type f | wc -l) seeds"
    log=$fuzz_dir/$program.fuzz.log
    if "$harness" "$corpus" "$seeds" -max_total_time="$seconds" -print_final_stats=1 \
           -artifact_prefix="$findings/" > "$log" 2>&1; then
        grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|Done )' "$log" || true
        echo "$program: no finding, $(find "$corpus" -type f | wc -l) new corpus inputs"
    else
        tail -n 40 "$log"
        echo "fuzz/run.sh: $program: finding kept in $findings (log: $log)" >&2
        failed+=("$program")
    fi
done
[ ${#failed[@]} -eq 0 ] || { echo "fuzz/run.sh: findings in: ${failed[*]}" >&2; exit 1; }
echo "${#harnesses[@]} harnesses fuzzed for $seconds s each: no finding"
