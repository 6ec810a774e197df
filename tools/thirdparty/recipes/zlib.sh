# zlib: inflate for the ICC profiles PNG files keep compressed (iCCP). The zlib licence;
# a static libz (zlib's CMake build; Debian's source has no win32 makefile).
package=zlib

build_library() {
  local source=$1 prefix=$2 target=$3
  cmake -S "$source" -B "$source/build-$target" -G Ninja "${cross_cmake[@]}" \
    -DCMAKE_INSTALL_PREFIX="$prefix"
  cmake --build "$source/build-$target" -j2 --target zlibstatic
  mkdir -p "$prefix/lib" "$prefix/include" "$prefix/licences/zlib"
  cp "$source/build-$target/libzlibstatic.a" "$prefix/lib/libz.a"
  # The build writes its own zconf.h (and renames the source's).
  cp "$source/zlib.h" "$source/build-$target/zconf.h" "$prefix/include/"
  cp "$source/LICENSE" "$prefix/licences/zlib/"
}
