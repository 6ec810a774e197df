# libde265: the HEVC decoder behind libheif's HEIC reading. LGPL, so it ships as
# libde265.dll beside the plug-in, where a user can replace it; the C and C++ runtimes are
# linked into it (and kept out of its exports), so it needs nothing else. No programs, no
# encoder.
package=libde265

build_library() {
  local source=$1 prefix=$2 target=$3
  # On Windows libde265 locks with kernel mutex objects, one system call for every lock of
  # every coding block, which under Wine is a round trip through the wineserver. MinGW has
  # POSIX threads (winpthreads, locking in user space): take libde265's POSIX side there.
  local file
  for file in "$source/libde265/threads.h" "$source/libde265/threads.cc"; do
    sed -i 's/^#ifndef _WIN32$/#if !defined(_WIN32) || defined(__MINGW32__)/' "$file"
    [ "$(grep -c '__MINGW32__' "$file")" -ge 1 ] || {
      echo "libde265.sh: no Windows branch in $file to replace" >&2
      return 1
    }
  done
  cmake -S "$source" -B "$source/build-$target" -G Ninja \
    "${cross_cmake[@]}" \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=ON \
    -DCMAKE_SHARED_LINKER_FLAGS="-static -static-libgcc -static-libstdc++ -Wl,--exclude-libs,ALL" \
    -DENABLE_SDL=OFF -DENABLE_DECODER=OFF -DENABLE_ENCODER=OFF
  cmake --build "$source/build-$target" -j2
  cmake --install "$source/build-$target" --strip
  rm -rf "$prefix/lib/pkgconfig" "$prefix/lib/cmake"
  mkdir -p "$prefix/licences/libde265"
  cp "$source/COPYING" "$prefix/licences/libde265/"
}
