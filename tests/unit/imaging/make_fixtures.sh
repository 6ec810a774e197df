#!/usr/bin/env bash
# Writes the imaging tests' input images into the directory given, with ImageMagick
# (/usr/bin/convert) and Netpbm. The pixel values here are the ones the tests expect.
set -euo pipefail
out=$1
mkdir -p "$out"
cd "$out"
im=/usr/bin/convert

# 5 x 3, top row first: every primary, white, black, mixed and grey values.
cat > pattern.ppm <<'PPM'
P3 5 3 255
255 0 0  0 255 0  0 0 255  255 255 255  0 0 0
255 255 0  0 255 255  255 0 255  128 128 128  10 20 30
200 100 50  200 100 50  200 100 50  200 100 50  200 100 50
PPM
$im pattern.ppm -type TrueColor BMP3:pattern24.bmp
ppmtobmp -bpp=8 pattern.ppm > pattern8.bmp 2>/dev/null
$im pattern.ppm PNG24:pattern24.png
$im pattern.ppm PNG8:pattern8.png

# Grey levels, top row then bottom row.
cat > gray.pgm <<'PGM'
P2 4 2 255
0 64 128 255
255 192 32 16
PGM
pamtopng gray.pgm > gray.png

# Opaque blue, half-transparent red, fully transparent white.
$im -size 3x1 'xc:rgba(255,255,255,0)' \
    -fill 'rgba(0,0,255,1)' -draw 'point 0,0' \
    -fill 'rgba(255,0,0,0.5)' -draw 'point 1,0' PNG32:alpha.png

# JPEG, 16 x 16: top half red, bottom half blue, no chroma subsampling.
$im -size 16x8 'xc:rgb(220,30,30)' -size 16x8 'xc:rgb(30,30,220)' -append \
    -sampling-factor 1x1 -quality 95 halves.jpg

# Two frames of different colours; and two pages of different sizes and colours.
$im -delay 10 -size 4x3 xc:red -size 4x3 xc:blue -loop 0 anim.gif
$im -size 6x4 'xc:rgb(0,255,0)' -size 3x2 xc:blue -depth 8 multipage.tif

$im -size 1x1 'xc:rgb(1,2,3)' PNG24:one.png
# 128 x 128 (64 KiB decoded): a leaked copy per decode shows in the process's memory.
$im -size 128x128 gradient:yellow-navy PNG24:medium.png

# Large enough that cutting them leaves a valid header and broken pixel data.
$im -size 256x256 gradient:red-blue -quality 90 whole.jpg
$im -size 256x256 gradient:red-blue +noise Uniform PNG24:whole.png
head -c $(( $(stat -c %s whole.jpg) / 2 )) whole.jpg > truncated.jpg
head -c $(( $(stat -c %s whole.png) / 2 )) whole.png > truncated.png

printf 'This is a text file, not a picture.\r\n' > text.png

# The sizes headers declare, 13 x 7 in every format GDI+ reads (DeclaredSize).
$im -size 13x7 xc:gray sizes.png
$im -size 13x7 xc:gray sizes.gif
$im -size 13x7 xc:gray BMP3:sizes.bmp
$im -size 13x7 xc:gray BMP2:sizes-core.bmp
$im -size 13x7 xc:gray -interlace JPEG sizes-progressive.jpg
$im -size 13x7 xc:gray -define tiff:endian=msb sizes-big-endian.tif
$im -size 13x7 xc:gray -define tiff:endian=lsb sizes-little-endian.tif
$im -size 13x7 xc:gray sizes.jpg
exiftool -q -overwrite_original -Comment="$(head -c 30000 /dev/zero | tr '\0' c)" sizes.jpg
