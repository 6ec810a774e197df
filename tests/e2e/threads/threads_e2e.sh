#!/usr/bin/env bash
# TESSAVEL_THREADS=1 is the single-threaded run; 2 and 8 decode ahead on workers and save
# behind. Each must print the same standard output and error, also merged into one stream,
# and write the same files, for a folder of mixed formats with a broken file, a save that
# fails, a script error in Main, a stateful script, and an in-place run where an image's
# output overwrites an input listed after it.
set -uo pipefail
build=$1
source "$(dirname "$0")/../e2e-lib.sh"
make_work e2e-threads

src=$work/src
mkdir -p "$src"
convert -size 64x48 gradient:red-blue "$src/a.png"
convert -size 300x200 plasma:fractal -seed 3 "$src/b.jpg"
convert -size 40x30 xc:orange "$src/c.gif"
convert -size 33x21 gradient:green-white "$src/d.bmp"
convert -size 50x40 gradient:yellow-black "$src/e.ppm"
convert -size 20x60 gradient:white-purple "$src/f.tga"
head -c 300 "$src/a.png" > "$src/g-broken.png"
convert -size 70x20 xc:teal "$src/h-nosave.png"
convert -size 45x45 gradient:cyan-black "$src/z.png"

cat > "$work/stateful.txt" <<'SCRIPT'
function Info() { ReturnInfo("Stateful", "E2E", 1, 0, 0, 0) }
count = 0
total = 0
function Tally(w, h) {
    count = count + 1
    total = total + w * h
}
function Main(width, height, name, index) {
    if name == "e.ppm" { NoSuchFunction() }
    DoSubroutine("Tally", width, height)
    SetSize(256, 256)
    SetDrawMode(count % 2)
    Draw(0, 0, width, height, 0, 0, 256, 256)
    if name == "h-nosave.png" { SetName("h.unknown") } else {
        if name == "a.png" { SetName("z.png") } else {
            SetName(Format("%02d_%d_%s.bmp", count, total % 1000, name))
        }
    }
    return 1
}
SCRIPT

digest() { (cd "$1" && find . -type f | LC_ALL=C sort | xargs md5sum); }
merged_run() { # threads destination: both streams into one file, in the order written
  mkdir -p "$2"
  TESSAVEL_THREADS=$1 "$build/wine-run" "$build/bin/tesrun.exe" "$(windows "$work/stateful.txt")" \
    "$(windows "$src")" "$(windows "$2")" "png|jpg|gif|bmp|ppm|tga" "$(windows "$build/bin")" 2>&1 |
    tr -d '\r' | sed "s#$(windows "$work")#WORK#g; s#-$1#-N#g" >"$work/merged-$1.txt"
}
for threads in 1 2 8; do
  for kind in apart inplace; do
    dst=$work/out-$kind-$threads
    from=$src
    if [ $kind = inplace ]; then cp -r "$src" "$dst"; from=$dst; else mkdir -p "$dst"; fi
    TESSAVEL_THREADS=$threads run_tesrun "$work/stateful.txt" "$from" "$dst" \
      "png|jpg|gif|bmp|ppm|tga" "$build/bin"
    sed "s#$(windows "$work")#WORK#g; s#-$threads#-N#g" "$work/out.txt" > "$work/out-$kind-$threads.txt"
    cp "$work/err.txt" "$work/err-$kind-$threads.txt"
    digest "$dst" > "$work/files-$kind-$threads.txt"
  done
done
for threads in 1 2 8; do merged_run $threads "$work/merged-out-$threads"; done
# In one stream each reason follows its image's "Failed.", before the next image's lines:
# what standard output gathers goes out before anything on standard error.
misplaced=$(awk -F'\t' '/^[0-9]+\/[0-9]+\t/ { image = $2 } /^tesrun: / { split($0, p, ": ")
  if (p[2] != image || last != "Failed.") print "misplaced: " $0 } { last = $0 }' "$work/merged-1.txt")
[ -z "$misplaced" ] && grep -q "^tesrun: g-broken.png: " "$work/merged-1.txt" ||
  fail "one stream: ${misplaced:-no reasons}: $(cat "$work/merged-1.txt")"
for threads in 2 8; do
  cmp -s "$work/merged-1.txt" "$work/merged-$threads.txt" ||
    fail "$threads threads, one stream: $(diff "$work/merged-1.txt" "$work/merged-$threads.txt")"
done
for kind in apart inplace; do
  for threads in 2 8; do
    for what in out err files; do
      cmp -s "$work/$what-$kind-1.txt" "$work/$what-$kind-$threads.txt" ||
        fail "$kind, $threads threads: $what differs: $(diff "$work/$what-$kind-1.txt" "$work/$what-$kind-$threads.txt")"
    done
  done
done
# The single-threaded run itself did what the script asks.
expect_line "$work/out-apart-1.txt" "Failed."
expect_equal "reasons" "e.ppm g-broken.png h-nosave.png" "$(sed -n 's/^tesrun: \([^:]*\):.*/\1/p' "$work/err-apart-1.txt" | xargs)"
grep -q "stateful.txt:[0-9]*: unknown function NoSuchFunction" "$work/err-apart-1.txt" ||
  fail "no script error: $(cat "$work/err-apart-1.txt")"
grep -q "07_.*_z.png.bmp" "$work/files-inplace-1.txt" && grep -q "./z.png" "$work/files-inplace-1.txt" ||
  fail "in place: $(cat "$work/files-inplace-1.txt")"
finish
