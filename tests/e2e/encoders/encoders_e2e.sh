#!/usr/bin/env bash
# Outputs named .webp, .avif and .jxl: lossy ones within 10 % of the size and 0.3 dB of the
# PSNR of the reference encoders on the same pixels (`cwebp -q 75`, `heif-enc -q 75`,
# `cjxl -q 75`), lossless ones pixel for pixel, each read by the format's own decoder;
# SetEncodeEffort; the Exif carried into all three; odd sizes; a refused size that keeps
# the old file and leaves no temporary file; the bundled responsive set's six files from
# one decode.
set -uo pipefail
build=$1
source "$(dirname "$0")/../e2e-lib.sh"
make_work e2e-encoders
plugins="$build/bin"

mkdir -p "$work/src" "$work/lossy" "$work/lossless" "$work/ref"
# A photo-like picture: fractal plasma, softened, 8-bit RGB.
convert -seed 7 -size 640x480 plasma:fractal -blur 0x1 -depth 8 -define png:exclude-chunk=all \
  PNG24:"$work/src/photo.png"

copy_script() { # file extension lossless
  cat > "$1" <<SCRIPT
function Info() { ReturnInfo("Encoders", "E2E", 1, 0, 0, 0) }
function Main(width, height, name, index) {
    SetSize(width, height)
    Draw(0, 0, width, height, 0, 0, width, height)
    SetLossless($3)
    SetName(substr(name, 0, rfind(name, ".")) + "$2")
    return 1
}
SCRIPT
}
psnr() { compare -metric PSNR "$1" "$2" null: 2>&1 | awk '{print $1}'; }
within() { # what value reference fraction-or-dB kind(ratio|difference)
  if ! awk -v v="$2" -v r="$3" -v b="$4" -v k="$5" 'BEGIN {
      d = (k == "ratio") ? (v - r) / r : v - r; if (d < 0) d = -d; exit !(d <= b) }'; then
    fail "$1: $2 against the reference's $3 (allowed: $4, $5)"
  fi
}

# Lossy, at the default quality 75.
for ext in webp avif jxl; do
  copy_script "$work/$ext.txt" ".$ext" 0
  run_tesrun "$work/$ext.txt" "$work/src" "$work/lossy" png "$plugins"
  expect_line "$work/out.txt" $'Save as\tphoto.'"$ext"$'\t'
  [ -s "$work/err.txt" ] && fail "$ext: standard error: $(cat "$work/err.txt")"
done
cwebp -quiet -q 75 "$work/src/photo.png" -o "$work/ref/photo.webp"
heif-enc -A -q 75 "$work/src/photo.png" -o "$work/ref/photo.avif" >/dev/null 2>&1
cjxl -q 75 -e 7 "$work/src/photo.png" "$work/ref/photo.jxl" >/dev/null 2>&1
decode() { # file png
  case "$1" in
  *.webp) dwebp -quiet "$1" -o "$2" ;;
  *.avif) avifdec "$1" "$2" >/dev/null ;;
  *.jxl) djxl "$1" "$2" >/dev/null 2>&1 ;;
  esac || fail "$(basename "$1") does not decode"
}
for ext in webp avif jxl; do
  decode "$work/lossy/photo.$ext" "$work/lossy/$ext.png"
  decode "$work/ref/photo.$ext" "$work/ref/$ext.png"
  ours=$(psnr "$work/src/photo.png" "$work/lossy/$ext.png")
  theirs=$(psnr "$work/src/photo.png" "$work/ref/$ext.png")
  size=$(stat -c %s "$work/lossy/photo.$ext")
  ref=$(stat -c %s "$work/ref/photo.$ext")
  echo "$ext q75: $size bytes, PSNR $ours dB; reference $ref bytes, $theirs dB"
  within "$ext size" "$size" "$ref" 0.10 ratio
  within "$ext PSNR" "$ours" "$theirs" 0.3 difference
done
# SetEncodeEffort: 7 is each encoder's default, byte for byte; 1 encodes otherwise; 0 and
# 10 answer 0 and change nothing; a top-level line sets the run's effort, to which every
# image returns after its own.
mkdir -p "$work/pair"
cp "$work/src/photo.png" "$work/pair/a.png"
cp "$work/src/photo.png" "$work/pair/b.png"
effort_cases=(
  # case|top-level line|Main's line|the file it must equal: lossy (the default) or fast
  'seven||SetEncodeEffort(7)|lossy'
  'refused||if SetEncodeEffort(0) + SetEncodeEffort(10) != 0 { SetName("refused") }|lossy'
  'fast||if SetEncodeEffort(1) != 1 { SetName("refused") }|fast'
  'run|SetEncodeEffort(1)|if name == "a.png" { SetEncodeEffort(9) }|fast'
)
for ext in webp avif jxl; do
  for case in "${effort_cases[@]}"; do
    IFS='|' read -r label top line expected <<<"$case"
    cat >"$work/effort.txt" <<SCRIPT
$top
function Info() { ReturnInfo("Effort", "E2E", 1, 0, 0, 0) }
function Main(width, height, name, index) {
    SetSize(width, height)
    Draw(0, 0, width, height, 0, 0, width, height)
    SetName(substr(name, 0, rfind(name, ".")) + ".$ext")
    $line
    return 1
}
SCRIPT
    mkdir -p "$work/effort-$label"
    source=$work/src
    [ "$label" = run ] && source=$work/pair
    run_tesrun "$work/effort.txt" "$source" "$work/effort-$label" png "$plugins"
    [ -s "$work/err.txt" ] && fail "$ext $label: standard error: $(cat "$work/err.txt")"
    reference=$work/lossy/photo.$ext
    [ "$expected" = fast ] && reference=$work/effort-fast/photo.$ext
    if [ "$label" = run ]; then
      cmp -s "$reference" "$work/effort-run/b.$ext" || fail "$ext: b.$ext is not at the run's effort"
      cmp -s "$reference" "$work/effort-run/a.$ext" && fail "$ext: a.$ext is not at its own effort"
    else
      cmp -s "$reference" "$work/effort-$label/photo.$ext" || fail "$ext $label: not the $expected file"
    fi
  done
  cmp -s "$work/lossy/photo.$ext" "$work/effort-fast/photo.$ext" && fail "$ext: effort 1 is the default"
  decode "$work/effort-fast/photo.$ext" "$work/effort-fast/$ext.png"
done

# libheif's AVIF read by libavif too, 4:2:0 at the size written.
heif-convert "$work/lossy/photo.avif" "$work/lossy/heif.png" >/dev/null 2>&1 ||
  fail "heif-convert cannot read the AVIF"
expect_equal "AVIF size" "640x480" "$(identify -format %wx%h "$work/lossy/heif.png")"

# Lossless: every pixel back.
for ext in webp avif jxl; do
  copy_script "$work/$ext-lossless.txt" ".$ext" 1
  run_tesrun "$work/$ext-lossless.txt" "$work/src" "$work/lossless" png "$plugins"
  decode "$work/lossless/photo.$ext" "$work/lossless/$ext.png"
  expect_equal "lossless $ext" "0" "$(compare -metric AE "$work/src/photo.png" "$work/lossless/$ext.png" null: 2>&1)"
done

# The Exif kept, read back by exiftool from all three; the location left out, as for JPEG.
mkdir -p "$work/tagged" "$work/meta"
convert "$work/src/photo.png" -quality 92 "$work/tagged/shot.jpg"
exiftool -q -q -overwrite_original -DateTimeOriginal='2026:05:04 03:02:01' -Make=Tessavel \
  -Model='Test Camera' -Copyright='(c) E2E' -GPSLatitude=35.68 -GPSLatitudeRef=N \
  -GPSLongitude=139.76 -GPSLongitudeRef=E "$work/tagged/shot.jpg"
for ext in webp avif jxl; do
  { echo "SetKeepMetadata(1)"; cat "$work/$ext.txt"; } >"$work/$ext-keep.txt"
  run_tesrun "$work/$ext-keep.txt" "$work/tagged" "$work/meta" jpg "$plugins"
  expect_equal "$ext metadata" "2026:05:04 03:02:01 Tessavel Test Camera (c) E2E" \
    "$(exiftool -s3 -DateTimeOriginal -Make -Model -Copyright "$work/meta/shot.$ext" | xargs)"
  expect_equal "$ext without the location" "" "$(exiftool -s3 -GPSLatitude "$work/meta/shot.$ext")"
done

# Odd and tiny sizes write valid files.
mkdir -p "$work/odd"
for size in "1 1" "3 5"; do
  set -- $size
  for ext in webp avif jxl; do
    cat >"$work/odd.txt" <<SCRIPT
function Info() { ReturnInfo("Odd sizes", "E2E", 1, 0, 0, 0) }
function Main(width, height, name, index) {
    SetSize($1, $2)
    Draw(0, 0, width, height, 0, 0, $1, $2)
    SetName("odd_$1x$2.$ext")
    return 1
}
SCRIPT
    run_tesrun "$work/odd.txt" "$work/src" "$work/odd" png "$plugins"
    decode "$work/odd/odd_$1x$2.$ext" "$work/odd/odd_$1x$2_$ext.png"
    expect_equal "$1x$2 $ext" "$1x$2" "$(identify -format %wx%h "$work/odd/odd_$1x$2_$ext.png" 2>/dev/null)"
  done
done

# A WebP wider than 16383 pixels fails with its reason; the file there stays, no temporary
# file is left, and the run goes on to the next image.
mkdir -p "$work/wide" "$work/two"
cp "$work/src/photo.png" "$work/two/a.png"
cp "$work/src/photo.png" "$work/two/b.png"
cat >"$work/wide.txt" <<'SCRIPT'
function Info() { ReturnInfo("Too wide", "E2E", 1, 0, 0, 0) }
function Main(width, height, name, index) {
    if name == "a.png" { SetSize(16384, 4) } else { SetSize(8, 4) }
    SetName("wide.webp")
    return 1
}
SCRIPT
echo "old" >"$work/wide/wide.webp"
run_tesrun "$work/wide.txt" "$work/two" "$work/wide" png "$plugins"
expect_line "$work/out.txt" "Failed."
expect_equal "the reason" "tesrun: a.png: WebP is at most 16383 pixels wide or high" "$(head -n 1 "$work/err.txt")"
decode "$work/wide/wide.webp" "$work/wide.png"
expect_equal "the run went on" "8x4" "$(identify -format %wx%h "$work/wide.png" 2>/dev/null)"
expect_equal "no temporary file" "wide.webp" "$(ls "$work/wide")"
echo "old" >"$work/wide/wide.webp"
sed -i 's/SetSize(8, 4)/SetSize(16384, 4)/' "$work/wide.txt"
run_tesrun "$work/wide.txt" "$work/two" "$work/wide" png "$plugins"
expect_equal "the old file kept" "old" "$(cat "$work/wide/wide.webp")"
expect_equal "still no temporary file" "wide.webp" "$(ls "$work/wide")"

# The bundled responsive set: six files at their sizes, from one decode, each a Save as line.
mkdir -p "$work/big" "$work/set"
convert -seed 3 -size 2000x1500 plasma:fractal -depth 8 -quality 90 "$work/big/pic.jpg"
run_tesrun "$build/bin/script/responsive_set.txt" "$work/big" "$work/set" jpg "$plugins"
for pair in 1600:1600x1200 800:800x600 400:400x300; do
  side=${pair%%:*}
  for ext in webp jpg; do
    expect_line "$work/out.txt" $'Save as\tpic_'"$side.$ext"$'\t'
    case $ext in
    webp) decode "$work/set/pic_$side.webp" "$work/pic_$side.png"
      got=$(identify -format %wx%h "$work/pic_$side.png" 2>/dev/null) ;;
    jpg) got=$(identify -format %wx%h "$work/set/pic_$side.jpg" 2>/dev/null) ;;
    esac
    expect_equal "pic_$side.$ext" "${pair#*:}" "$got"
  done
done
expect_equal "six files" "6" "$(ls "$work/set" | wc -l)"
[ -s "$work/err.txt" ] && fail "responsive set: standard error: $(cat "$work/err.txt")"
finish
