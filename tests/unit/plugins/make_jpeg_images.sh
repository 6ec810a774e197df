#!/bin/sh
# Writes the JPEGs the ifjpeg plug-in is tested with, made by cjpeg and ImageMagick, and
# djpeg's decode of each at 1/1, 1/2, 1/4 and 1/8 (<name>.<denominator>.ppm) as the
# reference: the same libjpeg-turbo with the same accurate integer IDCT, so the plug-in must
# give exactly these pixels. manifest.txt lists: file width height.
set -eu
out=$1
im=/usr/bin/convert
rm -rf "$out"
mkdir -p "$out"
cd "$out"

# Odd sizes, so the last MCU row and column are partial at every scale.
$im -size 61x37 -seed 3 plasma:fractal -depth 8 plasma.ppm
$im -size 203x150 -seed 5 plasma:fractal -fill white -draw 'circle 100,75 140,75' -depth 8 large.ppm
$im -size 7x5 -seed 7 plasma:fractal -depth 8 tiny.ppm

cjpeg -quality 90 -sample 2x2 plasma.ppm > cj-420.jpg
cjpeg -quality 90 -sample 2x1 plasma.ppm > cj-422.jpg
cjpeg -quality 95 -sample 1x1 large.ppm > cj-444.jpg
cjpeg -sample 1x2 large.ppm > cj-440.jpg
cjpeg -sample 4x1 large.ppm > cj-411.jpg
cjpeg -grayscale -progressive -restart 2 plasma.ppm > cj-grey-progressive-restart.jpg
cjpeg -grayscale large.ppm > cj-grey.jpg
cjpeg -progressive large.ppm > cj-progressive.jpg
cjpeg -restart 1 -sample 2x2 large.ppm > cj-restart.jpg
cjpeg -arithmetic plasma.ppm > cj-arithmetic.jpg
cjpeg -optimize tiny.ppm > cj-tiny.jpg
cjpeg -rgb plasma.ppm > cj-rgb.jpg
$im plasma.ppm -quality 85 im-420.jpg
$im large.ppm -interlace Plane -sampling-factor 1x1 im-progressive-444.jpg
$im large.ppm -colorspace CMYK im-cmyk.jpg
$im plasma.ppm -colorspace CMYK -define jpeg:colorspace=5 im-ycck.jpg # libjpeg's JCS_YCCK
$im plasma.ppm -colorspace Gray im-grey.jpg
# Bytes after the end marker are no part of the picture.
{ cat cj-420.jpg; printf 'trailing garbage after the end'; } > cj-trailing.jpg

rm -f plasma.ppm large.ppm tiny.ppm
: > manifest.txt
for f in *.jpg; do
    for d in 1 2 4 8; do
        djpeg -dct int -scale "1/$d" -ppm "$f" > "$f.$d.ppm"
    done
    echo "$f $(identify -format '%w %h' "$f")" >> manifest.txt
done
