#!/usr/bin/env bash
# Builds every target and runs every test: Win64 under Wine, the Win32 build, the
# portable cores natively under AddressSanitizer/UBSan, and the fuzz targets.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-prereqs.sh
tools/thirdparty/build-all.sh >/dev/null # the third-party libraries from Debian's sources, cached

echo "== format"
tools/check-format.sh

echo "== win64: build and test under Wine"
cmake --preset win64 >/dev/null
cmake --build --preset win64
ctest --preset win64

echo "== win32: build"
cmake --preset win32 >/dev/null
cmake --build --preset win32

echo "== release archives (build/packages)"
tools/package.sh --no-build win64 win32

echo "== native: portable cores under AddressSanitizer and UBSan"
cmake --preset native >/dev/null
cmake --build --preset native
ctest --preset native

if [ -x tools/run-fuzzers.sh ]; then
  echo "== fuzzing"
  tools/run-fuzzers.sh "${TESSAVEL_FUZZ_SECONDS:-60}"
fi
echo "All builds and tests passed."
