#!/usr/bin/env bash
# Builds Tessavel for Win64 and converts the bundled sample images (samples/) with the
# bundled script "Thumbnail 256" through tesrun under Wine; shows tesrun's console output
# and the files it wrote.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
tools/install-prereqs.sh
tools/thirdparty/build-all.sh >/dev/null # the third-party libraries from Debian's sources, cached

echo "== Building (win64)"
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j2 >/dev/null

output=$root/build/demo/thumbnails
rm -rf "$output"
mkdir -p "$output"
# Wine's Z: drive is the Linux root.
windows() { printf 'Z:%s' "${1//\//\\}"; }

script=build/win64/bin/script/thumbnail_256.txt
# No plug-in folder argument: the Susie plug-ins beside tesrun.exe read the TGA, PPM and HEIC.
echo "== build/win64/wine-run build/win64/bin/tesrun.exe $script samples build/demo/thumbnails \"jpg|png|gif|tga|ppm|heic\""
build/win64/wine-run build/win64/bin/tesrun.exe "$(windows "$root/$script")" \
  "$(windows "$root/samples")" "$(windows "$output")" "jpg|png|gif|tga|ppm|heic" | tr -d '\r'

echo "== The converted files are in build/demo/thumbnails:"
for file in "$output"/*; do
  [ -e "$file" ] || continue
  printf '%-28s %s\n' "$(basename "$file")" \
    "$(/usr/bin/identify -format '%m %wx%h, %b' "$file" 2>/dev/null || echo '?')"
done
