# libspng: the PNG decoder of the ifpng plug-in (BSD-2-Clause). A static libspng.a over the
# zlib recipe's static libz (built first), with its SSE filter code on x86_64; no examples, no DLL.
package=libspng

build_library() {
  local source=$1 prefix=$2 target=$3 zlib opt=ON
  zlib=$("$here/build.sh" zlib "$target")
  # The SSE filter code needs SSE2 in the baseline, which i686 MinGW does not assume (its
  # intrinsics headers then fail to compile): the 32-bit build takes the plain C filters.
  if [ "$target" = i686-w64-mingw32 ]; then opt=OFF; fi
  # SPNG_SHARED stays on: 0.7.3's CMakeLists.txt names the shared target in the static
  # one's settings; only the static target is built.
  cmake -S "$source" -B "$source/build-$target" -G Ninja "${cross_cmake[@]}" \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DSPNG_SHARED=ON -DSPNG_STATIC=ON -DBUILD_EXAMPLES=OFF -DENABLE_OPT=$opt \
    -DZLIB_INCLUDE_DIR="$zlib/include" -DZLIB_LIBRARY="$zlib/lib/libz.a"
  cmake --build "$source/build-$target" -j2 --target spng_static
  mkdir -p "$prefix/lib" "$prefix/include" "$prefix/licences/libspng"
  cp "$source/build-$target/libspng_static.a" "$prefix/lib/libspng.a"
  cp "$source/spng/spng.h" "$prefix/include/"
  cp "$source/LICENSE" "$prefix/licences/libspng/"
}
