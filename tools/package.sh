#!/usr/bin/env bash
# Makes the release archives: build/packages/Tessavel-<version>-win64.zip and -win32.zip,
# each the program folder as it runs, plus README.txt (Japanese and English), the user
# documentation and the licence texts of everything linked in.
# Usage: tools/package.sh [--no-build] [--out DIR] [win64|win32|BUILD_DIR]...
#   Without a target both presets are built and packed. A BUILD_DIR is a configured build
#   tree of either preset (its release-info.txt says which); --no-build packs it as it is.
# The archive is the same byte for byte for the same build: files in sorted order, all
# stamped with the last commit's time, no owner or Unix time fields.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

build=1
out=$root/build/packages
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --no-build) build=0 ;;
    --out) out=$2; shift ;;
    -h | --help) sed -n '2,9p' "$0"; exit 0 ;;
    *) targets+=("$1") ;;
  esac
  shift
done
[ ${#targets[@]} -gt 0 ] || targets=(win64 win32)
command -v zip >/dev/null || { echo "package.sh: zip is missing (tools/install-prereqs.sh)" >&2; exit 1; }
mkdir -p "$out"
out=$(cd "$out" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One time for every file: the last commit's, or a fixed one outside a repository.
stamp=$(git -C "$root" log -1 --format=%ct 2>/dev/null || echo 1577836800)

info() { sed -n "s/^$1=//p" "$2/release-info.txt"; }

# Windows users read the texts with Notepad: CR LF, and UTF-8 with a byte order mark for
# the Japanese README (older Notepads take a file without it for Shift_JIS).
crlf() { sed 's/\r$//; s/$/\r/' "$1" >"$2"; }

pack() { # build directory
  local dir=$1 version target strip stage name
  version=$(info version "$dir")
  target=$(info target "$dir")
  strip=$(info strip "$dir")
  [ -n "$version" ] && [ -n "$target" ] || { echo "package.sh: $dir has no release-info.txt" >&2; return 1; }
  name=Tessavel-$version-$target
  stage=$work/$target
  rm -rf "$stage"
  local folder=$stage/$name
  mkdir -p "$folder"

  # The program folder exactly as the build assembled it, without debug information. strip
  # writes the time into each module's PE header: the commit's, through SOURCE_DATE_EPOCH.
  cp -R "$dir/bin/." "$folder/"
  find "$folder" -maxdepth 1 -type f \( -iname '*.exe' -o -iname '*.dll' -o -iname '*.sp?' \) \
    -exec env SOURCE_DATE_EPOCH="$stamp" "$strip" --strip-all {} +

  local suffix note_ja note_en
  if [ "$target" = win64 ]; then
    suffix=sph
    note_ja='64 ビット版の tesrun が読み込むのは 64 ビットのプラグイン（*.sph）だけです。Susie の 32 ビットのプラグイン（*.spi）は 32 ビット版（win32 の配布物）で使えます。'
    note_en='The 64-bit tesrun loads 64-bit plug-ins (*.sph) only; for the 32-bit *.spi plug-ins of Susie take the win32 archive.'
  else
    suffix=spi
    note_ja='32 ビット版の tesrun は Susie の 32 ビットのプラグイン（*.spi）を読み込みます。'
    note_en='The 32-bit tesrun loads the 32-bit *.spi plug-ins that Susie uses.'
  fi
  sed -e "s/@VERSION@/$version/g" -e "s/@TARGET@/$target/g" -e "s/@PLUGIN_SUFFIX@/$suffix/g" \
    -e "s/@PLUGIN_NOTE_JA@/$note_ja/" -e "s/@PLUGIN_NOTE_EN@/$note_en/" \
    "$root/packaging/README.txt" >"$stage/README.txt"
  { printf '\357\273\277'; sed 's/$/\r/' "$stage/README.txt"; } >"$folder/README.txt"
  rm "$stage/README.txt"

  mkdir "$folder/docs"
  for doc in script-language conversion plugins frontend; do
    crlf "$root/docs/$doc.md" "$folder/docs/$doc.md"
  done

  # The build's own licences folder gives way to the texts the build registered.
  rm -rf "$folder/licences"
  mkdir "$folder/licences"
  local entry licence file
  while IFS= read -r entry; do
    licence=${entry%%=*}
    file=${entry#*=}
    [ -f "$file" ] || { echo "package.sh: licence text $file is missing" >&2; return 1; }
    crlf "$file" "$folder/licences/$licence.txt"
  done < <(info licence "$dir")

  # Fixed modes and times, sorted names: the archive depends on the contents only.
  find "$stage" -type d -exec chmod 755 {} +
  find "$stage" -type f -exec chmod 644 {} +
  find "$stage" -exec touch -h -d "@$stamp" {} +
  rm -f "$out/$name.zip"
  (cd "$stage" && find "$name" -type f | LC_ALL=C sort |
    TZ=UTC zip -X -D -q -9 "$out/$name.zip" -@)
  echo "$out/$name.zip"
}

for target in "${targets[@]}"; do
  if [ -d "$target" ]; then
    dir=$(cd "$target" && pwd)
  else
    case "$target" in
      win64 | win32) dir=$root/build/$target ;;
      *) echo "package.sh: unknown target $target" >&2; exit 2 ;;
    esac
    if [ "$build" -eq 1 ]; then
      cmake --preset "$target" >/dev/null
      cmake --build --preset "$target" -j2 >/dev/null
    fi
  fi
  pack "$dir"
done
