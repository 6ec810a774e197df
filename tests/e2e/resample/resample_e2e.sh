#!/usr/bin/env bash
# SetDrawFilter("lanczos3"): what tesrun draws against vipsthumbnail's Lanczos3 and
# ImageMagick's Lanczos of the same inputs (PSNR in dB): a zone plate (rings rising to the
# Nyquist frequency) and a photo-like PNG at 256 x 192, a 12-megapixel JPEG through the
# bundled thumbnail script (shrink-on-load), a centre crop, a 4x enlargement; a mirrored
# Draw is the unmirrored one flopped; the run's default, the per-image reset and the
# function's results.
set -uo pipefail
build=$1
source "$(dirname "$0")/../e2e-lib.sh"
make_work e2e-resample
mkdir -p "$work/src" "$work/out" "$work/jpeg" "$work/thumbs" "$work/names" "$work/default"

psnr() { compare -metric PSNR "$1" "$2" null: 2>&1; }
expect_at_least() { # what dB actual
  echo "$1: $3 dB"
  awk -v a="$3" -v b="$2" 'BEGIN { exit !(a + 0 >= b) }' || fail "$1: $3 dB, expected at least $2"
}

python3 - "$work/zone.pgm" <<'PY'
import math, sys
w, h = 2000, 1500
k = math.pi / 2 / 1250  # half a cycle per pixel at 1250 pixels from the centre
across = [(i - w / 2) ** 2 for i in range(w)]
rows = [bytes(int(127.5 + 127.5 * math.cos(k * (x + (j - h / 2) ** 2))) for x in across)
        for j in range(h)]
open(sys.argv[1], "wb").write(b"P5 %d %d 255\n" % (w, h) + b"".join(rows))
PY
convert "$work/zone.pgm" -type TrueColor "$work/src/zone.png"
# Smooth colour fields with sharp shapes and fine lines on them.
convert -size 500x375 -seed 7 plasma:fractal -resize 2000x1500! -fill white -stroke black \
  -strokewidth 6 -draw "circle 700,600 700,300" -draw "rectangle 1200,300 1800,1100" \
  -strokewidth 2 -draw "line 100,1200 1900,1300" -draw "line 100,1250 1900,1350" \
  -draw "line 100,1300 1900,1400" -type TrueColor "$work/src/photo.png"
convert "$work/src/photo.png" -crop 64x48+600+500 +repage "$work/src/small.png"

for name in centre flipped mirrored; do cp "$work/src/photo.png" "$work/src/$name.png"; done

# Each picture by its name; SetSize after SetDrawFilter keeps the filter.
cat >"$work/draw.txt" <<'SCRIPT'
function Info() { ReturnInfo("Resample", "E2E", 1, 0, 0, 0) }
function Main(width, height, name, index) {
    base = substr(name, 0, rfind(name, "."))
    SetDrawFilter("lanczos3")
    w = 256
    h = 192
    if base == "small" {
        w = width * 4
        h = height * 4
    }
    SetSize(w, h)
    if base == "centre" {
        Draw(width / 4, height / 4, width / 2, height / 2, 0, 0, w, h)
    } else if base == "flipped" {
        Draw(0, 0, width, height, w - 1, 0, -w, h)
    } else if base == "mirrored" {
        Draw(width - 1, 0, -width, height, 0, 0, w, h)
    } else {
        Draw(0, 0, width, height, 0, 0, w, h)
    }
    SetName(base + ".bmp")
    return 1
}
SCRIPT
run_tesrun "$work/draw.txt" "$work/src" "$work/out" png
for name in zone photo; do
  vipsthumbnail "$work/src/$name.png" -s 256x192 -o "$work/${name}_vips.png"
done
expect_at_least "zone plate" 40 "$(psnr "$work/out/zone.bmp" "$work/zone_vips.png")"
expect_at_least "photo-like" 45 "$(psnr "$work/out/photo.bmp" "$work/photo_vips.png")"
vips crop "$work/src/photo.png" "$work/centre.png" 500 375 1000 750
vipsthumbnail "$work/centre.png" -s 256x192 -o "$work/centre_vips.png"
expect_at_least "centre crop" 40 "$(psnr "$work/out/centre.bmp" "$work/centre_vips.png")"
convert "$work/src/small.png" -filter Lanczos -resize 400% "$work/small_im.png"
expect_at_least "4x enlargement" 30 "$(psnr "$work/out/small.bmp" "$work/small_im.png")"
convert "$work/out/photo.bmp" -flop "$work/flopped.png"
for name in flipped mirrored; do
  expect_equal "$name is the picture flopped" 0 \
    "$(compare -metric AE "$work/out/$name.bmp" "$work/flopped.png" null: 2>&1)"
done

# A 12-megapixel JPEG through the bundled script: ifjpeg decodes it at a quarter. Wine's
# encoder ignores the quality (about 75, chroma halved), which costs more than the filter
# gains on saturated edges: the photo is of muted colours.
convert -size 400x300 -seed 11 plasma:fractal -modulate 100,30 -resize 4000x3000! \
  -fill "#707070" -draw "circle 1400,1200 1400,500" -draw "rectangle 2400,600 3600,2200" \
  -quality 90 "$work/jpeg/camera.jpg"
run_tesrun "$build/bin/script/thumbnail_256.txt" "$work/jpeg" "$work/thumbs" jpg "$build/bin"
vipsthumbnail "$work/jpeg/camera.jpg" -s 256 -o "$work/camera_vips.png"
expect_at_least "12-megapixel JPEG" 38 "$(psnr "$work/thumbs/camera_thumb.jpg" "$work/camera_vips.png")"

# The top-level line sets the run's default; "" goes back to StretchBlt for one image; the
# names' results; an unknown name changes nothing.
cp "$work/src/zone.png" "$work/names/a.png"
cp "$work/src/zone.png" "$work/names/b.png"
cat >"$work/names.txt" <<'SCRIPT'
SetDrawFilter("lanczos3")
function Info() { ReturnInfo("Names", "E2E", 1, 0, 0, 0) }
function Main(width, height, name, index) {
    SetSize(256, 192)
    SetDrawMode(1)
    if name == "a.png" {
        r = Format("%d%d%d%d%d", SetDrawFilter("box"), SetDrawFilter("bicubic"), SetDrawFilter("lanczos2"), SetDrawFilter("Lanczos3"), SetDrawFilter(""))
    } else {
        r = Format("%d", SetDrawFilter("nearest"))
    }
    Draw(0, 0, width, height, 0, 0, 256, 192)
    SetName(substr(name, 0, 1) + "_" + r + ".bmp")
}
SCRIPT
run_tesrun "$work/names.txt" "$work/names" "$work/default" png
expect_equal "outputs" "a_11101.bmp b_0.bmp" "$(cd "$work/default" && echo *)"
cmp -s "$work/default/b_0.bmp" "$work/out/zone.bmp" || fail "b.png was not drawn with the run's filter"
sed -e "/^SetDrawFilter/d" -e "s/^        r = .*/        r = \"x\"/" "$work/names.txt" >"$work/plain.txt"
mkdir -p "$work/plain"
run_tesrun "$work/plain.txt" "$work/names" "$work/plain" png
cmp -s "$work/default/a_11101.bmp" "$work/plain/a_x.bmp" || fail "\"\" did not go back to StretchBlt"
finish
