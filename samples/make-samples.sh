#!/usr/bin/env bash
# Makes the sample images of this folder with ImageMagick (run once; the results are
# committed): a JPEG photo-like landscape, a PNG drawing and a GIF portrait.
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
