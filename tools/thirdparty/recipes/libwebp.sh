# libwebp: the WebP decoder and encoder of the ifwebp plug-in. Static libwebp.a (lossy and
# lossless decoding and encoding), libwebpdemux.a (the first frame of an animation),
# libwebpmux.a (the EXIF and ICCP chunks of a written file) and libsharpyuv.a, which libwebp
# needs; no tools, no threads (the host decodes ahead and saves behind on its own threads).
package=libwebp
revision=2 # 1: without libwebpmux

build_library() {
  local source=$1 prefix=$2 target=$3
  cmake -S "$source" -B "$source/build-$target" -G Ninja \
    "${cross_cmake[@]}" \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_SHARED_LIBS=OFF -DWEBP_USE_THREAD=OFF -DWEBP_BUILD_ANIM_UTILS=OFF \
    -DWEBP_BUILD_CWEBP=OFF -DWEBP_BUILD_DWEBP=OFF -DWEBP_BUILD_GIF2WEBP=OFF \
    -DWEBP_BUILD_IMG2WEBP=OFF -DWEBP_BUILD_VWEBP=OFF -DWEBP_BUILD_WEBPINFO=OFF \
    -DWEBP_BUILD_LIBWEBPMUX=ON -DWEBP_BUILD_WEBPMUX=OFF -DWEBP_BUILD_EXTRAS=OFF
  cmake --build "$source/build-$target" -j2
  cmake --install "$source/build-$target"
  rm -rf "$prefix/bin" "$prefix/share" "$prefix/lib/pkgconfig" "$prefix/lib/cmake"
  mkdir -p "$prefix/licences/libwebp"
  cp "$source/COPYING" "$source/PATENTS" "$prefix/licences/libwebp/"
}
