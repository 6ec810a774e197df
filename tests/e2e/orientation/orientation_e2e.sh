#!/usr/bin/env bash
# The eight Exif orientations, written by exiftool into a JPEG (read by ifjpeg) and a PNG's
# eXIf chunk (read by GDI+): with SetAutoOrient(1) every output is upright, pixel for pixel
# what ImageMagick makes of the stored picture with the orientation's turn; GetOrientation
# tells the number; without SetAutoOrient the pictures stay as stored.
set -uo pipefail
build=$1
source "$(dirname "$0")/../e2e-lib.sh"
make_work e2e-orientation

src=$work/src
mkdir -p "$src" "$work/upright" "$work/stored" "$work/thumbs"
# Four unequal quadrants, so that every turn and mirror gives another picture.
convert -size 60x40 xc:white -fill red -draw "rectangle 0,0 29,19" -fill blue \
  -draw "rectangle 30,0 59,19" -fill green -draw "rectangle 0,20 29,39" -fill yellow \
  -draw "rectangle 40,25 55,35" -type TrueColor "$work/base.png"
convert "$work/base.png" -quality 100 -sampling-factor 1x1 "$work/base.jpg"
convert "$work/base.png" -resize 800x534! -quality 95 "$work/big.jpg"
turn=([1]="" [2]="-flop" [3]="-rotate 180" [4]="-flip" [5]="-transpose" [6]="-rotate 90"
      [7]="-transverse" [8]="-rotate 270")
for o in 1 2 3 4 5 6 7 8; do
  cp "$work/base.jpg" "$src/j$o.jpg"
  cp "$work/base.png" "$src/p$o.png"
  exiftool -q -q -n -Orientation=$o -overwrite_original "$src/j$o.jpg" "$src/p$o.png"
done
cp "$work/big.jpg" "$work/thumbsrc.jpg"
mkdir -p "$work/bigsrc"
exiftool -q -q -n -Orientation=6 -o "$work/bigsrc/big6.jpg" "$work/big.jpg"

# A copy named after the orientation the script sees, with and without SetAutoOrient.
{ echo 'SetAutoOrient(1)'; cat "$scripts/copy_bmp_by_orientation.txt"; } >"$work/upright.txt"
cp "$scripts/copy_bmp_by_orientation.txt" "$work/stored.txt"
# A thumbnail: the reduced decode is turned too.
cat > "$work/thumb.txt" <<'SCRIPT'
SetAutoOrient(1)
function Main(width, height, name, index) {
    SetSize(width / 8, height / 8)
    SetDrawMode(1)
    Draw(0, 0, width, height, 0, 0, width / 8, height / 8)
    SetName("thumb.bmp")
    return 1
}
SCRIPT

run_tesrun "$work/upright.txt" "$src" "$work/upright" "jpg|png" "$build/bin"
expect_equal "nothing failed" "" "$(grep -c Failed "$work/out.txt" | grep -v '^0$')"
for o in 1 2 3 4 5 6 7 8; do
  for kind in j p; do
    out=$work/upright/$kind${o}_$o.bmp
    [ -f "$out" ] || { fail "no $kind${o}_$o.bmp (GetOrientation)"; continue; }
    from=$work/base.png; [ $kind = j ] && from=$work/base.jpg
    # shellcheck disable=SC2086
    convert "$from" ${turn[$o]} "$work/expected.png"
    diff=$(compare -metric AE -fuzz 2% "$out" "$work/expected.png" null: 2>&1)
    expect_equal "$kind$o upright" 0 "$diff"
  done
done

# Broken Exif: the first directory's offset points far outside the segment. The picture
# converts as stored, orientation 1, with one reason line.
mkdir -p "$work/broken" "$work/broken-out"
cp "$src/j6.jpg" "$work/broken/bad.jpg"
python3 - "$work/broken/bad.jpg" <<'PY' || fail "no Exif segment to break"
import sys
path = sys.argv[1]
data = bytearray(open(path, "rb").read())
at = data.index(b"Exif\0\0") + 6 + 4  # the TIFF header's offset of the first directory
data[at:at + 4] = b"\xff\xff\xff\xf0"
open(path, "wb").write(data)
PY
run_tesrun "$work/upright.txt" "$work/broken" "$work/broken-out" "jpg" "$build/bin"
expect_equal "broken Exif: as stored" "60x40" "$(identify -format %wx%h "$work/broken-out/bad_1.bmp" 2>&1)"
expect_equal "broken Exif: the reason" "tesrun: bad.jpg: its Exif data is damaged; not turned upright" \
  "$(grep -v 'no function named Info' "$work/err.txt")"

run_tesrun "$work/stored.txt" "$src" "$work/stored" "jpg|png" "$build/bin"
expect_equal "stored j6 keeps its size" "60x40" "$(identify -format %wx%h "$work/stored/j6_6.bmp")"
expect_equal "stored p8 pixels" 0 "$(compare -metric AE -fuzz 2% "$work/stored/p8_8.bmp" "$work/base.png" null: 2>&1)"

run_tesrun "$work/thumb.txt" "$work/bigsrc" "$work/thumbs" "jpg" "$build/bin"
convert "$work/big.jpg" -rotate 90 -resize 66x100! "$work/expected-thumb.png"
expect_equal "thumbnail size" "66x100" "$(identify -format %wx%h "$work/thumbs/thumb.bmp")"
psnr=$(compare -metric PSNR "$work/thumbs/thumb.bmp" "$work/expected-thumb.png" null: 2>&1)
awk -v p="$psnr" 'BEGIN { exit !(p + 0 > 25) }' || fail "thumbnail far from ImageMagick's: PSNR $psnr"
finish
