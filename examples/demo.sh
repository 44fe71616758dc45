#!/usr/bin/env bash
# Builds the programs (nothing but a compiler needed) and runs the kit's pipeline on the
# shipped sample: find the raw DEFLATE stream in a gzip member, cut it out, decode it,
# tokenize the decoded text, code the tokens as DEFLATE again and decode that.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/demo
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF > /dev/null
cmake --build "$build" -j "$(nproc)" > /dev/null
out=$build/sample
mkdir -p "$out"


run() {
    echo "\$ $(basename "$1") ${*:2}"
    "$build/$1" "${@:2}"
    echo
}
run scan/streamscan examples/sample.gz
# The stream's offset and length, as the scan's line gives them.
line=$("$build/scan/streamscan" examples/sample.gz)
offset=${line#*offset=} && offset=${offset%% *}
length=${line#*length=} && length=${length%% *}
run slice/byteslice examples/sample.gz "$out/sample.raw" "$offset" "$length"
run inflate/rawinflate "$out/sample.raw" "$out/sample.txt"
run tokenize/lztokens "$out/sample.txt" "$out/sample.tok" 9
run encode/tokdeflate "$out/sample.tok" "$out/sample.deflate"
run inflate/rawinflate "$out/sample.deflate" "$out/sample.back"
cmp "$out/sample.txt" "$out/sample.back"
echo "The decoded text ($(stat -c %s "$out/sample.txt") bytes) begins:"
head -n 3 "$out/sample.txt"
echo "Its tokens: $(($(stat -c %s "$out/sample.tok") / 4)), in $out/sample.tok; coded again:"
echo "$(stat -c %s "$out/sample.deflate") bytes against the member's $(stat -c %s "$out/sample.raw"), and decoded to the same text"
