#!/usr/bin/env bash
# Makes the sample images of this folder with ImageMagick (run once; the results are
# committed): a JPEG photo-like landscape, a PNG drawing and a GIF portrait; and with
# libheif's reference encoder a HEIC harbour.
set -euo pipefail
cd "$(dirname "$0")"
convert=/usr/bin/convert
$convert -size 800x600 gradient:skyblue-navy \
  -fill '#f4d03f' -draw 'circle 620,140 670,140' \
  -fill '#1e8449' -draw 'polygon 0,600 0,420 260,300 520,440 800,360 800,600' \
  -quality 85 landscape.jpg
$convert logo: -resize 480x360 drawing.png
$convert -size 300x400 gradient:'#fdebd0'-'#d35400' \
  -fill white -draw 'rectangle 60,80 240,320' \
  -fill '#2e86c1' -draw 'circle 150,200 150,260' portrait.gif
# Two formats GDI+ does not read: they go through the shipped Susie plug-ins.
$convert -size 320x240 -seed 7 plasma:fractal -compress RLE boat.tga
$convert -size 240x320 gradient:'#f9e79f'-'#6c3483' -fill '#17202a' \
  -draw 'ellipse 120,160 70,110 0,360' -depth 8 +set comment pebble.ppm
# A format of today's phones, which only the shipped plug-in reads: HEIC, by heif-enc (x265).
$convert -size 640x480 gradient:'#aed6f1'-'#1b4f72' -fill '#922b21' \
  -draw 'rectangle 200,300 440,360' -fill white -draw 'polygon 300,300 330,120 390,300' \
  -depth 8 harbour.png
heif-enc -q 60 harbour.png -o harbour.heic >/dev/null
rm harbour.png
