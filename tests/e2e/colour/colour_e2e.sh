#!/usr/bin/env bash
# SetConvertToSrgb(1): a JPEG, WebP, HEIC, AVIF, JPEG XL, PNG and TIFF tagged Display P3 (the profile
# libjxl writes for that colour encoding) come out as ImageMagick's -profile conversion to
# sRGB makes them; an sRGB JPEG comes out as without the function; a damaged profile leaves
# the colours with one reason line; with SetKeepMetadata the Exif is carried, the profile
# is not (without converting, it is, from every format).
set -uo pipefail
build=$1
source "$(dirname "$0")/../e2e-lib.sh"
make_work e2e-colour
srgb=$(find "$build/wineprefix" -iname 'srgb color space profile.icm' | head -n 1)

mkdir -p "$work/src" "$work/plain" "$work/a" "$work/b" "$work/c"
# Display P3: D65 white, DCI-P3 primaries, the sRGB curve.
convert -size 64x64 hald:4 -depth 8 "$work/hald.ppm"
cjxl "$work/hald.ppm" "$work/src/i_p3.jxl" -d 0 -x color_space=RGB_D65_DCI_Rel_SRG >/dev/null 2>&1
djxl "$work/src/i_p3.jxl" "$work/p3.png" >/dev/null 2>&1
exiftool -b -ICC_Profile "$work/p3.png" >"$work/p3.icc"
# A header that Little CMS opens and no transform can be made from: no tags at all.
python3 - "$work/empty.icc" <<'PY'
import sys
header = bytearray(132)
header[0:4] = (132).to_bytes(4, "big")
header[12:24] = b"mntrRGB XYZ "
header[36:40] = b"acsp"
open(sys.argv[1], "wb").write(header)
PY

# Every colour of a 16-level cube, 512 x 512, full chroma so the decoders agree.
convert hald:8 -quality 98 -sampling-factor 1x1 "$work/plain/a_p3.jpg"
for name in b_srgb c_lying d_empty e_photo; do cp "$work/plain/a_p3.jpg" "$work/plain/$name.jpg"; done
cp "$work/plain/"*.jpg "$work/src/"
# The plug-ins' formats, lossless, each keeping the PNG's profile.
cwebp -quiet -lossless -exact -metadata icc "$work/p3.png" -o "$work/src/f_p3.webp"
heif-enc -q 95 "$work/p3.png" -o "$work/src/g_p3.heic" >/dev/null
avifenc -l "$work/p3.png" "$work/src/h_p3.avif" >/dev/null
# And the formats GDI+ reads: the PNG's iCCP chunk, a TIFF's profile tag.
cp "$work/p3.png" "$work/src/j_p3.png"
convert "$work/p3.png" "$work/src/k_p3.tif"
exiftool -q -q -overwrite_original "-ICC_Profile<=$work/p3.icc" "$work/src/a_p3.jpg"
exiftool -q -q -overwrite_original "-ICC_Profile<=$srgb" "$work/src/b_srgb.jpg"
exiftool -q -q -overwrite_original "-ICC_Profile<=$work/empty.icc" "$work/src/d_empty.jpg"
exiftool -q -q -overwrite_original "-ICC_Profile<=$work/p3.icc" -Make=Tessavel \
  "$work/src/e_photo.jpg"
python3 - "$work/src/a_p3.jpg" "$work/src/c_lying.jpg" <<'PY'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
at = data.index(b"ICC_PROFILE\0") + 14
data[at:at + 4] = (0x7FFFFFFF).to_bytes(4, "big")
open(sys.argv[2], "wb").write(data)
PY

info='function Info() { ReturnInfo("Colour", "E2E", 1, 0, 0, 0) }'
{ echo "$info"; cat "$scripts/copy_bmp.txt"; } >"$work/plain.txt"
{ echo "SetConvertToSrgb(1)"; cat "$work/plain.txt"; } >"$work/convert.txt"
run_tesrun "$work/convert.txt" "$work/src" "$work/a" "jpg|webp|heic|avif|jxl|png|tif" "$build/bin"
converted_out=$(sed 's/convert.txt/X/; s#\\a$#D#' "$work/out.txt")
expect_equal "reason lines" "tesrun: c_lying.jpg: its ICC profile's size does not match its parts; colours left as they are
tesrun: d_empty.jpg: its ICC profile cannot be applied; colours left as they are" "$(cat "$work/err.txt")"
run_tesrun "$work/plain.txt" "$work/src" "$work/b" "jpg|webp|heic|avif|jxl|png|tif" "$build/bin"
expect_equal "same standard output" "$(sed 's/plain.txt/X/; s#\\b$#D#' "$work/out.txt")" "$converted_out"

# Display P3 to sRGB: ImageMagick through its own Little CMS, to Wine's sRGB profile.
convert "$work/src/a_p3.jpg" -profile "$srgb" "$work/expected.png"
expect_equal "as ImageMagick converts it" "0" \
  "$(compare -metric AE -fuzz 1% "$work/a/a_p3.bmp" "$work/expected.png" null: 2>&1)"
# The HEIC is lossy (x265): its reference is heif-convert's decode, profile kept.
convert "$work/p3.png" -profile "$srgb" "$work/f_p3.png"
cp "$work/f_p3.png" "$work/h_p3.png"
for name in i_p3 j_p3 k_p3; do cp "$work/f_p3.png" "$work/$name.png"; done
heif-convert "$work/src/g_p3.heic" "$work/heif-convert.png" >/dev/null
convert "$work/heif-convert.png" -profile "$srgb" "$work/g_p3.png"
for name in f_p3 g_p3 h_p3 i_p3 j_p3 k_p3; do
  expect_equal "$name as ImageMagick converts it" "0" \
    "$(compare -metric AE -fuzz 1% "$work/a/$name.bmp" "$work/$name.png" null: 2>&1)"
done
for name in a_p3 f_p3 g_p3 h_p3 i_p3 j_p3 k_p3; do
  cmp -s "$work/a/$name.bmp" "$work/b/$name.bmp" && fail "$name was not converted"
done
for name in b_srgb c_lying d_empty; do
  cmp -s "$work/a/$name.bmp" "$work/b/$name.bmp" || fail "$name.jpg's colours were changed"
done

# Kept without converting, the profile goes along into the JPEG.
mkdir -p "$work/modern" "$work/d"
cp "$work/src/f_p3.webp" "$work/src/g_p3.heic" "$work/src/j_p3.png" "$work/src/k_p3.tif" "$work/modern/"
{ echo "SetKeepMetadata(1)"; echo "$info"; sed 's/\.bmp/.jpg/' "$scripts/copy_bmp.txt"; } >"$work/carry.txt"
run_tesrun "$work/carry.txt" "$work/modern" "$work/d" "webp|heic|png|tif" "$build/bin"
for name in f_p3 g_p3 j_p3 k_p3; do
  expect_equal "$name's profile carried" "RGB_D65_DCI_Rel_SRG" \
    "$(exiftool -s3 -ProfileDescription "$work/d/$name.jpg")"
done

# With the metadata kept: the Exif goes along, the profile stays behind.
{ echo "SetConvertToSrgb(1)"; echo "SetKeepMetadata(1)"; echo "$info"; sed 's/\.bmp/.jpg/' "$scripts/copy_bmp.txt"; } \
  >"$work/keep.txt"
rm "$work/src/"[a-d]_*.jpg "$work/src/"[f-k]_*
run_tesrun "$work/keep.txt" "$work/src" "$work/c" jpg "$build/bin"
expect_equal "Exif without the profile" "Tessavel" \
  "$(exiftool -s3 -Make -ProfileDescription "$work/c/e_photo.jpg" | xargs)"
expect_equal "nothing on standard error" "" "$(cat "$work/err.txt")"
finish
