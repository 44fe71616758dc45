#!/usr/bin/env bash
# Runs both codec programs on data past 4 GiB, streamed through FIFOs, and checks the results
# on the fly, and streamscan on a sparse file of more than 4 GiB. Takes a few minutes, so it
# stays out of the test suite.
# Usage: tests/huge/run.sh [build folder]   (default build/gcc, made by tests/run_all.sh gcc)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build/gcc}
cmake --build "$build" --target huge_inputs rawinflate lztokens streamscan
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "== rawinflate: a crafted stream that decodes to more than 4 GiB"
"$build/tests/huge/huge_inputs" rawinflate "$build/inflate/rawinflate" "$work"
rm -f "$work"/huge.raw

echo "== lztokens: 4 GiB + 1 MiB of text-like input, level 1"
"$build/tests/huge/huge_inputs" lztokens "$build/tokenize/lztokens" "$work" 4296015872 1

echo "== streamscan: a sparse file of 4 GiB + 1 MiB, gzip members before, across and past 4 GiB"
start=$SECONDS
"$build/tests/huge/huge_inputs" streamscan "$build/scan/streamscan" "$work"
echo "   $((SECONDS - start)) s"
echo "== passed"
