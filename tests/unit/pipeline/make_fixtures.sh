#!/usr/bin/env bash
# Test images for the pipeline tests, made with ImageMagick and exiftool.
# Usage: make_fixtures.sh OUTPUT_DIRECTORY
set -euo pipefail
out=$1
mkdir -p "$out"
convert=/usr/bin/convert
$convert -size 40x30 xc:'#ff0000' "$out/red.png"
$convert -size 20x10 xc:'#0000ff' BMP3:"$out/blue.bmp"
$convert -size 64x48 gradient:white-black -quality 90 "$out/photo.jpg"
exiftool -q -overwrite_original -Make=FixtureCam "$out/photo.jpg"
printf 'this is not an image\n' > "$out/broken.png"
$convert -size 512x256 gradient:yellow-purple "$out/big.png"
