#!/usr/bin/env bash
# Builds every recipe of tools/thirdparty/recipes for both Windows targets into the cache
# (see build.sh); what is cached already costs a look-up each. Prints the cached folders.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
for recipe in "$here"/recipes/*.sh; do
  for target in x86_64-w64-mingw32 i686-w64-mingw32; do
    "$here/build.sh" "$(basename "$recipe" .sh)" "$target"
  done
done
