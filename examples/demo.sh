#!/usr/bin/env bash
# Builds the programs (nothing but a compiler needed) and runs the kit's pipeline on the
# shipped sample: cut the raw DEFLATE stream out of a gzip member, decode it, tokenize the
# decoded text, code the tokens as DEFLATE again and decode that.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build/demo
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF > /dev/null
cmake --build "$build" -j "$(nproc)" > /dev/null
out=$build/sample
mkdir -p "$out"

# A gzip member without optional header fields: 10 header bytes, the raw stream, 8 trailer bytes.
size=$(stat -c %s examples/sample.gz)
length=$(printf '%08X' $((size - 18)))

run() {
    echo "\$ $(basename "$1") ${*:2}"
    "$build/$1" "${@:2}"
    echo
}
run slice/byteslice examples/sample.gz "$out/sample.raw" 0000000A "$length"
run inflate/rawinflate "$out/sample.raw" "$out/sample.txt"
run tokenize/lztokens "$out/sample.txt" "$out/sample.tok" 9
run encode/tokdeflate "$out/sample.tok" "$out/sample.deflate"
run inflate/rawinflate "$out/sample.deflate" "$out/sample.back"
cmp "$out/sample.txt" "$out/sample.back"
echo "The decoded text ($(stat -c %s "$out/sample.txt") bytes) begins:"
head -n 3 "$out/sample.txt"
echo "Its tokens: $(($(stat -c %s "$out/sample.tok") / 4)), in $out/sample.tok; coded again:"
echo "$(stat -c %s "$out/sample.deflate") bytes against the member's $(stat -c %s "$out/sample.raw"), and decoded to the same text"
