#!/usr/bin/env bash
# The main job: builds tesrun and shows what it does.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-prereqs.sh
cmake --preset win64 >/dev/null
cmake --build --preset win64
echo "== tesrun without arguments"
build/win64/wine-run build/win64/bin/tesrun.exe | tr -d '\r' || true
