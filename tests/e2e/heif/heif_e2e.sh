#!/usr/bin/env bash
# HEIC and AVIF through ifheif: pictures made by heif-enc (x265 and aom) and avifenc,
# lossless and lossy, with alpha and at 10 and 12 bits, decode as heif-convert and avifdec
# decode them (alpha over black, 10 and 12 bits reduced to 8: within one step), also by the
# plug-in alone in a folder of its own; a thumbnail is drawn from the full decode; truncated
# at every length, damaged at random or declaring a huge size, files fail or convert without
# a crash, nothing half written.
set -uo pipefail
build=$1
source "$(dirname "$0")/../e2e-lib.sh"
make_work e2e-heif

src=$work/src
mkdir -p "$src" "$work/out" "$work/thumbs" "$work/cut" "$work/cut-out" "$work/bad" "$work/bad-out"
# heif-enc makes 10 or more bits of a 16-bit PNG, 8 of an 8-bit one.
convert -size 61x41 gradient:red-blue -fill yellow -draw "circle 30,20 30,5" -type TrueColor \
  -depth 16 "$work/deep.png"
convert "$work/deep.png" -depth 8 "$work/base.png"
convert "$work/base.png" -alpha set -channel A -fx "i/w" +channel "$work/alpha.png"
heif-enc -L "$work/base.png" -o "$src/heic_lossless.heic" >/dev/null
heif-enc -q 80 "$work/base.png" -o "$src/heic_lossy.heic" >/dev/null
heif-enc -q 80 "$work/alpha.png" -o "$src/heic_alpha.heic" >/dev/null
heif-enc -b 10 -q 80 "$work/deep.png" -o "$src/heic_10bit.heic" >/dev/null
heif-enc -L "$work/base.png" -o "$src/avif_lossless.avif" >/dev/null
heif-enc -q 80 "$work/alpha.png" -o "$src/avif_alpha.avif" >/dev/null
# (Debian 12's aom stops on 10 bits at this size; 12 bits takes the same path in libheif.)
heif-enc -b 12 -q 80 "$work/deep.png" -o "$src/avif_12bit.avif" >/dev/null
# And AVIF by libavif's own encoder, checked against its own decoder.
avifenc -l "$work/base.png" "$src/libavif_lossless.avif" >/dev/null
avifenc --min 10 --max 20 "$work/alpha.png" "$src/libavif_alpha.avif" >/dev/null
avifenc -d 10 --min 10 --max 20 "$work/deep.png" "$src/libavif_10bit.avif" >/dev/null

run_tesrun "$scripts/copy_bmp.txt" "$src" "$work/out" "heic|avif" "$build/bin"
expect_equal "nothing failed" 0 "$(grep -c Failed "$work/out.txt")"
expect_equal "every picture made" 10 "$(ls "$src" | wc -l)"
for picture in "$src"/*; do
  name=$(basename "${picture%.*}")
  # Within one step of heif-convert. libavif turns YUV into RGB with its own rounding: within
  # two of avifdec (asked, like libheif, to upsample chroma from the nearest sample).
  fuzz=0.5%
  case $name in
  libavif_*)
    avifdec -u nearest "$picture" "$work/ref.png" >/dev/null 2>&1 || fail "avifdec $name"
    fuzz=0.9%
    ;;
  *) heif-convert "$picture" "$work/ref.png" >/dev/null 2>&1 || fail "heif-convert $name" ;;
  esac
  convert "$work/ref.png" -background black -alpha remove -alpha off -depth 8 "$work/ref8.png"
  expect_equal "$name pixels" 0 \
    "$(compare -metric AE -fuzz $fuzz "$work/out/$name.bmp" "$work/ref8.png" null: 2>&1)"
done

# libheif has no reduced decode: a thumbnail is drawn from the full picture.
convert -size 400x300 plasma:fractal -seed 7 -depth 8 "$work/big.png" 2>/dev/null
mkdir -p "$work/bigsrc"
heif-enc -q 90 "$work/big.png" -o "$work/bigsrc/big.heic" >/dev/null
run_tesrun "$scripts/quarter_bmp.txt" "$work/bigsrc" "$work/thumbs" "heic" "$build/bin"
heif-convert "$work/bigsrc/big.heic" "$work/big-ref.png" >/dev/null 2>&1
convert "$work/big-ref.png" -resize 100x75! "$work/expected-thumb.png"
psnr=$(compare -metric PSNR "$work/thumbs/big.bmp" "$work/expected-thumb.png" null: 2>&1)
awk -v p="$psnr" 'BEGIN { exit !(p + 0 > 30) }' || fail "thumbnail far from ImageMagick's: PSNR $psnr"

# ifheif copied alone into a folder of plug-ins takes libheif.dll from the program's folder;
# a program folder without it, the reason names the DLL and the plug-in.
mkdir -p "$work/lone" "$work/lone-out" "$work/program"
cp "$build/bin/ifheif.sph" "$work/lone/"
run_tesrun "$scripts/copy_bmp.txt" "$src" "$work/lone-out" "heic|avif" "$work/lone"
diff -r "$work/out" "$work/lone-out" >/dev/null || fail "the lone plug-in decodes otherwise"
cp -r "$build/bin/." "$work/program/"
rm "$work/program/libheif.dll"
program_folder=$work/program run_tesrun "$scripts/copy_bmp.txt" "$work/bigsrc" "$work/lone-out" "heic" \
  "$work/lone"
expect_line "$work/err.txt" "tesrun: big.heic: the plug-in that takes it cannot decode it (ifheif.sph finds libheif.dll neither beside it nor in the program's folder)"
expect_equal "nothing written without the DLL" "" "$(ls "$work/lone-out" | grep big)"

# A small HEIC and a small AVIF cut short at every length: each one fails, nothing written.
convert "$work/base.png" -resize 16x12! "$work/small.png"
heif-enc -q 50 "$work/small.png" -o "$work/small.heic" >/dev/null
heif-enc -q 50 "$work/small.png" -o "$work/small.avif" >/dev/null
for picture in "$work/small.heic" "$work/small.avif"; do
  cut_at_every_length "$picture" "$work/cut"
  damage_at_random "$picture" "$work/bad" 40
done
cuts=$(ls "$work/cut" | wc -l)
run_tesrun "$scripts/copy_bmp.txt" "$work/cut" "$work/cut-out" "heic|avif" "$build/bin"
expect_equal "every cut file failed" $cuts "$(grep -c '^Failed' "$work/out.txt")"
expect_line "$work/out.txt" "Finished."
expect_equal "nothing written from cut files" "" "$(ls "$work/cut-out")"

# Random damage (above) and a huge declared size.
python3 - "$work/small.heic" "$work/small.avif" "$work/bad" <<'PY'
import struct, sys
for source in sys.argv[1:3]:
    huge = bytearray(open(source, "rb").read())
    # Every 'ispe' (version and flags, then the width and the height): x265's files have two.
    at = huge.find(b"ispe")
    while at >= 0:
        huge[at + 8:at + 16] = struct.pack(">II", 30000, 30000)
        at = huge.find(b"ispe", at + 4)
    open(f"{sys.argv[3]}/huge.{source.rsplit('.', 1)[1]}", "wb").write(huge)
PY
run_tesrun "$scripts/copy_bmp.txt" "$work/bad" "$work/bad-out" "heic|avif" "$build/bin"
expect_line "$work/out.txt" "Finished."
expect_equal "every damaged file went through" 82 "$(grep -c '^[0-9]*/82	' "$work/out.txt")"
expect_equal "a huge size is refused" 2 "$(grep -A1 '	huge\.' "$work/out.txt" | grep -c '^Failed')"
# What was written is a whole picture.
for written in "$work/bad-out"/*; do
  [ -e "$written" ] || continue
  identify "$written" >/dev/null 2>&1 || fail "$(basename "$written") is not a whole picture"
done
finish
