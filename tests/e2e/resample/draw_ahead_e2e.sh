#!/usr/bin/env bash
# Drawing ahead (a picture of the last one's size decoded straight into its draw) changes no
# byte: a folder of same-size JPEGs (baseline, progressive, grey, CMYK, turned by its Exif,
# truncated) with one of another size, through the bundled thumbnail script (upright, Exif
# kept), a half-size script, a script that draws some pictures twice, mirrored, cropped or
# with another filter, and a run that skips what is up to date. Each prints and writes the
# same with TESSAVEL_DRAW_AHEAD=0, with one thread and with two.
set -uo pipefail
build=$1
source "$(dirname "$0")/../e2e-lib.sh"
make_work e2e-draw-ahead
src=$work/src
mkdir -p "$src"
for n in 1 2 3; do
  convert -size 320x240 -seed $n plasma:fractal -quality 90 "$src/p$n.jpg"
done
convert "$src/p1.jpg" -interlace JPEG "$src/p4-progressive.jpg"
convert "$src/p2.jpg" -colorspace Gray "$src/p5-grey.jpg"
convert "$src/p3.jpg" -colorspace CMYK "$src/p6-cmyk.jpg"
cp "$src/p1.jpg" "$src/p7-turned.jpg"
exiftool -q -overwrite_original -Orientation#=6 "$src/p7-turned.jpg"
head -c 9000 "$src/p2.jpg" >"$src/p8-cut.jpg"
convert -size 240x320 -seed 9 plasma:fractal "$src/p9-portrait.jpg"
cp "$src/p3.jpg" "$src/pa.jpg"

cat >"$work/half.txt" <<'SCRIPT'
SetDrawFilter("lanczos3")
function Info() { ReturnInfo("Half", "E2E", 1, 0, 0, 0) }
function Main(width, height, name, index) {
    SetSize(width / 2, height / 2)
    Draw(0, 0, width, height, 0, 0, width / 2, height / 2)
    SetName(name + ".bmp")
}
SCRIPT
# By index: the same draw twice, two draws, a mirrored one, another filter, a crop, a part of
# the target, none.
cat >"$work/varied.txt" <<'SCRIPT'
SetDrawFilter("lanczos3")
function Info() { ReturnInfo("Varied", "E2E", 1, 0, 0, 0) }
function Main(width, height, name, index) {
    SetSize(160, 120)
    if index == 2 { SetDrawFilter("box") }
    if index == 4 { Draw(width, 0, -width, height, 0, 0, 160, 120) } else {
        if index == 6 { Draw(40, 30, 200, 150, 0, 0, 160, 120) } else {
            if index == 7 { SetBackGround(0, 128, 255)
                            Draw(0, 0, width, height, 10, 10, 140, 100) } else {
                if index != 8 { Draw(0, 0, width, height, 0, 0, 160, 120) }
            }
        }
    }
    if index == 1 { Draw(0, 0, width, height, 0, 0, 160, 120) }
    if index == 3 { Draw(0, 0, width / 2, height / 2, 0, 0, 80, 60) }
    SetName(name + ".bmp")
}
SCRIPT
sed 's/^SetDrawFilter/SetSkipExisting(1)\nSetDrawFilter/' "$work/half.txt" >"$work/skip.txt"

digest() { (cd "$1" && find . -type f | LC_ALL=C sort | xargs md5sum); }
one_run() { # label script [env...]: transcript and files as $work/<label>.*
  local label=$1 script=$2 dst=$work/out-$1
  shift 2
  rm -rf "$dst"
  mkdir -p "$dst"
  if [ "$script" = "$work/skip.txt" ]; then cp "$work/out-seed/p2.jpg.bmp" "$dst/"; fi
  env "$@" "$build/wine-run" "$build/bin/tesrun.exe" "$(windows "$script")" "$(windows "$src")" \
    "$(windows "$dst")" jpg "$(windows "$build/bin")" >"$work/$label.out" 2>"$work/$label.err"
  sed -i "s#out-$label\b#DST#g" "$work/$label.out" "$work/$label.err"
  digest "$dst" >"$work/$label.files"
}
for name in thumb half varied skip; do
  case $name in thumb) script=$build/bin/script/thumbnail_256.txt ;; *) script=$work/$name.txt ;; esac
  [ $name = skip ] && one_run seed "$work/half.txt" TESSAVEL_DRAW_AHEAD=0 # one output up to date
  one_run $name-ref "$script" TESSAVEL_DRAW_AHEAD=0 TESSAVEL_THREADS=1
  for threads in 1 2; do
    one_run $name-$threads "$script" TESSAVEL_THREADS=$threads
    for what in out err files; do
      cmp -s "$work/$name-ref.$what" "$work/$name-$threads.$what" ||
        fail "$name, $threads thread(s): $what differs: $(diff "$work/$name-ref.$what" "$work/$name-$threads.$what")"
    done
  done
done
# The runs did what the scripts ask: every picture but the cut one, which fails alike.
expect_equal "half-size outputs" 9 "$(wc -l <"$work/half-1.files")"
grep -q "^tesrun: p8-cut.jpg: " "$work/half-1.err" || fail "the cut picture: $(cat "$work/half-1.err")"
expect_equal "thumbnails" 9 "$(wc -l <"$work/thumb-1.files")"
finish
