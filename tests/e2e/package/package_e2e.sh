#!/usr/bin/env bash
# Packs this build's archive, unpacks it into "Tessavel テスト/", and runs the unpacked
# tesrun.exe over samples/ with a bundled script and with the README's example script:
# exact transcript, the files written, and what the archive must carry.
set -u
build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$source/tests/e2e/e2e-lib.sh"

archive=$("$source/tools/package.sh" --no-build --out "$work/packages" "$build") ||
  { echo "FAIL: package.sh"; exit 1; }
version=$(sed -n 's/^version=//p' "$build/release-info.txt")
expect_equal "archive name" "Tessavel-$version-win64.zip" "$(basename "$archive")"
place="$work/Tessavel テスト"
mkdir -p "$place"
unzip -q "$archive" -d "$place" || fail "unzip"
program="$place/Tessavel-$version-win64"

for file in tesrun.exe tesfront.exe script.dll ifheif.sph ifnetpbm.sph iftga.sph ifjpeg.sph ifjxl.sph ifpng.sph ifwebp.sph \
  libheif.dll libde265.dll README.txt \
  script/thumbnail_256.txt script/exif_header.exif docs/script-language.md \
  licences/gcc-runtime.txt licences/mingw-w64-runtime.txt licences/GPL-3.txt \
  licences/libjpeg-turbo-LICENSE.txt licences/libjpeg-turbo-README.txt licences/libwebp-COPYING.txt \
  licences/libwebp-PATENTS.txt licences/libheif-COPYING.txt licences/libde265-COPYING.txt \
  licences/dav1d-COPYING.txt licences/aom-LICENSE.txt licences/aom-PATENTS.txt \
  licences/jpeg-xl-LICENSE.txt licences/jpeg-xl-PATENTS.txt \
  licences/brotli-LICENSE.txt licences/highway-LICENSE.txt licences/lcms2-COPYING.txt licences/zlib-LICENSE.txt licences/libspng-LICENSE.txt; do
  [ -s "$program/$file" ] || fail "the archive lacks $file"
done
# The file properties carry the version; the programs carry their manifests.
for file in tesrun.exe tesfront.exe script.dll iftga.sph; do
  strings -el "$program/$file" | grep -qxF "$version" || fail "$file: no version $version"
done
for file in tesrun.exe tesfront.exe; do
  grep -q "PerMonitorV2" "$program/$file" || fail "$file: no DPI awareness in its manifest"
  grep -q "longPathAware>true" "$program/$file" && fail "$file: long-path aware"
done
grep -q "Microsoft.Windows.Common-Controls" "$program/tesfront.exe" ||
  fail "tesfront.exe: no common controls 6"
expect_equal "README starts with a byte order mark" "efbbbf" "$(head -c3 "$program/README.txt" | od -An -tx1 | tr -d ' ')"

# tesrun's transcript is in code page 932; the folders are printed as given.
convert() { # script destination
  "$build/wine-run" "$program/tesrun.exe" "$(windows "$1")" "$(windows "$source/samples")" \
    "$(windows "$2")" "jpg|png|gif|tga|ppm|heic" 2>"$work/err.txt" | tr -d '\r' | iconv -f CP932 -t UTF-8
}
listing() { # script name [destination name]: the transcript of a run over the six samples
  printf '%s\n' "Tessavel comammd-line tool Version 1.1" "Searching for Plugins." \
    $'Loaded Susie Plug-in\tifheif.sph' \
    $'Loaded Susie Plug-in\tifjpeg.sph' $'Loaded Susie Plug-in\tifjxl.sph' $'Loaded Susie Plug-in\tifnetpbm.sph' $'Loaded Susie Plug-in\tifpng.sph' $'Loaded Susie Plug-in\tiftga.sph' \
    $'Loaded Susie Plug-in\tifwebp.sph' \
    "Script Info" \
    "$1" "Source		$(windows "$source/samples")" "Destination	$(windows "$2")"
}

out="$place/縮小 画像"
mkdir "$out"
expected=$(listing $'Name\tThumbnail 256\nAuthor\tTessavel\nVersion\t1.0.0.1' "$out"
  i=0
  for name in boat.tga drawing.png harbour.heic landscape.jpg pebble.ppm portrait.gif; do
    i=$((i + 1))
    printf '%s\n' "$i/6	$name" "Save as	${name%.*}_thumb.jpg	"
  done
  echo "Finished.")
expect_equal "thumbnail transcript" "$expected" "$(convert "$program/script/thumbnail_256.txt" "$out")"
sizes=$(cd "$out" && /usr/bin/identify -format '%f %m %wx%h\n' *.jpg 2>/dev/null)
expect_equal "thumbnails" "boat_thumb.jpg JPEG 256x192
drawing_thumb.jpg JPEG 256x192
harbour_thumb.jpg JPEG 256x192
landscape_thumb.jpg JPEG 256x192
pebble_thumb.jpg JPEG 192x256
portrait_thumb.jpg JPEG 192x256" "$sizes"

# The README's example, as a user would save it from Notepad: ANSI, CR LF.
tr -d '\r' <"$program/README.txt" | sed -n '/^  function Info() {/,$p' | sed '/return 1/{n;q}' |
  sed 's/$/\r/' | iconv -f UTF-8 -t CP932 >"$place/half.txt"
grep -q "SetName" "$place/half.txt" || fail "no example script in README.txt"
half="$place/half"
mkdir "$half"
transcript=$(convert "$place/half.txt" "$half")
expect_line <(printf '%s\n' "$transcript") "Finished."
expect_line <(printf '%s\n' "$transcript") $'Name\tHalf size PNG'
sizes=$(cd "$half" && /usr/bin/identify -format '%f %m\n' *.png 2>/dev/null | tr '\n' ' ')
expect_equal "README example" "boat.png PNG drawing.png PNG harbour.png PNG landscape.png PNG pebble.png PNG portrait.png PNG " "$sizes"
finish
