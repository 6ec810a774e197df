#!/usr/bin/env bash
# SetPngCompression: GDI+ writes PNG unless a script asks for our writer, whose files hold
# the same pixels (read back by ImageMagick and by Netpbm's pngtopnm over libpng), smaller
# at 9 than at 1; the level per image and run-wide; odd sizes; no header file in front.
set -uo pipefail
build=$1
source "$(dirname "$0")/../e2e-lib.sh"
make_work e2e-png-writer
plugins="$build/bin"

mkdir -p "$work/src" "$work/pair" "$work/odd"
convert -seed 7 -size 640x480 plasma:fractal -blur 0x1 -depth 8 -define png:exclude-chunk=all \
  PNG24:"$work/src/photo.png"
cp "$work/src/photo.png" "$work/pair/a.png"
cp "$work/src/photo.png" "$work/pair/b.png"

png_script() { # file top-level-line main-line [width height]
  cat >"$1" <<SCRIPT
$2
function Info() { ReturnInfo("PNG writer", "E2E", 1, 0, 0, 0) }
function Main(width, height, name, index) {
    SetSize(${4:-width}, ${5:-height})
    Draw(0, 0, width, height, 0, 0, ${4:-width}, ${5:-height})
    $3
    return 1
}
SCRIPT
}
same_pixels() { # label png
  expect_equal "$1 (ImageMagick)" "0" "$(compare -metric AE "$work/src/photo.png" "$2" null: 2>&1)"
  pngtopnm "$2" >"$work/netpbm.ppm" 2>/dev/null || fail "$1: pngtopnm cannot read it"
  expect_equal "$1 (pngtopnm)" "0" "$(compare -metric AE "$work/src/photo.png" "$work/netpbm.ppm" null: 2>&1)"
}

cases=(
  # case|top-level line|Main's line|what photo.png must be: gdiplus (GDI+'s bytes), 1 or 9
  'default|||gdiplus'
  'zero||SetPngCompression(0)|gdiplus'
  'refused||if SetPngCompression(-1) + SetPngCompression(10) != 0 { SetName("refused.png") }|gdiplus'
  'one||if SetPngCompression(1) != 1 { SetName("refused.png") }|1'
  'nine||SetPngCompression(9)|9'
  'run|SetPngCompression(1)|if name == "a.png" { SetPngCompression(0) }|1'
)
for case in "${cases[@]}"; do
  IFS='|' read -r label top line expected <<<"$case"
  png_script "$work/$label.txt" "$top" "$line"
  source=$work/src
  mkdir -p "$work/$label"
  [ "$label" = run ] && source=$work/pair
  run_tesrun "$work/$label.txt" "$source" "$work/$label" png "$plugins"
  [ -s "$work/err.txt" ] && fail "$label: standard error: $(cat "$work/err.txt")"
  if [ "$label" = run ]; then
    cmp -s "$work/default/photo.png" "$work/run/a.png" || fail "run: a.png is not GDI+'s"
    cmp -s "$work/one/photo.png" "$work/run/b.png" || fail "run: b.png is not at the run's level"
  elif [ "$expected" = gdiplus ]; then
    cmp -s "$work/default/photo.png" "$work/$label/photo.png" || fail "$label: not GDI+'s bytes"
  else
    cmp -s "$work/default/photo.png" "$work/$label/photo.png" && fail "$label: GDI+'s bytes"
    same_pixels "level $expected" "$work/$label/photo.png"
  fi
done
one=$(stat -c %s "$work/one/photo.png")
nine=$(stat -c %s "$work/nine/photo.png")
echo "photo.png: GDI+ $(stat -c %s "$work/default/photo.png") bytes, level 1 $one, level 9 $nine"
[ "$nine" -lt "$one" ] || fail "level 9 ($nine bytes) is not smaller than level 1 ($one)"

# Odd and tiny sizes.
for size in "1 1" "3 5"; do
  set -- $size
  png_script "$work/odd.txt" "SetPngCompression(1)" "SetName(\"odd_$1x$2.png\")" "$1" "$2"
  run_tesrun "$work/odd.txt" "$work/src" "$work/odd" png "$plugins"
  expect_equal "$1x$2" "$1x$2" "$(identify -format %wx%h "$work/odd/odd_$1x$2.png" 2>/dev/null)"
done

# A header file cannot go in front of our PNG: the file stays as written, the image fails.
printf 'HEADER' >"$work/header.bin"
png_script "$work/header.txt" "SetPngCompression(1)" 'SetExifHeaderFile("header.bin")'
mkdir -p "$work/header"
run_tesrun "$work/header.txt" "$work/src" "$work/header" png "$plugins"
expect_equal "the header's reason" "tesrun: photo.png: an Exif header file cannot go in front of a .png file" \
  "$(head -n 1 "$work/err.txt")"
same_pixels "under a refused header" "$work/header/photo.png"
finish
