#!/usr/bin/env bash
# Benchmark: tesrun against a bare platform loop (bench/bare_loop.cpp, the floor under Wine)
# and the tools people use instead, natively: ImageMagick, GraphicsMagick and vips.
# Installs what it needs, builds, generates a deterministic corpus, runs every contender
# over the same inputs (contenders alternate, several repetitions), checks every output and
# prints a table of medians. See docs/performance.md.
#
# Usage: bench/run.sh [--smoke] [--reps N] [--no-build] [--no-install] [--build-dir DIR]
#                     [--work-dir DIR] [--external-wine] [--corpus-only]
#   --smoke          a tiny corpus and one repetition: proves the benchmark works, in seconds
#   --external-wine  use the build tree's Wine prefix and a wineserver somebody else started
#                    (the CTest smoke run, inside the test suite's wine fixture)
# Environment: BENCH_SCALE=full|smoke, BENCH_REPS, BENCH_PHOTOS, BENCH_SMALL_FILES,
#              BENCH_NETPBM_SETS, BENCH_HEIC_FILES (corpus sizes), BENCH_DIR (work directory),
#              BENCH_PNG_PHOTOS, BENCH_WORKLOADS (which to run, by name: thumb half small
#              netpbm heic web by default; halfpng, workload 2 from PNG photos, when named),
#              BENCH_CONTENDERS (which to run: tesrun tesrun1 tesrun_null bare magick gm vips vips1).
set -Eeuo pipefail
trap 'echo "run.sh: stopped by a failing command at line $LINENO" >&2' ERR
repo=$(cd "$(dirname "$0")/.." && pwd)

scale=${BENCH_SCALE:-full}
reps=${BENCH_REPS:-}
do_build=1
do_install=1
external_wine=0
corpus_only=0
build_dir=$repo/build/win64
work=${BENCH_DIR:-$repo/build/bench}
while [ $# -gt 0 ]; do
  case "$1" in
    --smoke) scale=smoke ;;
    --reps) reps=$2; shift ;;
    --no-build) do_build=0 ;;
    --no-install) do_install=0 ;;
    --build-dir) build_dir=$2; shift ;;
    --work-dir) work=$2; shift ;;
    --external-wine) external_wine=1 ;;
    --corpus-only) corpus_only=1 ;;
    -h|--help) sed -n '2,16p' "$0"; exit 0 ;;
    *) echo "run.sh: unknown argument $1" >&2; exit 2 ;;
  esac
  shift
done

# Corpus sizes. Photos: 4:3 camera JPEGs; small: PNG tiles; netpbm: sets of one PPM, one
# PGM, one TGA, and every odd-numbered set (the first included) also a PBM and a run-length TGA.
case "$scale" in
  full)  photo_w=4000 photo_h=3000 photos=16 png_photos=4 tile=96 small_files=1000
         netpbm_w=1600 netpbm_h=1200 netpbm_sets=8 ladder="1152x864 4000x3000 8000x6000"
         heic_w=2048 heic_h=1536 heic_files=8
         : "${reps:=3}" ;;
  smoke) photo_w=640 photo_h=480 photos=2 png_photos=2 tile=32 small_files=24
         netpbm_w=160 netpbm_h=120 netpbm_sets=1 ladder=""
         heic_w=320 heic_h=240 heic_files=2
         : "${reps:=1}" ;;
  *) echo "run.sh: BENCH_SCALE must be full or smoke" >&2; exit 2 ;;
esac
photos=${BENCH_PHOTOS:-$photos}
png_photos=${BENCH_PNG_PHOTOS:-$png_photos}
small_files=${BENCH_SMALL_FILES:-$small_files}
netpbm_sets=${BENCH_NETPBM_SETS:-$netpbm_sets}
heic_files=${BENCH_HEIC_FILES:-$heic_files}

mkdir -p "$work"
work=$(cd "$work" && pwd)
build_dir=$(mkdir -p "$build_dir" && cd "$build_dir" && pwd)
# One benchmark at a time per work directory: two would measure each other.
exec 5>"$work/.lock"
flock 5

# ---------------------------------------------------------------- install and build
install_packages() {
  local packages=(imagemagick graphicsmagick libvips-tools time) missing=() p
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  if ! { $sudo apt-get update -qq &&
         DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
           "${missing[@]}" >/dev/null; }; then
    echo "note: could not install ${missing[*]}; contenders without their tool are skipped"
  fi
}
if [ $do_install -eq 1 ]; then
  "$repo/tools/install-prereqs.sh"
  install_packages
fi
if [ $do_build -eq 1 ]; then
  (cd "$repo" && cmake --preset win64 >/dev/null && cmake --build --preset win64 -j2 >/dev/null)
fi
for tool in /usr/bin/time /usr/bin/convert /usr/bin/identify; do
  [ -x "$tool" ] || { echo "run.sh: $tool is missing (packages time, imagemagick)" >&2; exit 1; }
done

# ---------------------------------------------------------------- corpus
# Every image comes from ImageMagick with a fixed seed on one thread, without time stamps,
# so that each run produces the same bytes. A stamp per folder records what made it.
corpus=$work/corpus/$scale
im=(/usr/bin/convert -limit thread 1)
png_plain=(-define png:exclude-chunks=date,time -depth 8)

fresh_folder() { # folder stamp-text: 0 when the folder is already what the stamp says
  local dir=$1 stamp=$2
  if [ -f "$dir/.stamp" ] && [ "$(cat "$dir/.stamp")" = "$stamp" ]; then return 1; fi
  rm -rf "$dir"
  mkdir -p "$dir"
  return 0
}
finish_folder() { printf '%s' "$2" >"$1/.stamp"; }

# A photo-like picture: a plasma fractal, blurred, enlarged, with fine grain on top.
make_photo() { # seed width height output
  "${im[@]}" -seed "$1" -size "$(($2 / 4))x$(($3 / 4))" plasma:fractal -blur 0x2 \
    -resize "$2x$3!" -attenuate 0.4 +noise Gaussian -depth 8 -strip \
    -sampling-factor 2x2,1x1,1x1 -quality 90 "$4"
}

make_corpus() {
  local stamp i
  stamp="photos-v1 $photo_w $photo_h $photos"
  if fresh_folder "$corpus/photos" "$stamp"; then
    echo "Generating $photos photos of ${photo_w}x$photo_h"
    for ((i = 1; i <= photos; i++)); do
      make_photo $((100 + i)) "$photo_w" "$photo_h" "$(printf '%s/photo_%03d.jpg' "$corpus/photos" "$i")"
    done
    finish_folder "$corpus/photos" "$stamp"
  fi

  # Workload 2 with PNG inputs: the first photos saved as PNG (decoded by ifpng or GDI+),
  # made only when that workload is asked for.
  stamp="photos-png-v1 $photo_w $photo_h $png_photos"
  if [[ " ${BENCH_WORKLOADS:-} " == *" halfpng "* ]] && fresh_folder "$corpus/photos_png" "$stamp"; then
    echo "Generating $png_photos PNG photos of ${photo_w}x$photo_h"
    for ((i = 1; i <= png_photos && i <= photos; i++)); do
      "${im[@]}" "$(printf '%s/photo_%03d.jpg' "$corpus/photos" "$i")" "${png_plain[@]}" \
        "PNG24:$(printf '%s/photo_%03d.png' "$corpus/photos_png" "$i")"
    done
    finish_folder "$corpus/photos_png" "$stamp"
  fi

  stamp="small-v1 $tile $small_files"
  if fresh_folder "$corpus/small" "$stamp"; then
    echo "Generating $small_files PNGs of ${tile}x$tile"
    local cols=40 rows
    rows=$(((small_files + cols - 1) / cols))
    "${im[@]}" -seed 7 -size "$((cols * tile))x$((rows * tile))" plasma:fractal \
      -attenuate 0.3 +noise Gaussian -strip -crop "${tile}x$tile" +repage "${png_plain[@]}" \
      "PNG24:$corpus/small/small_%04d.png"
    for ((i = small_files; i < cols * rows; i++)); do rm -f "$(printf '%s/small/small_%04d.png' "$corpus" "$i")"; done
    finish_folder "$corpus/small" "$stamp"
  fi
  stamp="few-v1 $tile"
  if fresh_folder "$corpus/small_few" "$stamp"; then
    cp "$corpus"/small/small_000[0-9].png "$corpus/small_few/"
    finish_folder "$corpus/small_few" "$stamp"
  fi

  stamp="netpbm-v2 $netpbm_w $netpbm_h $netpbm_sets"
  if fresh_folder "$corpus/netpbm" "$stamp"; then
    echo "Generating $netpbm_sets sets of Netpbm and TGA files of ${netpbm_w}x$netpbm_h"
    local base=$corpus/netpbm/.base.png n
    for ((i = 1; i <= netpbm_sets; i++)); do
      n=$(printf '%03d' "$i")
      "${im[@]}" -seed $((300 + i)) -size "$((netpbm_w / 4))x$((netpbm_h / 4))" plasma:fractal \
        -resize "${netpbm_w}x$netpbm_h!" -attenuate 0.3 +noise Gaussian -strip "${png_plain[@]}" "PNG24:$base"
      "${im[@]}" "$base" "$corpus/netpbm/rgb_$n.ppm"
      "${im[@]}" "$base" -colorspace Gray "$corpus/netpbm/gray_$n.pgm"
      "${im[@]}" "$base" -compress None "$corpus/netpbm/plain_$n.tga"
      if ((i % 2 == 1)); then
        "${im[@]}" "$base" -colorspace Gray -threshold 50% "$corpus/netpbm/mono_$n.pbm"
        "${im[@]}" "$base" -compress RLE "$corpus/netpbm/rle_$n.tga"
      fi
    done
    rm -f "$base"
    finish_folder "$corpus/netpbm" "$stamp"
  fi

  # Phone photos: HEIC by libheif's reference encoder (x265), from photos made as above.
  stamp="heic-v1 $heic_w $heic_h $heic_files"
  if command -v heif-enc >/dev/null && fresh_folder "$corpus/heic" "$stamp"; then
    echo "Generating $heic_files HEIC photos of ${heic_w}x$heic_h"
    for ((i = 1; i <= heic_files; i++)); do
      make_photo $((400 + i)) "$heic_w" "$heic_h" "$corpus/heic/.photo.jpg"
      heif-enc -q 80 "$corpus/heic/.photo.jpg" -o "$(printf '%s/photo_%03d.heic' "$corpus/heic" "$i")" >/dev/null
    done
    rm -f "$corpus/heic/.photo.jpg"
    finish_folder "$corpus/heic" "$stamp"
  fi

  local size
  for size in $ladder; do
    stamp="ladder-v1 $size"
    if fresh_folder "$corpus/ladder_$size" "$stamp"; then
      echo "Generating one photo of $size"
      make_photo 500 "${size%x*}" "${size#*x}" "$corpus/ladder_$size/photo.jpg"
      finish_folder "$corpus/ladder_$size" "$stamp"
    fi
  done
  mkdir -p "$corpus/empty"
}
make_corpus
[ $corpus_only -eq 0 ] || exit 0

# ---------------------------------------------------------------- contenders
winpath() { printf 'Z:%s' "${1//\//\\}"; } # Wine's Z: drive is /
wine_run=$build_dir/wine-run
tesrun_exe=$build_dir/bin/tesrun.exe
bare_exe=$build_dir/bench/bare_loop.exe
scripts=$repo/bench/scripts
plugin_count=$(find "$build_dir/bin" -maxdepth 1 \( -iname '*.sph' -o -iname '*.spi' \) 2>/dev/null | wc -l)

contenders=()
declare -A skipped=()
[ -x "$wine_run" ] && [ -f "$tesrun_exe" ] && contenders+=(tesrun tesrun1 tesrun_null) || skipped[tesrun]="tesrun.exe not built"
[ -x "$wine_run" ] && [ -f "$bare_exe" ] && contenders+=(bare) || skipped[bare]="bare_loop.exe not built"
command -v mogrify >/dev/null && contenders+=(magick) || skipped[magick]="ImageMagick not installed"
command -v gm >/dev/null && contenders+=(gm) || skipped[gm]="GraphicsMagick (gm) not installed"
command -v vipsthumbnail >/dev/null && contenders+=(vips vips1) || skipped[vips]="vipsthumbnail not installed"
if [ -n "${BENCH_CONTENDERS:-}" ]; then
  named=()
  for c in "${contenders[@]}"; do
    [[ " $BENCH_CONTENDERS " == *" $c "* ]] && named+=("$c") || skipped[$c]="not named in BENCH_CONTENDERS"
  done
  contenders=("${named[@]}")
fi

declare -A label=([tesrun]="tesrun (Wine)" [tesrun1]="tesrun, 1 thread (Wine)" [tesrun_null]="tesrun, no plug-ins (Wine)" [bare]="bare loop (Wine)" [magick]="ImageMagick 6"
                  [gm]="GraphicsMagick" [vips]="vipsthumbnail" [vips1]="vipsthumbnail, 1 thread")
# The labels for the tables' awk: key=label, separated by "|".
labels=$(for c in "${!label[@]}"; do printf '%s=%s|' "$c" "${label[$c]}"; done)
names_from_labels='
    function read_labels(   n, i, parts, at) { n = split(labels, parts, "|")
      for (i = 1; i <= n; i++) if ((at = index(parts[i], "=")) > 0) name[substr(parts[i], 1, at - 1)] = substr(parts[i], at + 1) }'

declare -A wl_title=([thumb]="1: ${photo_w}x$photo_h JPEG -> 256 px JPEG"
                     [half]="2: ${photo_w}x$photo_h JPEG -> half-size PNG"
                     [halfpng]="2p: ${photo_w}x$photo_h PNG -> half-size PNG"
                     [small]="3: $small_files small PNG -> BMP"
                     [netpbm]="4: Netpbm/TGA -> PNG"
                     [heic]="5: ${heic_w}x$heic_h HEIC -> 256 px JPEG"
                     [web]="6: ${photo_w}x$photo_h JPEG -> 1600 px WebP q75")

# The folder, the file pattern and the expected output of a workload.
folder_of() {
  case "$1" in
    thumb|half|web) echo "$corpus/photos" ;;
    halfpng) echo "$corpus/photos_png" ;;
    small) echo "$corpus/small" ;;
    small_few) echo "$corpus/small_few" ;;
    netpbm) echo "$corpus/netpbm" ;;
    heic) echo "$corpus/heic" ;;
    empty) echo "$corpus/empty" ;;
    ladder_*) echo "$corpus/$1" ;;
  esac
}
output_ext_of() {
  case "$1" in thumb|heic|ladder_*|empty) echo jpg ;; half|halfpng|netpbm) echo png ;; small|small_few) echo bmp ;; web) echo webp ;; esac
}
input_exts_of() {
  case "$1" in thumb|half|web|ladder_*|empty) echo jpg ;; halfpng|small|small_few) echo png ;; netpbm) echo "ppm pgm pbm tga" ;; heic) echo heic ;; esac
}
# Width and height every contender must produce from an input of w x h.
expected_size() { # workload w h
  awk -v k="$1" -v w="$2" -v h="$3" 'function r(x) { return int(x + 0.5) }
    BEGIN { if (k == "thumb" || k == "heic" || k ~ /^ladder_/) { s = 256 / w; if (256 / h < s) s = 256 / h; if (s > 1) s = 1
              printf "%d %d", (r(w*s) > 1 ? r(w*s) : 1), (r(h*s) > 1 ? r(h*s) : 1) }
            else if (k == "web") { s = 1600 / w; if (1600 / h < s) s = 1600 / h; if (s > 1) s = 1
              printf "%d %d", (r(w*s) > 1 ? r(w*s) : 1), (r(h*s) > 1 ? r(h*s) : 1) }
            else if (k == "half" || k == "halfpng") printf "%d %d", r(w/2), r(h/2)
            else printf "%d %d", w, h }'
}

# Fills cmd (and run_dir) with the command that converts folder src into folder out.
build_command() { # workload contender src out
  local w=$1 c=$2 src=$3 out=$4 ext files=() e
  run_dir=$src
  for e in $(input_exts_of "$w"); do
    for f in "$src"/*."$e"; do [ -e "$f" ] && files+=("${f##*/}"); done
  done
  ext=$(output_ext_of "$w")
  case "$c" in
    tesrun|tesrun1|tesrun_null)
      local script exts
      case "$w" in thumb|heic|ladder_*|empty) script=thumb256 ;; half|halfpng) script=half_png ;;
                   small|small_few) script=same_bmp ;; netpbm) script=same_png ;; web) script=web1600 ;; esac
      exts=$(input_exts_of "$w"); exts=${exts// /|}
      cmd=("$wine_run" "$tesrun_exe" "$(winpath "$scripts/$script.txt")" "$(winpath "$src")"
           "$(winpath "$out")" "$exts")
      # tesrun1: TESSAVEL_THREADS=1, the single-threaded run, beside the default workers
      if [ "$c" = tesrun1 ]; then cmd=(env TESSAVEL_THREADS=1 "${cmd[@]}"); fi
      # tesrun_null: no plug-ins, so GDI+ decodes everything, as before ifjpeg
      if [ "$c" = tesrun_null ]; then cmd+=(null); fi
      ;;
    bare|bare_*)
      local size
      case "$w" in thumb|ladder_*|empty) size=fit256 ;; half|halfpng) size=half ;; *) size=same ;; esac
      cmd=("$wine_run" "$bare_exe" "$(winpath "$src")" "$(winpath "$out")" "$(input_exts_of "$w")" "$size" "$ext")
      [ "$c" = bare ] || cmd+=("${c#bare_}") ;;
    magick)
      case "$w" in
        thumb|ladder_*) cmd=(mogrify -path "$out" -format jpg -define jpeg:size=512x512 -thumbnail 256x256 -quality 75) ;;
        heic) cmd=(mogrify -path "$out" -format jpg -thumbnail 256x256 -quality 75) ;;
        half|halfpng) cmd=(mogrify -path "$out" -format png -resize 50%) ;;
        web) cmd=(mogrify -path "$out" -format webp -resize '1600x1600>' -quality 75) ;;
        *) cmd=(mogrify -path "$out" -format "$ext") ;;
      esac
      cmd+=("${files[@]}") ;;
    gm)
      case "$w" in
        thumb|ladder_*) cmd=(gm mogrify -output-directory "$out" -format jpg -size 512x512 -thumbnail 256x256 -quality 75) ;;
        heic) cmd=(gm mogrify -output-directory "$out" -format jpg -thumbnail 256x256 -quality 75) ;;
        half|halfpng) cmd=(gm mogrify -output-directory "$out" -format png -resize 50%) ;;
        web) cmd=(gm mogrify -output-directory "$out" -format webp -resize '1600x1600>' -quality 75) ;;
        *) cmd=(gm mogrify -output-directory "$out" -format "$ext") ;;
      esac
      cmd+=("${files[@]}") ;;
    vips|vips1)
      case "$w" in
        thumb|ladder_*) cmd=(vipsthumbnail -s 256x256 -o "$out/%s.jpg[Q=75]") ;;
        half|halfpng) cmd=(vipsthumbnail -s "$((photo_w / 2))x$((photo_h / 2))" -o "$out/%s.png") ;;
        web) cmd=(vipsthumbnail -s '1600x1600>' -o "$out/%s.webp[Q=75]") ;;
        *) cmd=(vipsthumbnail -s '100000x100000>' -o "$out/%s.$ext") ;; # no resize, just convert
      esac
      # vips1: one worker thread (VIPS_CONCURRENCY=1), beside tesrun's single-threaded run
      if [ "$c" = vips1 ]; then cmd=(env VIPS_CONCURRENCY=1 "${cmd[@]}"); fi
      cmd+=("${files[@]}") ;;
  esac
}

# Whether a contender takes part in a workload, and why not.
not_taking_part() { # workload contender
  case "$1:$2" in
    netpbm:bare) echo "GDI+ reads neither Netpbm nor TGA: the bare loop has no plug-ins" ;;
    netpbm:tesrun_null) echo "GDI+ reads neither Netpbm nor TGA, and it loads no plug-ins" ;;
    netpbm:tesrun|netpbm:tesrun1) [ "$plugin_count" -gt 0 ] || echo "no Susie plug-ins (.sph) in the program directory" ;;
    empty:magick|empty:gm|empty:vips|empty:vips1) echo "native" ;;
    heic:bare|heic:tesrun_null) echo "GDI+ reads no HEIC" ;;
    web:bare|web:bare_*) echo "GDI+ writes no WebP: the bare loop has no encoder for it" ;;
    web:tesrun_null) echo "GDI+ writes no WebP, and it loads no plug-ins" ;;
    heic:vips|heic:vips1) echo "Debian 12's libvips is built without HEIF" ;;
    heic:*) [ -d "$corpus/heic" ] || echo "no heif-enc to make the corpus (libheif-examples)" ;;
    empty:bare_*|netpbm:bare_*|small:bare_*) echo "variant" ;; # the variants run on photos only
  esac
}

# ---------------------------------------------------------------- Wine
if [ -x "$wine_run" ]; then
  if [ $external_wine -eq 0 ]; then
    export WINEPREFIX=$work/wineprefix
    "$wine_run" --server-start 5>&-
    trap '"$wine_run" --server-stop' EXIT
  fi
  # Warm-up, unmeasured: Wine's own DLLs and the programs come into the page cache.
  "$wine_run" cmd /c exit </dev/null >/dev/null 2>&1 5>&- || true
fi

# ---------------------------------------------------------------- runs
stamp_now=$(date -u +%Y%m%dT%H%M%SZ)
results=$work/results/$scale-$stamp_now
mkdir -p "$results/logs"
tsv=$results/runs.tsv
phases=$results/phases.tsv
: >"$tsv"
: >"$phases"
failures=0

# The quality column of workloads 1 and 2: the mean PSNR (dB) of a contender's outputs against
# vipsthumbnail's Lanczos3 of the same inputs, saved losslessly once per workload.
reference_of() { # workload
  local ref=$work/reference/$1 src
  src=$(folder_of "$1")
  if [ ! -d "$ref" ]; then
    mkdir -p "$ref"
    case "$1" in
      thumb) vipsthumbnail -s 256x256 -o "$ref/%s.png" "$src"/*.jpg || true ;;
      half) vipsthumbnail -s "$((photo_w / 2))x$((photo_h / 2))" -o "$ref/%s.png" "$src"/*.jpg || true ;;
      halfpng) vipsthumbnail -s "$((photo_w / 2))x$((photo_h / 2))" -o "$ref/%s.png" "$src"/*.png || true ;;
    esac
  fi
  echo "$ref"
}
quality_of() { # workload output-folder
  local ref file total=0 count=0 db
  command -v vipsthumbnail >/dev/null || return 0
  ref=$(reference_of "$1")
  for file in "$2"/*; do
    [ -f "$ref/$(basename "${file%.*}").png" ] || continue
    db=$(compare -metric PSNR "$file" "$ref/$(basename "${file%.*}").png" null: 2>&1 || true)
    [[ "$db" =~ ^[0-9.]+$ ]] || continue # identical ("inf") or unreadable
    total=$(awk -v t="$total" -v d="$db" 'BEGIN { print t + d }'); count=$((count + 1))
  done
  if [ "$count" -gt 0 ]; then awk -v t="$total" -v n="$count" 'BEGIN { printf "%.1f", t / n }'; fi
}

# Runs one contender over one workload under /usr/bin/time; records wall, CPU and peak RSS
# and checks the outputs: their number, and the size of the first one; for workloads 1 and 2
# in the first repetition, their quality.
run_one() { # workload contender rep
  local w=$1 c=$2 rep=$3 src out log timing status=ok note="" expected produced
  src=$(folder_of "$w")
  out=$work/out/$w-$c
  rm -rf "$out"
  mkdir -p "$out"
  build_command "$w" "$c" "$src" "$out"
  log=$results/logs/$w-$c-$rep.log
  timing=$results/logs/$w-$c-$rep.time
  (cd "$run_dir" && exec /usr/bin/time -f '%e %U %S %M' -o "$timing" "${cmd[@]}") \
    >"$log" 2>&1 </dev/null || true
  local wall user sys rss
  read -r wall user sys rss < <(tail -n 1 "$timing")
  expected=0
  local e
  for e in $(input_exts_of "$w"); do
    expected=$((expected + $(find "$src" -maxdepth 1 -name "*.$e" | wc -l)))
  done
  produced=$(find "$out" -maxdepth 1 -type f -name "*.$(output_ext_of "$w")" | wc -l)
  if [ "$produced" -ne "$expected" ]; then
    status=FAIL note="$produced of $expected outputs"
  elif [ "$expected" -gt 0 ]; then
    local first input_size want got
    first=$(find "$out" -maxdepth 1 -type f | sort | awk 'NR == 1')
    input_size=$(/usr/bin/identify -format '%w %h' "$(find "$src" -maxdepth 1 -type f -name "$(basename "${first%.*}").*" | awk 'NR == 1')[0]")
    want=$(expected_size "$w" $input_size)
    got=$(/usr/bin/identify -format '%w %h' "$first[0]" 2>/dev/null || echo unreadable)
    [ "$want" = "$got" ] || { status=FAIL; note="$(basename "$first") is $got, not $want"; }
  fi
  local bytes quality=""
  bytes=$(find "$out" -maxdepth 1 -type f -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
  if [ "$rep" = 1 ] && [ "$status" = ok ] && { [ "$w" = thumb ] || [ "$w" = half ] || [ "$w" = halfpng ]; } &&
    [[ "$c" != bare_* ]]; then
    quality=$(quality_of "$w" "$out")
  fi
  printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$w" "$c" "$rep" "$expected" "$wall" \
    "$user" "$sys" "$rss" "$bytes" "$status" "$note" "$quality" >>"$tsv"
  if [[ "$c" == bare* ]]; then
    awk -v w="$w" -v c="$c" -v r="$rep" '/^files / { print w "\t" r "\t" $2 "\t" $6 "\t" $8 "\t" $10 "\t" $12 "\t" c }' "$log" >>"$phases"
  fi
  if [ "$status" != ok ]; then
    failures=$((failures + 1))
    echo "  FAILED: $w / $c: $note (log: $log)"
  fi
  rm -rf "$out"
}

read -r -a workloads <<<"${BENCH_WORKLOADS:-thumb half small netpbm heic web}"
variants=()
[[ " ${contenders[*]} " == *" bare "* ]] && variants=(bare_scan0copy bare_dc bare_lockbits)
echo "Machine: $(nproc) cores, $(awk '/MemTotal/ { printf "%.0f GB", $2 / 1048576 }' /proc/meminfo); load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "Contenders: ${contenders[*]}; scale $scale; $reps repetition(s); results in $results"
for c in "${!skipped[@]}"; do echo "note: skipped $c: ${skipped[$c]}"; done
for ((rep = 1; rep <= reps; rep++)); do
  echo "Repetition $rep of $reps"
  # The order of the contenders turns by one each repetition, so nobody always goes first.
  order=()
  for ((i = 0; i < ${#contenders[@]}; i++)); do
    order+=("${contenders[$(((i + rep - 1) % ${#contenders[@]}))]}")
  done
  for w in empty "${workloads[@]}"; do
    for c in "${order[@]}"; do
      [ -z "$(not_taking_part "$w" "$c")" ] || continue
      run_one "$w" "$c" "$rep"
    done
    # The bare loop once more with each other way of getting the decoded pixels into the DIB
    # section: what the decode phase is made of.
    if [ "$w" = thumb ] || [ "$w" = half ]; then
      for c in "${variants[@]}"; do run_one "$w" "$c" "$rep"; done
    fi
  done
done
# The memory ladder goes with the thumbnail workload.
if [ -n "$ladder" ] && [[ " ${workloads[*]} " == *" thumb "* ]]; then
  echo "Peak memory: one photo of each size, and a long and a short batch"
  for size in $ladder; do
    for c in "${contenders[@]}"; do run_one "ladder_$size" "$c" 1; done
  done
  for c in tesrun bare; do
    [[ " ${contenders[*]} " == *" $c "* ]] || continue
    run_one small_few "$c" 1
  done
fi
echo "Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"

# ---------------------------------------------------------------- table
notes=""
for w in "${workloads[@]}"; do
  for c in "${contenders[@]}"; do
    why=$(not_taking_part "$w" "$c")
    [ -n "$why" ] && [ "$why" != native ] && notes+="$w"$'\t'"$c"$'\t'"$why"$'\n'
  done
done
for c in "${!skipped[@]}"; do notes+="all"$'\t'"$c"$'\t'"${skipped[$c]}"$'\n'; done
printf '%s' "$notes" >"$results/notes.tsv"

table=$results/table.md
{
  echo "Scale $scale, $reps repetition(s), medians. s/image = (median wall time - fixed cost) / files;"
  echo "the fixed cost is the median wall time of the same program on an empty folder (Wine"
  echo "contenders only; tesrun's includes its 3000 ms final pause). x tesrun = s/image / tesrun's."
  echo
  awk -F'\t' -v order="${contenders[*]}" -v workloads="${workloads[*]}" \
      -v t_thumb="${wl_title[thumb]}" -v t_half="${wl_title[half]}" -v t_halfpng="${wl_title[halfpng]}" \
      -v t_small="${wl_title[small]}" -v t_netpbm="${wl_title[netpbm]}" -v t_heic="${wl_title[heic]}" -v t_web="${wl_title[web]}" \
      -v labels="$labels" -v notesfile="$results/notes.tsv" "$names_from_labels"'
    function median(key,   n, i, j, t, v) {
      n = split(vals[key], v, " ")
      for (i = 2; i <= n; i++) { t = v[i] + 0; for (j = i - 1; j >= 1 && v[j] + 0 > t; j--) v[j + 1] = v[j]; v[j + 1] = t }
      return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
    }
    function add(key, x) { vals[key] = (key in vals) ? vals[key] " " x : x }
    BEGIN { title["thumb"] = t_thumb; title["half"] = t_half; title["halfpng"] = t_halfpng; title["small"] = t_small; title["netpbm"] = t_netpbm; title["heic"] = t_heic; title["web"] = t_web
            read_labels()
            while ((getline line < notesfile) > 0) { split(line, f, "\t"); note[f[1] SUBSEP f[2]] = f[3] } }
    $10 != "ok" { failed[$1 SUBSEP $2] = 1 }
    { seen[$1 SUBSEP $2] = 1; files[$1 SUBSEP $2] = $4
      add($1 SUBSEP $2 SUBSEP "wall", $5); add($1 SUBSEP $2 SUBSEP "cpu", $6 + $7)
      add($1 SUBSEP $2 SUBSEP "rss", $8); add($1 SUBSEP $2 SUBSEP "bytes", $9)
      if ($12 != "") quality[$1 SUBSEP $2] = $12 }
    END {
      nc = split(order, cs, " "); nw = split(workloads, ws, " ")
      for (i = 1; i <= nc; i++) fixed[cs[i]] = (("empty" SUBSEP cs[i]) in seen) ? median("empty" SUBSEP cs[i] SUBSEP "wall") : 0
      print "| Workload | Contender | Files | Wall s | Fixed s | s/image | images/s | CPU s/image | Peak RSS MB | Output MB | x tesrun | PSNR vs vips dB |"
      print "|---|---|--:|--:|--:|--:|--:|--:|--:|--:|--:|--:|"
      for (i = 1; i <= nc; i++) if (("empty" SUBSEP cs[i]) in seen)
        printf "| fixed cost (empty folder) | %s | 0 | %.2f | | | | %.2f | %.0f | | | |\n", name[cs[i]],
          fixed[cs[i]], median("empty" SUBSEP cs[i] SUBSEP "cpu"), median("empty" SUBSEP cs[i] SUBSEP "rss") / 1024
      for (k = 1; k <= nw; k++) {
        w = ws[k]; base = ""
        if ((w SUBSEP "tesrun") in seen && !((w SUBSEP "tesrun") in failed)) {
          n = files[w SUBSEP "tesrun"]; base = (median(w SUBSEP "tesrun" SUBSEP "wall") - fixed["tesrun"]) / n }
        for (i = 1; i <= nc; i++) {
          c = cs[i]; key = w SUBSEP c
          if (!(key in seen)) {
            if ((key in note)) printf "| %s | %s | | | | not run: %s | | | | | | |\n", title[w], name[c], note[key]
            continue }
          if (key in failed) { printf "| %s | %s | %d | | | FAILED (see log) | | | | | | |\n", title[w], name[c], files[key]; continue }
          n = files[key]; wall = median(key SUBSEP "wall"); per = (wall - fixed[c]) / n
          printf "| %s | %s | %d | %.2f | %s | %.4f | %.1f | %.4f | %.0f | %.1f | %s | %s |\n", title[w], name[c], n, wall,
            (fixed[c] > 0 ? sprintf("%.2f", fixed[c]) : "-"), per, (per > 0 ? 1 / per : 0),
            (median(key SUBSEP "cpu") - (c ~ /^tesrun/ || c == "bare" ? median("empty" SUBSEP c SUBSEP "cpu") : 0)) / n,
            median(key SUBSEP "rss") / 1024, median(key SUBSEP "bytes") / 1048576,
            (base != "" && base > 0 ? sprintf("%.2f", per / base) : "-"), ((key in quality) ? quality[key] : "")
        }
      }
    }' "$tsv"
  # The median of a space-separated list of numbers (insertion sort: the lists are short).
  median_of_words='
      function median(s,   n, i, j, t, v) { n = split(s, v, " ")
        for (i = 2; i <= n; i++) { t = v[i] + 0; for (j = i - 1; j >= 1 && v[j] + 0 > t; j--) v[j + 1] = v[j]; v[j + 1] = t }
        return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2 }'
  if [ -s "$phases" ]; then
    echo
    echo "Bare loop, time split by phase (QueryPerformanceCounter inside the process, medians, ms per image):"
    echo
    echo "| Workload | decode (GDI+ load + draw into DIB) | stretch (StretchBlt HALFTONE) | encode (GDI+ save) | in-process total |"
    echo "|---|--:|--:|--:|--:|"
    awk -F'\t' "$median_of_words"'
      $3 > 0 && $8 == "bare" && $1 !~ /^(ladder_|small_few|empty)/ { if (!($1 in n)) order[++k] = $1; n[$1] = $3
        d[$1] = d[$1] " " $4 / $3; s[$1] = s[$1] " " $5 / $3; e[$1] = e[$1] " " $6 / $3; t[$1] = t[$1] " " $7 / $3 }
      END { for (i = 1; i <= k; i++) { w = order[i]
        printf "| %s | %.1f | %.1f | %.1f | %.1f |\n", w, 1000 * median(d[w]), 1000 * median(s[w]), 1000 * median(e[w]), 1000 * median(t[w]) } }' "$phases"
    echo
    echo "Bare loop decode variants (ms per image, medians): scan0 = draw on a GDI+ bitmap over the DIB memory"
    echo "(tesrun's way); scan0copy = the same plus the BitBlt into a second DIB section that tesrun's Canvas"
    echo "loading adds; dc = draw through a memory DC; lockbits = GdipBitmapLockBits into the DIB, no drawing."
    echo
    echo "| Workload | Variant | decode | in-process total |"
    echo "|---|---|--:|--:|"
    awk -F'\t' "$median_of_words"'
      $3 > 0 && ($1 == "thumb" || $1 == "half") { k = $1 " " $8; if (!(k in d)) order[++n] = k
        d[k] = d[k] " " $4 / $3; t[k] = t[k] " " $7 / $3 }
      END { for (i = 1; i <= n; i++) { k = order[i]; split(k, p, " "); v = p[2]; sub(/^bare_?/, "", v); if (v == "") v = "scan0"
        printf "| %s | %s | %.1f | %.1f |\n", p[1], v, 1000 * median(d[k]), 1000 * median(t[k]) } }' "$phases"
  fi
  if [ -n "$ladder" ]; then
    echo
    echo "Peak resident memory (MB, /usr/bin/time: the process's maximum RSS) converting one photo to a 256 px JPEG,"
    echo "and tesrun/bare loop over $small_files small PNGs against 10 of them:"
    echo
    awk -F'\t' -v order="${contenders[*]}" -v labels="$labels" -v ladder="$ladder" -v small_n="$small_files" "$names_from_labels"'
      { rss[$1 SUBSEP $2] = $8; ok[$1 SUBSEP $2] = $10 }
      $1 == "empty" { if (!($2 in base) || $8 > base[$2]) base[$2] = $8 }
      $1 == "small" { if (!($2 in big) || $8 > big[$2]) big[$2] = $8 }
      END {
        read_labels()
        nc = split(order, cs, " "); nl = split(ladder, ls, " ")
        printf "| Input |"; for (i = 1; i <= nc; i++) printf " %s |", name[cs[i]]; print ""
        printf "|---|"; for (i = 1; i <= nc; i++) printf "--:|"; print ""
        printf "| empty folder (start-up) |"; for (i = 1; i <= nc; i++) printf " %s |", ((cs[i] in base) ? sprintf("%.0f", base[cs[i]] / 1024) : "-"); print ""
        for (j = 1; j <= nl; j++) { split(ls[j], d, "x")
          printf "| %s (%.0f MP) |", ls[j], d[1] * d[2] / 1e6
          for (i = 1; i <= nc; i++) { k = "ladder_" ls[j] SUBSEP cs[i]
            printf " %s |", ((k in rss) ? (ok[k] == "ok" ? sprintf("%.0f", rss[k] / 1024) : "failed") : "-") }
          print "" }
        printf "| 10 small PNGs -> BMP |"; for (i = 1; i <= nc; i++) { k = "small_few" SUBSEP cs[i]
          printf " %s |", ((k in rss) ? sprintf("%.0f", rss[k] / 1024) : "-") }; print ""
        printf "| %d small PNGs -> BMP |", small_n; for (i = 1; i <= nc; i++)
          printf " %s |", ((cs[i] in big) && (cs[i] == "tesrun" || cs[i] == "bare") ? sprintf("%.0f", big[cs[i]] / 1024) : "-"); print ""
      }' "$tsv"
  fi
  if [ -s "$results/notes.tsv" ]; then
    echo
    awk -F'\t' '{ printf "Not run: %s / %s: %s\n", $1, $2, $3 }' "$results/notes.tsv"
  fi
} >"$table"
echo
cat "$table"
echo
echo "Runs: $tsv"
if [ "$failures" -gt 0 ]; then
  echo "$failures run(s) failed."
  exit 1
fi
