#!/usr/bin/env bash
# PNG through ifpng: for each kind of PNG (make_png_kinds.sh) the output is byte for byte the
# one GDI+ alone gives, through copy_bmp.txt and through a script that turns pictures upright
# and converts their profile to sRGB; the table says which decoder reads each kind (a file
# ifpng decodes is opened once, one it leaves to GDI+ twice). Truncated and damaged PNGs fail
# before Main with a reason and leave nothing behind, and a declared size above the pixel
# limit is refused before anything is decoded.
set -uo pipefail
build=$1
source "$(dirname "$0")/../e2e-lib.sh"
make_work e2e-png
srgb=$(find "$build/wineprefix" -iname 'srgb color space profile.icm' | head -n 1)

src=$work/src
bash "$(dirname "$0")/make_png_kinds.sh" "$src" "$srgb"
# The decoder of each kind: ifpng, or GDI+ where GDI+'s pixels cannot be matched for sure.
declare -A decoder=(
  [rgb8]=ifpng [rgb8_no_gama]=ifpng [rgb8_interlaced]=ifpng [palette8]=ifpng [palette4]=ifpng
  [palette_interlaced]=ifpng [palette_trns]=ifpng [palette_trns_partial]=gdiplus
  [grey8]=ifpng [grey4]=ifpng [grey2]=ifpng [grey1]=ifpng [rgb16]=gdiplus [grey16]=gdiplus
  [rgba_partial]=gdiplus [rgba_binary]=ifpng [greya_binary]=ifpng [greya_partial]=gdiplus
  [rgb_colour_key]=ifpng [gamma1]=gdiplus [gamma_srgb]=ifpng [exif]=ifpng [iccp]=ifpng
)
expect_equal "every kind is in the table" "${#decoder[@]}" "$(ls "$src" | wc -l)"

{
  printf 'SetAutoOrient(1)\nSetConvertToSrgb(1)\n'
  cat "$scripts/copy_bmp_by_orientation.txt"
} >"$work/upright.txt"
for script in "$scripts/copy_bmp.txt" "$work/upright.txt"; do
  rm -rf "$work/gdiplus" "$work/ifpng"
  mkdir -p "$work/gdiplus" "$work/ifpng"
  run_tesrun "$script" "$src" "$work/gdiplus" png
  cp "$work/out.txt" "$work/gdiplus-out.txt"
  WINEDEBUG=+file run_tesrun "$script" "$src" "$work/ifpng" png "$build/bin"
  # The same transcript but for the plug-in lines and the folders.
  body() { sed -n '/^Destination/,$p' "$1" | tail -n +2; }
  expect_equal "$(basename "$script"): the same transcript" "$(body "$work/gdiplus-out.txt")" \
    "$(body "$work/out.txt")"
  for kind in "${!decoder[@]}"; do
    out=$(cd "$work/gdiplus" && ls "$kind".bmp "$kind"_*.bmp 2>/dev/null | head -n 1)
    if [ -z "$out" ] || ! cmp -s "$work/gdiplus/$out" "$work/ifpng/$out"; then
      fail "$kind through $(basename "$script"): not GDI+'s output ($out)"
    fi
    opens=$(grep -c "CreateFileW L\"[^\"]*\\\\$kind\\.png\"" "$work/err.txt")
    seen=gdiplus
    [ "$opens" -eq 1 ] && seen=ifpng
    expect_equal "$kind is read by" "${decoder[$kind]}" "$seen"
  done
done
expect_equal "exif.png is turned" 1 "$(ls "$work/ifpng" | grep -c '^exif_6\.bmp$')"

# Damaged files: cut short, a byte changed in the pixel data, a lying size, and a size
# above the pixel limit: each fails before Main (no output) with the plug-in's reason.
mkdir -p "$work/bad" "$work/bad-out"
size=$(stat -c %s "$src/rgb8.png")
for cut in 40 100 $((size / 2)) $((size - 13)); do
  head -c $cut "$src/rgb8.png" >"$work/bad/cut_$cut.png"
done
python3 - "$src/rgb8.png" "$work/bad" <<'PY'
import struct, sys, zlib
data = bytearray(open(sys.argv[1], 'rb').read())
def chunk(kind, body):
    return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))
at = data.index(b'IDAT')
damaged = bytearray(data)
damaged[at + 10] ^= 0xFF
open(sys.argv[2] + '/damaged_idat.png', 'wb').write(damaged)
# 20000 x 20000 declared, a few rows of data: refused from the header.
ihdr = struct.pack('>IIBBBBB', 20000, 20000, 8, 2, 0, 0, 0)
rows = zlib.compress(b'\0' * (1 + 3 * 20000) * 4)
huge = data[:8] + chunk(b'IHDR', ihdr) + chunk(b'IDAT', rows) + chunk(b'IEND', b'')
open(sys.argv[2] + '/huge.png', 'wb').write(huge)
PY
run_tesrun "$scripts/copy_bmp.txt" "$work/bad" "$work/bad-out" png "$build/bin"
expect_equal "damaged PNGs: nothing written" "" "$(ls "$work/bad-out" 2>/dev/null)"
for name in $(cd "$work/bad" && ls | grep -v huge); do
  expect_line "$work/err.txt" "tesrun: $name: the plug-in that takes it cannot decode it (broken data)"
done
# Above the limit ifpng does not take it: the host refuses it from the header, as before.
expect_line "$work/err.txt" \
  "tesrun: huge.png: the picture's 20000 x 20000 pixels exceed the limit of 178956970 pixels (TESSAVEL_MAX_PIXELS)"
expect_equal "damaged PNGs: all failed" "$(ls "$work/bad" | wc -l)" "$(grep -c '^Failed\.$' "$work/out.txt")"
# A kind ifpng leaves to GDI+, damaged: GDI+'s reason, as before.
mkdir -p "$work/left" "$work/left-out"
head -c 300 "$src/gamma1.png" >"$work/left/gamma1_cut.png"
run_tesrun "$scripts/copy_bmp.txt" "$work/left" "$work/left-out" png
cp "$work/err.txt" "$work/left-err.txt"
run_tesrun "$scripts/copy_bmp.txt" "$work/left" "$work/left-out" png "$build/bin"
expect_equal "a damaged PNG left to GDI+: GDI+'s reason" "$(grep '^tesrun: gamma1' "$work/left-err.txt")" \
  "$(grep '^tesrun: gamma1' "$work/err.txt")"
finish
