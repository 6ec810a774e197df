# brotli: the decompressor libjxl needs for JPEG XL's compressed boxes. MIT; static
# libbrotlidec and libbrotlicommon, linked into the ifjxl plug-in with libjxl (and
# libbrotlienc, without which libjxl's build does not take brotli).
package=brotli

build_library() {
  local source=$1 prefix=$2 target=$3
  cmake -S "$source" -B "$source/build-$target" -G Ninja \
    "${cross_cmake[@]}" \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_TESTING=OFF
  cmake --build "$source/build-$target" -j2 --target brotlidec-static brotlicommon-static \
    brotlienc-static
  mkdir -p "$prefix/lib" "$prefix/licences/brotli"
  cp -r "$source/c/include" "$prefix/"
  local library
  for library in dec common enc; do
    cp "$source/build-$target/libbrotli$library-static.a" "$prefix/lib/libbrotli$library.a"
  done
  cp "$source/LICENSE" "$prefix/licences/brotli/"
}
