# libjxl: the JPEG XL decoder and encoder of the ifjxl plug-in. BSD-3-Clause; the static
# libjxl (encoder and decoder) and the decoder-only libjxl_dec (the same decoder objects),
# linked into the plug-in with brotli and highway, which the recipe builds first, and lcms2,
# the encoder's colour management. No tools, no threads: the coders run on the calling
# thread, and the host decodes ahead and saves behind on threads of its own.
package=jpeg-xl
revision=2 # 1: the decoder alone

build_library() {
  local source=$1 prefix=$2 target=$3 brotli hwy lcms
  brotli=$("$here/build.sh" brotli "$target")
  hwy=$("$here/build.sh" highway "$target")
  lcms=$("$here/build.sh" lcms2 "$target")
  # The encoder includes lcms2.h through a property libjxl 0.7's build reads from the wrong
  # place (the imported target's INCLUDE_DIRECTORIES): the folder is named to the compiler.
  PKG_CONFIG_LIBDIR=/nonexistent PKG_CONFIG_PATH="" cmake -S "$source" -B "$source/build-$target" -G Ninja \
    "${cross_cmake[@]}" -DCMAKE_CXX_FLAGS="-isystem $lcms/include" \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF -DBUILD_TESTING=OFF \
    -DCMAKE_FIND_ROOT_PATH="$brotli;$hwy;$lcms" -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY \
    -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY \
    -DJPEGXL_FORCE_SYSTEM_BROTLI=ON -DJPEGXL_FORCE_SYSTEM_HWY=ON -DJPEGXL_FORCE_SYSTEM_LCMS2=ON \
    -DJPEGXL_ENABLE_SKCMS=OFF -DJPEGXL_ENABLE_TOOLS=OFF -DJPEGXL_ENABLE_DOXYGEN=OFF \
    -DJPEGXL_ENABLE_MANPAGES=OFF -DJPEGXL_ENABLE_BENCHMARK=OFF -DJPEGXL_ENABLE_EXAMPLES=OFF \
    -DJPEGXL_ENABLE_JNI=OFF -DJPEGXL_ENABLE_SJPEG=OFF -DJPEGXL_ENABLE_OPENEXR=OFF \
    -DJPEGXL_ENABLE_PLUGINS=OFF -DJPEGXL_ENABLE_TCMALLOC=OFF -DJPEGXL_ENABLE_FUZZERS=OFF \
    -DJPEGXL_ENABLE_TRANSCODE_JPEG=OFF -DJPEGXL_WARNINGS_AS_ERRORS=OFF
  cmake --build "$source/build-$target" -j2 --target jxl_dec-static jxl-static
  mkdir -p "$prefix/include/jxl" "$prefix/lib" "$prefix/licences/jpeg-xl"
  cp "$source/lib/include/jxl/"*.h "$source/build-$target/lib/include/jxl/"*.h "$prefix/include/jxl/"
  cp "$source/build-$target/lib/libjxl_dec.a" "$source/build-$target/lib/libjxl.a" "$prefix/lib/"
  cp "$brotli/lib/libbrotlidec.a" "$brotli/lib/libbrotlienc.a" "$brotli/lib/libbrotlicommon.a" \
    "$hwy/lib/libhwy.a" "$prefix/lib/"
  cp "$source/LICENSE" "$source/PATENTS" "$prefix/licences/jpeg-xl/"
  cp -a "$brotli/licences/." "$hwy/licences/." "$prefix/licences/"
}
