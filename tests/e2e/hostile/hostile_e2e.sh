#!/usr/bin/env bash
# tesrun.exe under Wine against hostile scripts and files and a full disk. Standard output
# stays the usual transcript; each failure gives one reason line on standard error.
# Usage: hostile_e2e.sh BUILD_DIR
set -uo pipefail
build=$1
source "$(dirname "$0")/../e2e-lib.sh"
make_work hostile
convert=/usr/bin/convert
pixel() { "$convert" "$1" -format "%[fx:int(255*r+.5)],%[fx:int(255*g+.5)],%[fx:int(255*b+.5)]" \
  -crop "1x1+$2+$3" +repage info: 2>/dev/null; }
script() { # name, then Main's body
  printf 'function Info() { ReturnInfo("Hostile", "E2E", 1, 0, 0, 0) }\nfunction Main(width, height, name, index) {\n%s\n    return 1\n}\n' "$2" >"$work/$1"
}
transcript_of() { # lines after the Destination line, up to "Finished."
  sed -n '/^Destination/,$p' "$work/out.txt" | tail -n +2
}

# --- Draw with sides GDI cannot take: refused (the script gets 0), no crash, the run goes on.
mkdir -p "$work/draw" "$work/draw-out"
"$convert" -size 8x8 xc:'#ff0000' "$work/draw/a.png"
"$convert" -size 8x8 xc:'#00ff00' "$work/draw/b.png"
script draw.txt '    SetSize(8, 8)
    SetBackGround(0, 0, 255)
    if index == 0 {
        r1 = Draw(0, 0, width, height, 0, 0, -2147483647 - 1, 64)
        r2 = Draw(0, 0, width, height, 0, 0, 64, -2147483647 - 1)
        SetDrawMode(0)
        r3 = Draw(0, 0, -2147483647 - 1, height, 0, 0, 8, 8)
        r4 = Draw(2147483647, 0, width, height, 0, 0, 8, 8)
        SetName(Format("refused_%d%d%d%d.png", r1, r2, r3, r4))
    } else {
        Draw(0, 0, width, height, 0, 0, 8, 8)
    }'
run_tesrun "$work/draw.txt" "$work/draw" "$work/draw-out" png
expect_line "$work/out.txt" "Finished."
expect_equal "refused draws give 0 and paint nothing" "0,0,255" "$(pixel "$work/draw-out/refused_0000.png" 4 4)"
expect_equal "the next file is converted" "0,255,0" "$(pixel "$work/draw-out/b.png" 4 4)"

# --- A full disk: a failed save leaves the old file byte for byte and no temporary file.
mkdir -p "$work/disk" "$work/disk-out"
"$convert" -size 600x400 plasma:fractal -seed 3 "$work/disk/big.bmp" 2>/dev/null ||
  "$convert" -size 600x400 gradient:red-blue "$work/disk/big.bmp"
script same.txt '    SetSize(width, height)
    Draw(0, 0, width, height, 0, 0, width, height)'
printf 'the previous output\n' >"$work/disk-out/big.bmp"
# SIGXFSZ would end the process the moment the limit is reached; ignored, the write fails
# with EFBIG as a full disk's does with ENOSPC.
(trap '' XFSZ && ulimit -f 64 && run_tesrun "$work/same.txt" "$work/disk" "$work/disk-out" bmp)
expect_equal "full disk: transcript" $'1/1\tbig.bmp\nSave as\tbig.bmp\t\nFailed.\nFinished.' "$(transcript_of)"
expect_equal "full disk: old output kept" "the previous output" "$(cat "$work/disk-out/big.bmp")"
expect_equal "full disk: no temporary file" "big.bmp" "$(ls -A "$work/disk-out")"
grep -q '^tesrun: big\.bmp: ' "$work/err.txt" || fail "full disk: no reason on standard error: [$(cat "$work/err.txt")]"

# --- Two names the ANSI code page folds into one: the second fails as itself.
mkdir -p "$work/names" "$work/names-out"
"$convert" -size 4x4 xc:'#ff0000' "$work/names/cafe.png"
"$convert" -size 4x4 xc:'#0000ff' "$work/names/café.png"
script name.txt '    SetSize(4, 4)
    Draw(0, 0, width, height, 0, 0, 4, 4)'
run_tesrun "$work/name.txt" "$work/names" "$work/names-out" png
expect_equal "folded names: both listed as the ANSI search shows them" 2 "$(grep -c $'^[12]/2\tcafe\\.png$' "$work/out.txt")"
expect_equal "folded names: one converted, one failed" "1 1" \
  "$(grep -c '^Save as' "$work/out.txt") $(grep -c '^Failed\.$' "$work/out.txt")"
expect_equal "folded names: the real cafe.png was converted" "255,0,0" "$(pixel "$work/names-out/cafe.png" 1 1)"
expect_line "$work/err.txt" "tesrun: cafe.png: the file name cannot be written in the system's code page"

# --- Names that leave their folders: refused after "Save as", nothing written anywhere.
mkdir -p "$work/jail/scripts" "$work/jail/in" "$work/jail/out/sub" "$work/jail/x/y"
"$convert" -size 4x4 xc:'#ff0000' "$work/jail/in/a.png"
printf 'secret\n' >"$work/jail/secret.txt"
for name in '..\\..\\escape.png' '..\\escape.png' 'sub\\..\\..\\escape.png' 'Z:\\tmp\\escape.png' \
    '\\escape.png' '\\\\server\\escape.png' '.. \\escape.png' 'nul.png' 'a.png:stream'; do
  script jail.txt "    SetName(\"$name\")"
  cp "$work/jail.txt" "$work/jail/scripts/jail.txt"
  run_tesrun "$work/jail/scripts/jail.txt" "$work/jail/in" "$work/jail/out" png
  expect_line "$work/out.txt" "Failed."
  expect_line "$work/err.txt" "tesrun: a.png: the output name leaves the destination folder"
done
script header.txt '    SetExifHeaderFile("..\\..\\secret.txt")'
cp "$work/header.txt" "$work/jail/scripts/header.txt"
run_tesrun "$work/jail/scripts/header.txt" "$work/jail/in" "$work/jail/out" png
expect_line "$work/out.txt" "Failed."
grep -q '^tesrun: a\.png: the Exif header name .* leaves the script folder$' "$work/err.txt" ||
  fail "header outside the script folder: [$(cat "$work/err.txt")]"
expect_equal "nothing escaped or was written" "sub 0" "$(ls -A "$work/jail/out") $(find "$work" -name 'escape*' | wc -l)" 
script sub.txt '    SetName("sub\\below.png")'
run_tesrun "$work/sub.txt" "$work/jail/in" "$work/jail/out" png
[ -s "$work/jail/out/sub/below.png" ] || fail "a subfolder below the destination is allowed"

# --- Pictures above the pixel limit are refused before decoding; SetSize too.
mkdir -p "$work/bomb" "$work/bomb-out"
# A 20000 x 20000 PNG header over a few rows of data: GDI+ would spend 5 GB decoding it.
python3 - "$work/bomb/bomb.png" <<'PY'
import struct, sys, zlib
def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
rows = zlib.compress(b"\0" * 20001 * 16)
open(sys.argv[1], "wb").write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 20000, 20000, 8, 0, 0, 0, 0))
                             + chunk(b"IDAT", rows) + chunk(b"IEND", b""))
PY
"$convert" -size 64x64 xc:'#00ff00' "$work/bomb/fine.png"
"$convert" -size 64x64 xc:'#00ff00' -depth 8 "$work/bomb/fine.pgm"
script bomb.txt '    r = SetSize(20000, 20000)
    SetName(Format("%s_%d.png", name, r))'
run_tesrun "$work/bomb.txt" "$work/bomb" "$work/bomb-out" png "$build/bin"
expect_line "$work/err.txt" "tesrun: bomb.png: the picture's 20000 x 20000 pixels exceed the limit of 178956970 pixels (TESSAVEL_MAX_PIXELS)"
expect_line "$work/out.txt" "Save as	fine.png_0.png	"
TESSAVEL_MAX_PIXELS=4095 run_tesrun "$work/bomb.txt" "$work/bomb" "$work/bomb-out" "png|pgm" "$build/bin"
expect_line "$work/err.txt" "tesrun: fine.png: the picture's 64 x 64 pixels exceed the limit of 4095 pixels (TESSAVEL_MAX_PIXELS)"
expect_line "$work/err.txt" "tesrun: fine.pgm: the plug-in that takes it cannot decode it (out of memory, or above the pixel limit)"
# A 1 GB PGM of 23170 x 23170 black pixels, sparse: the plug-in refuses it from its header,
# and the host maps the file instead of reading it (its peak memory: docs/performance.md).
mkdir -p "$work/huge" "$work/huge-out"
printf 'P5\n23170 23170\n255\n' >"$work/huge/huge.pgm"
truncate -s 1G "$work/huge/huge.pgm"
run_tesrun "$scripts/copy_bmp.txt" "$work/huge" "$work/huge-out" pgm "$build/bin"
expect_equal "1 GB file: transcript" $'1/1\thuge.pgm\nFailed.\nFinished.' "$(transcript_of)"
expect_line "$work/err.txt" "tesrun: huge.pgm: the plug-in that takes it cannot decode it (out of memory, or above the pixel limit)"

# --- Broken JPEGs, now read by the shipped ifjpeg plug-in first: each fails before Main (no
# "Save as" line) with the plug-in's reason, as GDI+ refused them before; a whole one and
# one with bytes after its end marker convert.
mkdir -p "$work/jpeg" "$work/jpeg-out"
"$convert" -size 64x48 xc:'#ff0000' -quality 95 "$work/jpeg/a-whole.jpg"
size=$(stat -c %s "$work/jpeg/a-whole.jpg")
head -c $((size / 2)) "$work/jpeg/a-whole.jpg" >"$work/jpeg/b-half.jpg"
head -c $((size - 2)) "$work/jpeg/a-whole.jpg" >"$work/jpeg/c-no-end.jpg"
# Garbage after a start of image, the same on every run: random bytes could happen to begin
# with a frame marker of a kind the plug-in does not read, which is another answer.
{ printf '\377\330\377'; python3 -c 'import random, sys; random.seed(4000)
sys.stdout.buffer.write(random.randbytes(4000))'; } >"$work/jpeg/d-garbage.jpg"
{ cat "$work/jpeg/a-whole.jpg"; printf 'bytes after the end'; } >"$work/jpeg/e-trailing.jpg"
script jpeg.txt '    SetSize(width, height)
    Draw(0, 0, width, height, 0, 0, width, height)
    SetName(Format("%s.png", name))'
run_tesrun "$work/jpeg.txt" "$work/jpeg" "$work/jpeg-out" jpg "$build/bin"
expect_equal "broken JPEGs: transcript" $'1/5\ta-whole.jpg\nSave as\ta-whole.jpg.png\t\n2/5\tb-half.jpg\nFailed.\n3/5\tc-no-end.jpg\nFailed.\n4/5\td-garbage.jpg\nFailed.\n5/5\te-trailing.jpg\nSave as\te-trailing.jpg.png\t\nFinished.' "$(transcript_of)"
for name in b-half c-no-end d-garbage; do
  expect_line "$work/err.txt" "tesrun: $name.jpg: the plug-in that takes it cannot decode it (broken data)"
done
expect_equal "whole JPEG: pixel" "254,0,0" "$(pixel "$work/jpeg-out/a-whole.jpg.png" 10 10)"

# --- A PPM whose comments run past the plug-ins' 2048-byte head is read.
mkdir -p "$work/ppm" "$work/ppm-out"
{ printf 'P6\n'; for i in $(seq 60); do printf '# %s\n' "$(printf 'c%.0s' $(seq 60))"; done
  printf '2 1\n255\n'; printf '\377\000\000\000\000\377'; } >"$work/ppm/long.ppm"
script ppm.txt '    SetSize(width, height)
    Draw(0, 0, width, height, 0, 0, width, height)
    SetName("long.png")'
run_tesrun "$work/ppm.txt" "$work/ppm" "$work/ppm-out" ppm "$build/bin"
expect_equal "long PPM header: pixels" "255,0,0 0,0,255" \
  "$(pixel "$work/ppm-out/long.png" 0 0) $(pixel "$work/ppm-out/long.png" 1 0)"

finish
