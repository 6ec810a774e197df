#!/usr/bin/env bash
# WebP through ifwebp: lossless and lossy pictures made by cwebp, with and without alpha, and
# an animation made by img2webp decode as dwebp decodes them (alpha over black; lossless
# exactly, lossy within one step); a reduced decode stays close to ImageMagick's Lanczos;
# truncated and damaged files fail before Main with a reason, nothing written.
set -uo pipefail
build=$1
source "$(dirname "$0")/../e2e-lib.sh"
make_work e2e-webp

src=$work/src
mkdir -p "$src" "$work/out" "$work/thumbs" "$work/bad" "$work/bad-out"
convert -size 61x41 gradient:red-blue -fill yellow -draw "circle 30,20 30,5" -type TrueColor \
  "$work/base.png"
convert "$work/base.png" -alpha set -channel A -fx "i/w" +channel "$work/alpha.png"
cwebp -quiet -lossless "$work/base.png" -o "$src/lossless.webp"
cwebp -quiet -lossless "$work/alpha.png" -o "$src/lossless_alpha.webp"
cwebp -quiet -q 80 "$work/base.png" -o "$src/lossy.webp"
cwebp -quiet -q 80 "$work/alpha.png" -o "$src/lossy_alpha.webp"
convert "$work/base.png" -rotate 180 "$work/second.png"
img2webp -lossless "$work/alpha.png" "$work/second.png" -o "$src/animated.webp" >/dev/null 2>&1

run_tesrun "$scripts/copy_bmp.txt" "$src" "$work/out" "webp" "$build/bin"
expect_equal "nothing failed" 0 "$(grep -c Failed "$work/out.txt")"
# The reference: dwebp's pixels over black (the first frame of the animation: the still
# picture it was made from).
cwebp -quiet -lossless "$work/alpha.png" -o "$work/first.webp"
for name in lossless lossless_alpha lossy lossy_alpha animated; do
  from=$src/$name.webp
  [ $name = animated ] && from=$work/first.webp
  dwebp -quiet -pam "$from" -o "$work/ref.pam"
  convert "$work/ref.pam" -background black -alpha remove -alpha off "$work/ref.png"
  # 255 * a / 255 rounded differs from ImageMagick's float rounding by at most one step.
  expect_equal "$name pixels" 0 \
    "$(compare -metric AE -fuzz 0.5% "$work/out/$name.bmp" "$work/ref.png" null: 2>&1)"
done

# A thumbnail from the reduced decode (1/4): close to ImageMagick's own.
convert -size 800x600 plasma:fractal -seed 7 "$work/big.png" 2>/dev/null ||
  convert -size 800x600 gradient:green-white "$work/big.png"
mkdir -p "$work/bigsrc"
cwebp -quiet -q 90 "$work/big.png" -o "$work/bigsrc/big.webp"
# An animation decodes at full size only: its thumbnail is drawn from that.
convert "$work/big.png" -flip "$work/big2.png"
img2webp -lossless "$work/big.png" "$work/big2.png" -o "$work/bigsrc/anim.webp" >/dev/null 2>&1
run_tesrun "$scripts/quarter_bmp.txt" "$work/bigsrc" "$work/thumbs" "webp" "$build/bin"
dwebp -quiet -pam "$work/bigsrc/big.webp" -o "$work/big.pam"
convert "$work/big.pam" -resize 200x150! "$work/expected-thumb.png"
for name in big anim; do
  psnr=$(compare -metric PSNR "$work/thumbs/$name.bmp" "$work/expected-thumb.png" null: 2>&1)
  awk -v p="$psnr" 'BEGIN { exit !(p + 0 > 30) }' || fail "$name thumbnail far from ImageMagick's: PSNR $psnr"
done

# Damaged files: cut short at several lengths, and a lying size in the VP8L header.
size=$(stat -c %s "$src/lossy.webp")
for cut in 12 20 30 $((size / 2)) $((size - 1)); do
  head -c $cut "$src/lossy.webp" > "$work/bad/cut_$cut.webp"
done
python3 - "$src/lossless.webp" "$work/bad/huge.webp" <<'PY'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
at = data.index(b"VP8L") + 9   # the 14-bit width and height after the signature byte
data[at:at + 4] = b"\xff\xff\xff\x0f"
open(sys.argv[2], "wb").write(data)
PY
run_tesrun "$scripts/copy_bmp.txt" "$work/bad" "$work/bad-out" "webp" "$build/bin"
expect_equal "every damaged file failed" 6 "$(grep -c '^Failed' "$work/out.txt")"
expect_equal "nothing written" "" "$(ls "$work/bad-out")"
finish
