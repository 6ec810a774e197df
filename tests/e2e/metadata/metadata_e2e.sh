#!/usr/bin/env bash
# SetKeepMetadata(1) with SetAutoOrient(1): exiftool reads back from the JPEG thumbnail the
# photo's date taken, make, model and copyright, orientation 1 and its ICC profile, also
# from a WebP (cwebp keeps the Exif only), a HEIC (heif-enc keeps both) and a PNG made from
# it; a photo without metadata converts byte for byte as without the function; damaged
# metadata is left out with one line on standard error and the same standard output; an
# output that replaces its source keeps the source's metadata. Under SetKeepMetadata(1) the
# GPS position, serial numbers and owner name of a JPEG and a PNG stay behind, under (2)
# they go along. A PNG GDI+ decodes is opened twice in all (ours, then GDI+'s).
set -uo pipefail
build=$1
source "$(dirname "$0")/../e2e-lib.sh"
make_work e2e-metadata
icc="$build/wineprefix/drive_c/windows/system32/spool/drivers/color/srgb color space profile.icm"
[ -f "$icc" ] || icc=$(find "$build" -iname 'srgb color space profile.icm' | head -n 1)

mkdir -p "$work/src" "$work/plain" "$work/a" "$work/b" "$work/c"
convert -size 400x300 gradient:red-blue -quality 90 "$work/plain/plain.jpg"
cp "$work/plain/plain.jpg" "$work/src/photo.jpg"
exiftool -q -q -n -overwrite_original -Orientation=6 -DateTimeOriginal='2026:05:04 03:02:01' \
  -Make=Tessavel -Model='Test Camera' -Copyright='(c) E2E' "-ICC_Profile<=$icc" "$work/src/photo.jpg"
# The same photo with a profile whose header claims more bytes than its parts hold.
python3 - "$work/src/photo.jpg" "$work/src/lying.jpg" <<'PY'
import sys
data = bytearray(open(sys.argv[1], "rb").read())
at = data.index(b"ICC_PROFILE\0") + 14
data[at:at + 4] = (0x7FFFFFFF).to_bytes(4, "big")
open(sys.argv[2], "wb").write(data)
PY

script() { # file keep
  cat > "$1" <<SCRIPT
SetAutoOrient(1)
SetKeepMetadata($2)
function Info() { ReturnInfo("Metadata", "E2E", 1, 0, 0, 0) }
function Main(width, height, name, index) {
    SetSize(width / 4, height / 4)
    SetDrawMode(1)
    Draw(0, 0, width, height, 0, 0, width / 4, height / 4)
    SetName(substr(name, 0, rfind(name, ".")) + "_t.jpg")
    return 1
}
SCRIPT
}
script "$work/keep.txt" 1
script "$work/drop.txt" 0
script "$work/all.txt" 2

run_tesrun "$work/keep.txt" "$work/src" "$work/a" jpg "$build/bin"
tags() { exiftool -s3 -n -DateTimeOriginal -Make -Model -Copyright -Orientation -ProfileDescription "$1" | xargs; }
expect_equal "kept metadata" "2026:05:04 03:02:01 Tessavel Test Camera (c) E2E 1 sRGB2014" "$(tags "$work/a/photo_t.jpg")"
expect_equal "upright" "75x100" "$(identify -format %wx%h "$work/a/photo_t.jpg")"
expect_equal "the lying profile is left out" "2026:05:04 03:02:01 Tessavel Test Camera (c) E2E 1" "$(tags "$work/a/lying_t.jpg")"
expect_equal "one reason line" "tesrun: lying.jpg: its ICC profile's size does not match its parts; saved without it" "$(cat "$work/err.txt")"
kept_out=$(cat "$work/out.txt")

run_tesrun "$work/drop.txt" "$work/src" "$work/b" jpg "$build/bin"
expect_equal "same standard output" "$(sed 's/keep.txt/X/; s#\\[ab]$#D#' <<<"$kept_out")" "$(sed 's/drop.txt/X/; s#\\[ab]$#D#' "$work/out.txt")"
expect_equal "without SetKeepMetadata no tags" "" "$(exiftool -s3 -Make "$work/b/photo_t.jpg")"

# From our plug-ins' formats: a WebP's EXIF chunk, its orientation turned upright, and a
# HEIC's Exif item and profile; libheif turns a HEIC by the file's own boxes, not its Exif
# (as heif-convert shows it: as stored here).
mkdir -p "$work/modern" "$work/d"
cwebp -quiet -metadata exif "$work/src/photo.jpg" -o "$work/modern/photo_webp.webp"
heif-enc -q 80 "$work/src/photo.jpg" -o "$work/modern/photo_heic.heic" >/dev/null 2>&1
run_tesrun "$work/keep.txt" "$work/modern" "$work/d" "webp|heic" "$build/bin"
expect_equal "the WebP's metadata" "2026:05:04 03:02:01 Tessavel Test Camera (c) E2E 1" \
  "$(tags "$work/d/photo_webp_t.jpg")"
expect_equal "the WebP upright" "75x100" "$(identify -format %wx%h "$work/d/photo_webp_t.jpg")"
expect_equal "the HEIC's metadata" "2026:05:04 03:02:01 Tessavel Test Camera (c) E2E 1 sRGB2014" \
  "$(tags "$work/d/photo_heic_t.jpg")"
expect_equal "the HEIC as stored" "100x75" "$(identify -format %wx%h "$work/d/photo_heic_t.jpg")"

# A PNG's eXIf chunk, which GDI+ decodes past, goes along too, set upright.
mkdir -p "$work/png" "$work/e"
convert -size 400x300 gradient:red-blue "$work/png/shot.png"
exiftool -q -q -n -overwrite_original -Orientation=6 -DateTimeOriginal='2026:05:04 03:02:01' \
  -Make=Tessavel -Model='Test Camera' -Copyright='(c) E2E' "$work/png/shot.png"
run_tesrun "$work/keep.txt" "$work/png" "$work/e" png "$build/bin"
expect_equal "the PNG's metadata" "2026:05:04 03:02:01 Tessavel Test Camera (c) E2E 1" \
  "$(tags "$work/e/shot_t.jpg")"
expect_equal "the PNG upright" "75x100" "$(identify -format %wx%h "$work/e/shot_t.jpg")"

# Without metadata in the source, the function changes nothing.
run_tesrun "$work/keep.txt" "$work/plain" "$work/c" jpg "$build/bin"
run_tesrun "$work/drop.txt" "$work/plain" "$work/b" jpg "$build/bin"
cmp -s "$work/c/plain_t.jpg" "$work/b/plain_t.jpg" || fail "a photo without metadata came out different"

# An output that replaces its own source still carries the source's metadata, also when
# GDI+ decoded it (no plug-ins) and the metadata comes from the file.
mkdir -p "$work/inplace"
cp "$work/src/photo.jpg" "$work/inplace/"
sed 's/SetName(.*)/SetName(name)/' "$work/keep.txt" >"$work/same.txt"
run_tesrun "$work/same.txt" "$work/inplace" "$work/inplace" jpg
expect_equal "in place, through GDI+" "2026:05:04 03:02:01 Tessavel Test Camera (c) E2E 1 sRGB2014" \
  "$(tags "$work/inplace/photo.jpg")"
# Privacy: what locates or identifies the owner goes only where the script asks for it.
mkdir -p "$work/phone" "$work/f" "$work/g"
convert -size 400x300 gradient:red-blue -quality 90 "$work/phone/camera.jpg"
convert -size 400x300 gradient:red-blue "$work/phone/screen.png"
exiftool -q -q -n -overwrite_original -DateTimeOriginal='2026:05:04 03:02:01' -Make=Tessavel \
  -Model='Test Camera' -Copyright='(c) E2E' -LensModel='Lens 50' -GPSLatitude=35.6586 \
  -GPSLatitudeRef=N -GPSLongitude=139.7454 -GPSLongitudeRef=E -SerialNumber=BODY123 \
  -LensSerialNumber=LENS456 -OwnerName='Taro Owner' "$work/phone/camera.jpg" "$work/phone/screen.png"
private() { exiftool -s3 -n -GPSLatitude -SerialNumber -LensSerialNumber -OwnerName "$1" | xargs; }
described() { exiftool -s3 -n -DateTimeOriginal -Make -Model -Copyright -LensModel "$1" | xargs; }
run_tesrun "$work/keep.txt" "$work/phone" "$work/f" "jpg|png" "$build/bin"
run_tesrun "$work/all.txt" "$work/phone" "$work/g" "jpg|png" "$build/bin"
for name in camera screen; do
  expect_equal "$name under 1: described" "2026:05:04 03:02:01 Tessavel Test Camera (c) E2E Lens 50" \
    "$(described "$work/f/${name}_t.jpg")"
  expect_equal "$name under 1: nothing private" "" "$(private "$work/f/${name}_t.jpg")"
  expect_equal "$name under 2: all of it" "35.6586 BODY123 LENS456 Taro Owner" \
    "$(private "$work/g/${name}_t.jpg")"
done

# One open of ours for a file GDI+ decodes: the plug-ins' head, its size and metadata.
mkdir -p "$work/opens" "$work/h"
cp "$work/png/shot.png" "$work/opens/"
WINEDEBUG=+file run_tesrun "$work/keep.txt" "$work/opens" "$work/h" png "$build/bin"
opens=$(grep -c 'CreateFileW L"[^"]*shot\.png"' "$work/err.txt")
[ "$opens" -le 3 ] || fail "the PNG was opened $opens times"
finish
