#!/usr/bin/env bash
# The bundled thumbnail_tree.txt (SetIncludeSubfolders, SetSkipExisting) over a three-level
# tree with Japanese folder and file names with a trail byte 0x5C (表 = 95 5C, ソ = 83 5C on
# code page 932) and a symbolic link: the mirrored tree; a second run that writes nothing; a
# touched source converted again; a killed run resumed; a name that climbs out fails.
set -uo pipefail
build=$1
source "$(dirname "$0")/../e2e-lib.sh"
make_work e2e-batches
script=$build/bin/script/thumbnail_tree.txt

src=$work/src
mkdir -p "$src/写真/2024/ソ旅" "$src/空"
convert -size 64x48 gradient:red-blue "$src/top.png"
convert -size 300x200 plasma:fractal -seed 3 "$src/写真/a.jpg"
convert -size 40x600 gradient:green-white "$src/写真/2024/表.png"
convert -size 520x260 gradient:yellow-black "$src/写真/2024/ソ旅/c.jpg"
convert -size 90x30 xc:orange "$src/写真/2024/ソ旅/表d.gif"
echo "not a picture" >"$src/写真/readme.txt"
ln -s 写真 "$src/link" # a symbolic link is not followed

# Standard output in UTF-8, without the lines that name the folders.
transcript() { iconv -f CP932 -t UTF-8 "$work/out.txt" | grep -v '^Source\|^Destination'; }
tree_of() { (cd "$1" && find . -type f | LC_ALL=C sort); }
state_of() { (cd "$1" && find . -type f | LC_ALL=C sort | while read -r f; do
  echo "$f $(stat -c %Y.%y "$f") $(md5sum <"$f")"; done); }

dst=$work/dst
mkdir -p "$dst"
run_tesrun "$script" "$src" "$dst" "png|jpg|gif"
expect_equal "the mirrored tree" "./top_thumb.jpg
./写真/2024/ソ旅/c_thumb.jpg
./写真/2024/ソ旅/表d_thumb.jpg
./写真/2024/表_thumb.jpg
./写真/a_thumb.jpg" "$(tree_of "$dst")"
expect_equal "sizes" "256x128 90x30 17x256 256x171 64x48" "$(cd "$dst" &&
  for f in 写真/2024/ソ旅/c_thumb.jpg 写真/2024/ソ旅/表d_thumb.jpg 写真/2024/表_thumb.jpg \
    写真/a_thumb.jpg top_thumb.jpg; do identify -format '%wx%h ' "$f"; done | xargs)"
expect_equal "progress over the whole tree" "1/5 2/5 3/5 4/5 5/5" \
  "$(transcript | sed -n 's#^\([0-9]*/[0-9]*\)\t.*#\1#p' | xargs)"
transcript | grep -qxF $'Save as\t写真\\2024\\ソ旅\\表d_thumb.jpg\t' ||
  fail "relative names: $(transcript)"
expect_equal "nothing failed or skipped: nothing new on standard error" "" "$(cat "$work/err.txt")"
# One thread (nothing decoded ahead) prints and writes the same.
transcript >"$work/first.txt"
mkdir -p "$work/dst1"
TESSAVEL_THREADS=1 run_tesrun "$script" "$src" "$work/dst1" "png|jpg|gif"
cmp -s "$work/first.txt" <(transcript) || fail "one thread: $(diff "$work/first.txt" <(transcript))"
for f in $(cd "$dst" && find . -type f); do
  cmp -s "$dst/$f" "$work/dst1/$f" || fail "one thread: $f differs"
done

# Again over the done tree: nothing written, each output's time and bytes as they were.
before=$(state_of "$dst")
sleep 1
run_tesrun "$script" "$src" "$dst" "png|jpg|gif"
expect_equal "second run: up to date" "5 0" \
  "$(transcript | grep -c $'^Up to date\t') $(transcript | grep -c $'^Save as\t')"
transcript | grep -qxF $'Up to date\t写真\\2024\\表_thumb.jpg\t' || fail "skip line: $(transcript)"
expect_equal "second run: summary" "tesrun: 0 of 5 images failed, 5 skipped" "$(cat "$work/err.txt")"
expect_equal "second run: outputs untouched" "$before" "$(state_of "$dst")"

# A touched source is converted again; the others are left.
touch "$src/写真/2024/表.png"
run_tesrun "$script" "$src" "$dst" "png|jpg|gif"
expect_equal "touched: converted again" $'Save as\t写真\\2024\\表_thumb.jpg\t' \
  "$(transcript | grep $'^Save as\t')"
expect_equal "touched: summary" "tesrun: 0 of 5 images failed, 4 skipped" "$(cat "$work/err.txt")"

# A run killed halfway, then resumed, ends with every output whole: as an uninterrupted run
# writes it.
bulk=$work/bulk
mkdir -p "$bulk/x" "$bulk/y/表"
for i in $(seq -w 1 24); do
  folder=x; [ $((10#$i % 2)) -eq 0 ] && folder=y/表
  convert -size 1600x1200 plasma:fractal -seed "$i" -quality 90 "$bulk/$folder/p$i.jpg"
done
mkdir -p "$work/reference" "$work/resumed"
run_tesrun "$script" "$bulk" "$work/reference" jpg
count_outputs() { find "$work/resumed" -name '*_thumb.jpg' | wc -l; }
setsid "$build/wine-run" "$build/bin/tesrun.exe" "$(windows "$script")" "$(windows "$bulk")" \
  "$(windows "$work/resumed")" jpg null >/dev/null 2>&1 &
runner=$!
for _ in $(seq 1 600); do [ "$(count_outputs)" -ge 4 ] && break; sleep 0.05; done
kill -KILL -- -"$runner" 2>/dev/null
wait "$runner" 2>/dev/null
stopped_at=$(count_outputs)
[ "$stopped_at" -lt 24 ] || fail "the run was not stopped halfway ($stopped_at of 24 written)"
run_tesrun "$script" "$bulk" "$work/resumed" jpg
expect_equal "resumed: skipped what was done" "$stopped_at" "$(transcript | grep -c $'^Up to date\t')"
expect_equal "resumed: the same tree" "$(tree_of "$work/reference")" \
  "$(tree_of "$work/resumed" | grep '_thumb\.jpg$')"
for f in $(cd "$work/reference" && find . -type f); do
  cmp -s "$work/reference/$f" "$work/resumed/$f" || fail "resumed: $f is not whole"
done

# An output name may have folders, but none that climbs out of the destination.
cat >"$work/climb.txt" <<'SCRIPT'
SetIncludeSubfolders(1)
function Info() { ReturnInfo("Climb", "E2E", 1, 0, 0, 0) }
function Main(width, height, name, index) {
    SetSize(8, 8)
    if name == "top.png" { SetName("sub\\..\\..\\escaped.bmp") } else { SetName("ok\\" + name + ".bmp") }
    return 1
}
SCRIPT
mkdir -p "$work/climbed/dst"
run_tesrun "$work/climb.txt" "$src" "$work/climbed/dst" "png"
[ -e "$work/climbed/escaped.bmp" ] && fail "a name climbed out of the destination"
grep -qxF "tesrun: top.png: the output name leaves the destination folder" "$work/err.txt" ||
  fail "climbing name: $(cat "$work/err.txt")"
expect_equal "climb: summary" "tesrun: 1 of 2 images failed" "$(tail -n 1 "$work/err.txt")"
[ -f "$work/climbed/dst/ok/写真/2024/表.png.bmp" ] || fail "folders of an output name: $(tree_of "$work/climbed")"

# The 259-byte path limit holds below the source: the image whose path is longer fails.
long=$(printf 'f%.0s' $(seq 1 $((245 - ${#src}))))
mkdir -p "$src/long/$long"
convert -size 8x8 xc:red "$src/long/$long/deep_enough.png"
rm -rf "$work/climbed/dst"; mkdir -p "$work/climbed/dst"
run_tesrun "$work/climb.txt" "$src" "$work/climbed/dst" "png"
grep -qxF "tesrun: long\\$long\\deep_enough.png: the path of the image is longer than 259 bytes" \
  "$work/err.txt" || fail "a path too long: $(cat "$work/err.txt")"
expect_equal "too long: summary" "tesrun: 2 of 3 images failed" "$(tail -n 1 "$work/err.txt")"
finish
