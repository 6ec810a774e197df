# highway: the SIMD layer of libjxl, which picks the best instruction set at run time.
# Apache-2.0; a static libhwy linked into the ifjxl plug-in with libjxl.
package=highway

build_library() {
  local source=$1 prefix=$2 target=$3
  cmake -S "$source" -B "$source/build-$target" -G Ninja \
    "${cross_cmake[@]}" \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTING=OFF \
    -DHWY_ENABLE_TESTS=OFF -DHWY_ENABLE_EXAMPLES=OFF -DHWY_ENABLE_CONTRIB=OFF
  cmake --build "$source/build-$target" -j2 --target hwy
  mkdir -p "$prefix/include" "$prefix/lib" "$prefix/licences/highway"
  (cd "$source" && find hwy -name '*.h' -exec cp --parents {} "$prefix/include/" \;)
  cp "$source/build-$target/libhwy.a" "$prefix/lib/"
  cp "$source/LICENSE" "$prefix/licences/highway/"
}
