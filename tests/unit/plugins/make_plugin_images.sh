#!/bin/sh
# Writes the pictures the shipped plug-ins are tested with, each made by Netpbm or
# ImageMagick, and ImageMagick's own decode of each (16 bits per channel, little-endian
# RGB) as its reference. manifest.txt lists: file width height bit-count-of-the-plug-in-DIB.
#
# ImageMagick 6.9 decodes a TGA whose origin is bottom-left by tagging its orientation
# instead of turning its rows; -auto-orient applies the tag, which gives the rows in the
# order the file's origin bit says (as GraphicsMagick reads them too). Its TGA writer puts
# the top row first while declaring the bottom-left origin, so its own bottom-left files
# come out upside down in every reader that follows the origin bit, ours included.
set -eu
out=$1
im=/usr/bin/convert
rm -rf "$out"
mkdir -p "$out"
cd "$out"

# Two sources: a plasma of many colours at 16 bits, and flat areas with long runs.
$im -size 13x9 -seed 3 plasma:fractal -depth 16 plasma16.ppm
$im -size 150x20 gradient:red-blue -fill white -draw 'rectangle 20,3 130,12' -depth 8 flat.ppm
pnmdepth 255 plasma16.ppm > plasma.ppm

# Netpbm's tools
cp plasma.ppm nb-raw.ppm
pnmtoplainpnm plasma.ppm > nb-plain.ppm
pnmdepth 1000 plasma.ppm > nb-1000.ppm
ppmtopgm plasma.ppm > nb-raw.pgm
pnmtoplainpnm nb-raw.pgm > nb-plain.pgm
pnmdepth 15 nb-raw.pgm > nb-15.pgm
pnmdepth 65535 nb-raw.pgm > nb-65535.pgm
pnmtoplainpnm nb-65535.pgm > nb-plain-65535.pgm
pgmtopbm -threshold nb-raw.pgm > nb-raw.pbm
pnmtoplainpnm nb-raw.pbm > nb-plain.pbm
ppmtotga -rgb -norle plasma.ppm > nb-rgb.tga 2>/dev/null
ppmtotga -rgb flat.ppm > nb-rgb-rle.tga 2>/dev/null
ppmtotga -cmap -norle plasma.ppm > nb-cmap.tga 2>/dev/null
ppmtotga -cmap flat.ppm > nb-cmap-rle.tga 2>/dev/null
ppmtopgm flat.ppm | ppmtotga -mono > nb-grey-rle.tga 2>/dev/null
ppmtopgm plasma.ppm | ppmtotga -mono -norle > nb-grey.tga 2>/dev/null

# ImageMagick
cp plasma16.ppm im-16.ppm
$im plasma.ppm -depth 8 im-raw.ppm
$im plasma.ppm -colorspace gray -compress none im-plain.pgm
$im plasma.ppm -colorspace gray -depth 16 im-16.pgm
$im plasma.ppm -monochrome im.pbm
$im plasma.ppm im.tga
$im flat.ppm -compress RLE im-rle.tga
$im plasma.ppm -orient TopLeft im-top.tga
$im flat.ppm -orient TopLeft -compress RLE im-top-rle.tga
$im plasma.ppm -type Palette im-pal.tga
$im flat.ppm -type Palette -compress RLE im-pal-rle.tga
$im plasma.ppm -type Grayscale im-grey.tga
$im flat.ppm -type Grayscale -compress RLE im-grey-rle.tga
$im plasma.ppm \( plasma.ppm -colorspace gray \) -alpha off -compose copy-opacity -composite im-alpha.tga
$im flat.ppm -alpha set -compress RLE im-alpha-rle.tga

rm -f plasma16.ppm plasma.ppm flat.ppm
: > manifest.txt
for f in *.pbm *.pgm *.ppm *.tga; do
    $im "$f" -auto-orient -depth 16 -endian LSB "rgb:$f.rgb16"
    case "$f" in
    *.pbm) bits=1 ;;
    *.pgm) bits=8 ;;
    *.ppm) bits=24 ;;
    *.tga)
        type=$(od -An -tu1 -j2 -N1 "$f" | tr -d ' ')
        depth=$(od -An -tu1 -j16 -N1 "$f" | tr -d ' ')
        case "$type:$depth" in
        1:8|9:8|3:8|11:8) bits=8 ;;
        2:32|10:32) bits=32 ;;
        *) bits=24 ;;
        esac ;;
    esac
    echo "$f $($im identify -format '%w %h' "$f" 2>/dev/null || identify -format '%w %h' "$f") $bits" >> manifest.txt
done
