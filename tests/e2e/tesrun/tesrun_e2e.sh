#!/usr/bin/env bash
# Runs build/<preset>/bin/tesrun.exe under Wine on folders of real images and checks its
# console output byte for byte (CR removed) and the files it wrote, by decoding them.
# Usage: tesrun_e2e.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$1
source_dir=$2
convert=/usr/bin/convert
identify=/usr/bin/identify
source "$(dirname "$0")/../e2e-lib.sh"
make_work e2e
pixel() { "$convert" "$1" -format "%[fx:int(255*r+.5)],%[fx:int(255*g+.5)],%[fx:int(255*b+.5)]" \
  -crop "1x1+$2+$3" +repage info: 2>/dev/null; }
size() { "$identify" -format '%m %wx%h' "$1" 2>/dev/null; }
# Directory order as the directory search gives it: nothing is sorted.
listing() { ls -U -a "$1" | grep -v '^\.\.\?$'; }
tesrun() { # script source destination extensions
  "$build/wine-run" "$build/bin/tesrun.exe" "$(windows "$1")" "$(windows "$2")" \
    "$(windows "$3")" "$4" null | tr -d '\r'
}

banner=$'Tessavel comammd-line tool Version 1.1\nIgnored Pluins.\n'

# --- Three images, one of them broken: the whole transcript, two correct images.
scripts=$work/scripts; src=$work/three; dst=$work/three-out
mkdir -p "$scripts" "$src" "$dst"
cp "$source_dir/script/exif_header.exif" "$scripts/"
cat > "$scripts/frame.txt" <<'SCRIPT'
// Green 100 x 50 picture with the image at 5/8 of its size at 10, 10. JPEG inputs get the Exif header.
function Info() { ReturnInfo("Frame", "E2E", 3, 2, 1, 0) }
function Main(width, height, name, index) {
    SetSize(100, 50)
    SetBackGround(0, 255, 0)
    mode = 0
    if find(name, "_h.") >= 0 { mode = 1 }
    SetDrawMode(mode)
    Draw(0, 0, width, height, 10, 10, width * 5 / 8, height * 5 / 8)
    dot = rfind(name, ".")
    base = substr(name, 0, dot)
    if lower(substr(name, dot, 4)) == ".jpg" {
        SetExifHeaderFile("exif_header.exif")
        SetName(Format("%d_%s.jpg", index, base))
    } else {
        SetName(Format("%d_%s.png", index, base))
    }
    return 1
}
SCRIPT
"$convert" -size 40x30 xc:'#ff0000' "$src/red.png"
"$convert" -size 64x48 xc:'#0000ff' -quality 95 "$src/photo.jpg"
printf 'not an image at all\n' > "$src/broken.png"
exiftool -q -overwrite_original -Make=InputCam "$src/photo.jpg"

expected="${banner}Script Info
Name	Frame
Author	E2E
Version	3.2.1.0
Source		$(windows "$src")
Destination	$(windows "$dst")
"
index=0
count=$(listing "$src" | wc -l)
while read -r name; do
  expected+="$((index + 1))/$count	$name"$'\n'
  base=${name%.*}
  case $name in
    broken.png) expected+=$'Failed.\n' ;;
    *.jpg) expected+="Save as	${index}_$base.jpg	"$'\n'; jpg_out=$dst/${index}_$base.jpg ;;
    *) expected+="Save as	${index}_$base.png	"$'\n'; png_out=$dst/${index}_$base.png ;;
  esac
  index=$((index + 1))
done < <(listing "$src")
expected+=$'Finished.\n'
actual=$(tesrun "$scripts/frame.txt" "$src" "$dst" "png|jpg"; echo x)
expect_equal "transcript of three images" "$expected" "${actual%x}"
expect_equal "files written" 2 "$(ls "$dst" | wc -l)"
expect_equal "png size" "PNG 100x50" "$(size "$png_out")"
expect_equal "png background" "0,255,0" "$(pixel "$png_out" 5 5)"
expect_equal "png drawn image" "255,0,0" "$(pixel "$png_out" 20 20)"
expect_equal "png right of the image" "0,255,0" "$(pixel "$png_out" 40 20)"
expect_equal "jpg size" "JPEG 100x50" "$(size "$jpg_out")"
expect_equal "jpg starts with the header" "$(od -An -tx1 -N16 "$scripts/exif_header.exif")" \
  "$(od -An -tx1 -N16 "$jpg_out")"
expect_equal "jpg Exif make" "Tessavel" "$(exiftool -s3 -Make "$jpg_out")"
expect_equal "jpg Exif date" "2024:01:02 03:04:05" "$(exiftool -s3 -DateTimeOriginal "$jpg_out")"
drawn=$(pixel "$jpg_out" 20 20); blue=${drawn##*,}
[ "$blue" -gt 200 ] || fail "jpg drawn image is not blue: $drawn"

# --- HALFTONE against COLORONCOLOR: one-pixel stripes shrunk to 5/8.
src=$work/modes; dst=$work/modes-out
mkdir -p "$src" "$dst"
"$convert" -size 2x1 xc:black -fill white -draw 'point 1,0' -write mpr:pair +delete \
  -size 32x32 tile:mpr:pair "$src/stripes_c.png"
cp "$src/stripes_c.png" "$src/stripes_h.png"
tesrun "$scripts/frame.txt" "$src" "$dst" "png" > "$work/modes.log"
greys() { # file: how many pixels of row 12, columns 10 to 29, are neither black nor white
  local count=0 x value
  for x in $(seq 10 29); do
    value=$(pixel "$1" "$x" 12)
    case $value in 0,0,0|255,255,255) ;; *) count=$((count + 1)) ;; esac
  done
  echo "$count"
}
expect_equal "stripes converted" 2 "$(ls "$dst" | wc -l)"
for name in "$dst"/*_stripes_c.png; do
  expect_equal "COLORONCOLOR keeps whole pixels" 0 "$(greys "$name")"
done
for name in "$dst"/*_stripes_h.png; do
  [ "$(greys "$name")" -ge 5 ] || fail "HALFTONE did not mix neighbours"
done

finish
