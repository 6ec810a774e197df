#!/usr/bin/env bash
# tools/thirdparty/build.sh RECIPE TARGET: builds one third-party library from Debian's
# source package with the MinGW cross compiler TARGET (x86_64-w64-mingw32, i686-w64-mingw32)
# into a cache outside the work tree, and prints the cached folder. A second call for the
# same package version and target only prints it.
#
# The cache: $TESSAVEL_THIRDPARTY_CACHE, else /var/cache/tessavel-thirdparty when it can be
# written, else ~/.cache/tessavel-thirdparty. Each build is <package>-<version>-<target>/
# (':' of the version as '_') with include/, lib/, licences/<package>/ and the stamp file
# .tessavel-built, written last: a folder without it is an unfinished build.
#
# A recipe (recipes/<name>.sh) sets `package` (the Debian source package), may set
# `revision` (a number raised whenever the recipe builds something else from the same
# version: the stamp records it, and a build of another revision is made again), and defines
# `build_library SOURCE_DIR PREFIX TARGET`, which builds the unpacked source and installs
# headers, static libraries and licence texts below PREFIX; a CMake build passes
# "${cross_cmake[@]}" for the cross-compiling arguments; a DLL's recipe links with
# dll_linker_flags and checks the DLL with allocates_on_its_own.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
recipe=${1:?recipe name, e.g. libjpeg-turbo}
target=${2:?target, e.g. x86_64-w64-mingw32}
case "$target" in
x86_64-w64-mingw32 | i686-w64-mingw32) ;;
*) echo "build.sh: unknown target $target" >&2; exit 2 ;;
esac
# What every recipe's CMake build starts with: Windows on the target's processor, its MinGW
# compilers (the POSIX-thread ones), a release build.
case "$target" in
x86_64-*) processor=AMD64 ;;
i686-*) processor=X86 ;;
esac
cross_cmake=(-DCMAKE_SYSTEM_NAME=Windows -DCMAKE_SYSTEM_PROCESSOR=$processor
  -DCMAKE_C_COMPILER="$target-gcc-posix" -DCMAKE_CXX_COMPILER="$target-g++-posix"
  -DCMAKE_RC_COMPILER="$target-windres" -DCMAKE_BUILD_TYPE=Release)
# How a recipe links its DLL (-DCMAKE_SHARED_LINKER_FLAGS): the C and C++ runtimes linked in
# and kept out of its exports, aligned to pages in its file as our modules are (Wine maps
# it instead of reading it whole), with our allocator that keeps freed large blocks
# (tools/allocator/keep_large_blocks.c, compiled for the target into FOLDER), its functions
# kept out of a DLL that exports all its symbols. Check the DLL with allocates_on_its_own.
dll_linker_flags() { # FOLDER
  "$target-gcc-posix" -O2 -fno-builtin -Wall -Wextra -Werror \
    -c "$here/../allocator/keep_large_blocks.c" -o "$1/keep_large_blocks.o" ||
    return 1 # errexit does not reach into $(...)
  echo "-static -static-libgcc -static-libstdc++ -Wl,--exclude-libs,ALL -Wl,--file-alignment=4096" \
    "$1/keep_large_blocks.o -Xlinker --exclude-symbols -Xlinker malloc,calloc,realloc,free,_strdup,__imp__strdup,strdup"
}
# Fails unless DLL allocates through that allocator alone: it must take no allocation
# function from the C runtime, nor one that returns the runtime's memory to be freed.
allocates_on_its_own() { # DLL
  local dump taken
  dump=$("$target-objdump" -p "$1") || return 1
  taken=$(awk '/DLL Name:/ { crt = tolower($3) ~ /^(msvcrt|ucrtbase|api-ms-win-crt-)/ }
    crt && NF == 3 && $3 ~ /^_?(malloc|calloc|realloc|free|_msize|_expand|_recalloc|strdup|wcsdup|mbsdup|strndup|tempnam|wtempnam|getcwd|wgetcwd|getdcwd|wgetdcwd|fullpath|wfullpath|dupenv_s|wdupenv_s)$/ { print $3 }' <<<"$dump")
  if [ -n "$taken" ]; then
    echo "build.sh: $(basename "$1") takes from the C runtime:" $taken >&2
    return 1
  fi
  if sed -n '/Ordinal\/Name Pointer/,$p' <<<"$dump" | grep -qE '\] (malloc|calloc|realloc|free|_strdup)$'; then
    echo "build.sh: $(basename "$1") exports the allocator" >&2
    return 1
  fi
}
# shellcheck source=/dev/null
revision=""
source "$here/recipes/$recipe.sh"

sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo

cache_root() {
  if [ -n "${TESSAVEL_THIRDPARTY_CACHE:-}" ]; then
    echo "$TESSAVEL_THIRDPARTY_CACHE"
  elif mkdir -p /var/cache/tessavel-thirdparty 2>/dev/null && [ -w /var/cache/tessavel-thirdparty ]; then
    echo /var/cache/tessavel-thirdparty
  else
    echo "$HOME/.cache/tessavel-thirdparty"
  fi
}

# The versions of the source package apt knows, newest first; adds a deb-src entry for the
# mirror the machine already uses when there is none (the same URIs and suites as its deb
# entries). A mirror does not always hold the newest version its index lists, so the build
# takes the newest one it can download.
has_deb_src() {
  grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/
}
add_deb_src() {
  local list=/etc/apt/sources.list.d/tessavel-deb-src.sources
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | $sudo tee "$list" >/dev/null
  elif [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb \(.*\)/deb-src \1/p' /etc/apt/sources.list |
      $sudo tee /etc/apt/sources.list.d/tessavel-deb-src.list >/dev/null
  else
    echo "build.sh: no apt source to add a deb-src entry for" >&2
    exit 1
  fi
  $sudo apt-get update -qq
}
source_versions() { # apt-cache fails when the machine has no deb-src entry yet
  { apt-cache showsrc --only-source "$package" 2>/dev/null || true; } |
    sed -n 's/^Version: //p' | sort -V -r -u
}

versions=$(source_versions)
if [ -z "$versions" ]; then
  has_deb_src || add_deb_src
  versions=$(source_versions)
fi
if [ -z "$versions" ]; then
  echo "build.sh: apt knows no source package $package" >&2
  exit 1
fi

root=$(cache_root)
cached() { # version
  echo "$root/$package-${1//:/_}-$target"
}
stamp() { # version: what .tessavel-built holds
  echo "$package $1 $target${revision:+ revision $revision}"
}
for version in $versions; do
  if [ "$(cat "$(cached "$version")/.tessavel-built" 2>/dev/null)" = "$(stamp "$version")" ]; then
    cached "$version"
    exit 0
  fi
done

mkdir -p "$root"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# apt-get source downloads as the calling user; as root it warns that _apt cannot reach
# the folder, which is harmless.
version=""
# The suites whose index lists the version: apt-get source package=version may still fetch
# the files of another version from another suite (brotli 1.0.9-2 came as deb12u1's), while
# package/suite takes that suite's own.
suites_of() { # version
  apt-cache madison "$package" 2>/dev/null |
    awk -F' *[|] *' -v v="$1" '$2 == v && / Sources$/ { split($3, f, " "); sub("/.*", "", f[2]); print f[2] }'
}
fetch() { # version
  local suite
  (cd "$work" && apt-get source -qq "$package=$1" >>build.log 2>&1) && return 0
  for suite in $(suites_of "$1"); do
    rm -rf "${work:?}"/"$package"[-_]*
    (cd "$work" && apt-get source -qq "$package/$suite" >>build.log 2>&1) &&
      [ -f "$work/${package}_${1#*:}.dsc" ] && return 0
  done
  return 1
}
for candidate in $versions; do
  if fetch "$candidate"; then
    version=$candidate
    break
  fi
  echo "build.sh: $package $candidate could not be downloaded; trying an older version" >&2
  rm -rf "${work:?}"/"$package"[-_]*
done
if [ -z "$version" ]; then
  echo "build.sh: no version of $package could be downloaded; the end of the log:" >&2
  tail -n 20 "$work/build.log" >&2
  exit 1
fi
dir=$(cached "$version")
echo "build.sh: building $package $version for $target (log: $work/build.log)" >&2
# Not inside an `if` or `||`: there bash ignores errexit in the recipe, and a failing step
# would go on to cache an unfinished build as finished.
set +e
(
  set -e
  cd "$work"
  source_dir=$(find . -mindepth 1 -maxdepth 1 -type d -name "$package-*" | head -n 1)
  build_library "$work/$source_dir" "$work/prefix" "$target" >>build.log 2>&1
)
built=$?
set -e
if [ "$built" -ne 0 ]; then
  echo "build.sh: building $package failed; the end of its log:" >&2
  tail -n 40 "$work/build.log" >&2
  exit 1
fi
# Into place in one step, then the stamp: readers never see half a build.
rm -rf "$dir.partial"
cp -a "$work/prefix" "$dir.partial"
rm -rf "$dir"
mv "$dir.partial" "$dir"
stamp "$version" >"$dir/.tessavel-built"
echo "$dir"
