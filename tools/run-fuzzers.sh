#!/usr/bin/env bash
# Builds the native preset (clang; libFuzzer, AddressSanitizer, UBSan) and runs every fuzz
# target of tests/fuzz for the given seconds each, from its committed seeds. New inputs go
# to build/native/fuzz/<target>.corpus. Fails when a target finds a crash, a leak, undefined
# behaviour or a timeout.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
cmake --preset native >/dev/null
cmake --build --preset native
dir=build/native/fuzz
shopt -s nullglob
found=0
for fuzzer in "$dir"/*_fuzzer; do
  name=$(basename "$fuzzer")
  mapfile -t args < <(grep . "$fuzzer.args") # the seeds folder, then the target's options
  mkdir -p "$dir/$name.corpus"
  echo "== $name: $seconds s"
  # Debian's libjxl reports every error it meets on standard error, a line each, which over
  # a minute of broken inputs is gigabytes: those lines are dropped, libFuzzer's kept.
  "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$dir/$name-" "${args[@]:1}" "$dir/$name.corpus" "${args[0]}" 2>&1 |
    { grep -v -E '^\./lib/jxl/[^ ]+:[0-9]+: ' || true; }
  found=$((found + 1))
done
if [ "$found" -eq 0 ]; then
  echo "no fuzz targets in $dir"
  exit 1
fi
