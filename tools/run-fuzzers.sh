#!/usr/bin/env bash
# Builds the script engine's fuzz target natively with clang (libFuzzer, AddressSanitizer,
# UBSan) in build/fuzz and runs it for the given seconds from the committed seed corpus.
# Fails when the fuzzer finds a crash, a leak, undefined behaviour or a timeout.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
out=build/fuzz
mkdir -p "$out/corpus"

clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -Iengine/core -Iengine/include -Itests/support \
  engine/core/*.cpp engine/fuzz/script_fuzzer.cpp -o "$out/script_fuzzer"

# New inputs go to build/fuzz/corpus; the committed seeds stay as they are.
"$out/script_fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -max_len=4096 -artifact_prefix="$out/" "$out/corpus" engine/fuzz/corpus
