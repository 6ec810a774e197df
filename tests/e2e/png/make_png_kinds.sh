#!/usr/bin/env bash
# make_png_kinds.sh FOLDER [ICC]: one small PNG of every kind that matters, written by
# ImageMagick and Netpbm: palettes, greys of 1 to 8 bits, 16 bits, transparency by tRNS and
# by an alpha channel (all or nothing, and partial), interlacing, gAMA, iCCP (the profile
# ICC names) and eXIf.
set -euo pipefail
out=$1
icc=${2:-}
mkdir -p "$out"
cd "$out"
convert -size 37x23 gradient:red-blue -fill yellow -draw "circle 18,11 18,3" -type TrueColor \
  -depth 8 base.ppm
pnm() { convert base.ppm "$@" ppm:-; }
convert base.ppm PNG24:rgb8.png
convert base.ppm -define png:exclude-chunks=gAMA,cHRM,bKGD PNG24:rgb8_no_gama.png
convert base.ppm -interlace PNG PNG24:rgb8_interlaced.png
convert base.ppm -colors 40 PNG8:palette8.png
convert base.ppm -colors 12 -define png:bit-depth=4 -define png:color-type=3 palette4.png
convert base.ppm -colors 30 -interlace PNG PNG8:palette_interlaced.png
key=$(convert base.ppm -colors 16 -format '%[pixel:p{0,0}]' info:)
convert base.ppm -colors 16 -transparent "$key" PNG8:palette_trns.png
# A palette whose tRNS holds 0, 127 and 255: three stripes of opacity.
convert -size 37x23 xc: -fx "i<12?0:(i<24?0.5:1)" -depth 8 pgm:mask.pgm
pnm -colors 8 | pnmtopng -alpha mask.pgm >palette_trns_partial.png
convert base.ppm -colorspace Gray -define png:color-type=0 -define png:bit-depth=8 grey8.png
convert base.ppm -colorspace Gray -depth 4 -define png:color-type=0 -define png:bit-depth=4 grey4.png
convert base.ppm -colorspace Gray -depth 2 -define png:color-type=0 -define png:bit-depth=2 grey2.png
pnm -monochrome | ppmtopgm | pamditherbw | pnmtopng >grey1.png 2>/dev/null
convert base.ppm -depth 16 PNG48:rgb16.png
convert base.ppm -colorspace Gray -depth 16 -define png:color-type=0 grey16.png
convert base.ppm -alpha set -channel A -fx "i/w" +channel PNG32:rgba_partial.png
convert base.ppm -alpha set -channel A -fx "i<w/2?0:1" +channel PNG32:rgba_binary.png
convert base.ppm -colorspace Gray -alpha set -channel A -fx "j<h/2?0:1" +channel \
  -define png:color-type=4 -define png:bit-depth=8 greya_binary.png
convert base.ppm -colorspace Gray -alpha set -channel A -fx "j/h" +channel \
  -define png:color-type=4 -define png:bit-depth=8 greya_partial.png
pnm | pnmtopng -force -transparent =rgb:ff/00/00 >rgb_colour_key.png
pnm | pnmtopng -force -gamma 1.0 >gamma1.png
pnm | pnmtopng -force -gamma 0.45455 >gamma_srgb.png
cp rgb8.png exif.png
exiftool -q -q -overwrite_original -Make=Tessavel -Orientation#=6 exif.png
if [ -n "$icc" ]; then
  convert base.ppm -profile "$icc" PNG24:iccp.png
fi
rm base.ppm mask.pgm
