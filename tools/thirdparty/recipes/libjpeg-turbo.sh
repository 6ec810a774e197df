# libjpeg-turbo: the JPEG decoder of the ifjpeg plug-in. A static libjpeg.a (the jpeg62
# interface, as Debian builds it) with the SIMD code, which needs nasm; no TurboJPEG API,
# no programs.
package=libjpeg-turbo

build_library() {
  local source=$1 prefix=$2 target=$3
  cmake -S "$source" -B "$source/build-$target" -G Ninja \
    "${cross_cmake[@]}" \
    -DCMAKE_ASM_NASM_COMPILER=nasm \
    -DCMAKE_INSTALL_PREFIX="$source/install-$target" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_TURBOJPEG=OFF \
    -DWITH_SIMD=ON -DREQUIRE_SIMD=ON
  cmake --build "$source/build-$target" -j2 --target jpeg-static
  mkdir -p "$prefix/include" "$prefix/lib" "$prefix/licences/libjpeg-turbo"
  cp "$source/build-$target/libjpeg.a" "$prefix/lib/"
  cp "$source/build-$target/jconfig.h" "$source/jpeglib.h" "$source/jmorecfg.h" \
    "$source/jerror.h" "$prefix/include/"
  cp "$source/LICENSE.md" "$source/README.ijg" "$prefix/licences/libjpeg-turbo/"
}
