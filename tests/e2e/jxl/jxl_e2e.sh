#!/usr/bin/env bash
# JPEG XL through ifjxl: pictures made by cjxl, lossless and lossy, with alpha, at 16 bits
# and an animation, decode as djxl decodes them (alpha over black, 16 bits reduced to 8, an
# animation's first frame: within one step); a file cut short at every length or damaged at
# random fails or converts without a crash, a picture above the pixel limit is refused, and
# nothing is half written. Then one folder of WebP, HEIC, AVIF and JPEG XL converts with the
# bundled thumbnail script.
set -uo pipefail
build=$1
source "$(dirname "$0")/../e2e-lib.sh"
make_work e2e-jxl

src=$work/src
mkdir -p "$src" "$work/out" "$work/cut" "$work/cut-out" "$work/bad" "$work/bad-out" \
  "$work/mixed" "$work/thumbs"
convert -size 61x41 gradient:red-blue -fill yellow -draw "circle 30,20 30,5" -type TrueColor \
  -depth 16 "$work/deep.png"
convert "$work/deep.png" -depth 8 "$work/base.png"
convert "$work/base.png" -alpha set -channel A -fx "i/w" +channel "$work/alpha.png"
convert "$work/base.png" \( "$work/base.png" -rotate 180 \) -set delay 10 "$work/anim.gif"
cjxl -d 0 "$work/base.png" "$src/lossless.jxl" >/dev/null 2>&1
cjxl -d 1 "$work/base.png" "$src/lossy.jxl" >/dev/null 2>&1
cjxl -d 0 "$work/alpha.png" "$src/alpha.jxl" >/dev/null 2>&1
cjxl -d 0 "$work/deep.png" "$src/deep.jxl" >/dev/null 2>&1
cjxl -d 0 "$work/anim.gif" "$src/anim.jxl" >/dev/null 2>&1

run_tesrun "$scripts/copy_bmp.txt" "$src" "$work/out" "jxl" "$build/bin"
expect_equal "nothing failed" 0 "$(grep -c Failed "$work/out.txt")"
expect_equal "every picture made" 5 "$(ls "$src" | wc -l)"
expect_equal "nothing on standard error but the missing Info" 1 "$(wc -l <"$work/err.txt")"
for picture in "$src"/*; do
  name=$(basename "${picture%.*}")
  djxl "$picture" "$work/ref.png" >/dev/null 2>&1 || fail "djxl $name"
  # djxl writes an animation's frames one after another: the first is the reference.
  convert "$work/ref.png[0]" -background black -alpha remove -alpha off -depth 8 "$work/ref8.png"
  expect_equal "$name pixels" 0 \
    "$(compare -metric AE -fuzz 0.5% "$work/out/$name.bmp" "$work/ref8.png" null: 2>&1)"
done

# A small picture cut short at every length fails; damaged at random, it goes through.
convert "$work/base.png" -resize 16x12! "$work/small.png"
cjxl -d 1 "$work/small.png" "$work/small.jxl" >/dev/null 2>&1
cut_at_every_length "$work/small.jxl" "$work/cut"
run_tesrun "$scripts/copy_bmp.txt" "$work/cut" "$work/cut-out" "jxl" "$build/bin"
expect_equal "every cut file failed" "$(ls "$work/cut" | wc -l)" "$(grep -c '^Failed' "$work/out.txt")"
expect_line "$work/out.txt" "Finished."
expect_equal "nothing written from cut files" "" "$(ls "$work/cut-out")"
damage_at_random "$work/small.jxl" "$work/bad" 60
run_tesrun "$scripts/copy_bmp.txt" "$work/bad" "$work/bad-out" "jxl" "$build/bin"
expect_line "$work/out.txt" "Finished."
expect_equal "every damaged file went through" 60 "$(grep -c '^[0-9]*/60	' "$work/out.txt")"
for written in "$work/bad-out"/*; do
  [ -e "$written" ] || continue
  identify "$written" >/dev/null 2>&1 || fail "$(basename "$written") is not a whole picture"
done
mkdir -p "$work/limit" "$work/limit-out"
cp "$src/lossless.jxl" "$work/limit/"
TESSAVEL_MAX_PIXELS=2000 run_tesrun "$scripts/copy_bmp.txt" "$work/limit" "$work/limit-out" "jxl" "$build/bin"
expect_line "$work/out.txt" "Failed."
expect_line "$work/err.txt" "tesrun: lossless.jxl: the plug-in that takes it cannot decode it (out of memory, or above the pixel limit)"

# One folder of every format our plug-ins add, through the bundled thumbnail script.
convert -size 400x300 plasma:fractal -seed 3 -depth 8 "$work/photo.png" 2>/dev/null
cwebp -quiet -q 80 "$work/photo.png" -o "$work/mixed/a.webp"
heif-enc -q 60 "$work/photo.png" -o "$work/mixed/b.heic" >/dev/null
heif-enc -q 60 "$work/photo.png" -o "$work/mixed/c.avif" >/dev/null
cjxl -d 1 "$work/photo.png" "$work/mixed/d.jxl" >/dev/null 2>&1
run_tesrun "$build/bin/script/thumbnail_256.txt" "$work/mixed" "$work/thumbs" "webp|heic|avif|jxl" \
  "$build/bin"
expect_equal "every format converted" 4 "$(grep -c '^Save as' "$work/out.txt")"
expect_equal "thumbnails" "a_thumb.jpg 256x192 b_thumb.jpg 256x192 c_thumb.jpg 256x192 d_thumb.jpg 256x192 " \
  "$(cd "$work/thumbs" && identify -format '%f %wx%h ' *.jpg)"
finish
