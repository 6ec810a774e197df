# libheif: HEIF reading and AVIF writing for the ifheif plug-in: HEIC through libde265,
# AVIF through dav1d (reading) and libaom's encoder (writing), which the recipe builds
# first. LGPL, so it ships as libheif.dll beside the plug-in (with libde265.dll), where a
# user can replace it; dav1d, libaom and the C and C++ runtimes are linked into it. No
# HEIC encoder, no examples, no plug-in loading.
#
# Both decoders are told to decode on the calling thread: a decoding thread only hands
# its work over (under Wine through the wineserver, which made a 3-megapixel HEIC take
# 1.3 s instead of 0.76 s), and the host already decodes ahead on its own threads.
package=libheif
revision=4 # 1: without the AV1 encoder; 2: libde265 locking through winpthreads, 512-byte
# alignment; 3: the C runtime's allocator

build_library() {
  local source=$1 prefix=$2 target=$3 de265 dav1d aom
  de265=$("$here/build.sh" libde265 "$target")
  dav1d=$("$here/build.sh" dav1d "$target")
  aom=$("$here/build.sh" aom "$target")

  local plugins=$source/libheif/plugins
  sed -i '/de265_start_worker_threads(decoder->ctx, 1);/d' "$plugins/heif_decoder_libde265.cc"
  sed -i 's/^\( *\)decoder->settings.all_layers = 0;/&\n\1decoder->settings.n_threads = 1;\n\1decoder->settings.max_frame_delay = 1;/' \
    "$plugins/heif_decoder_dav1d.cc"
  if grep -q de265_start_worker_threads "$plugins/heif_decoder_libde265.cc" ||
    ! grep -q 'settings.n_threads = 1;' "$plugins/heif_decoder_dav1d.cc"; then
    echo "libheif.sh: the decoders' thread settings were not where this recipe expects them" >&2
    return 1
  fi

  local linking
  linking=$(dll_linker_flags "$source") # our allocator keeps freed large blocks for the next picture
  # pkg-config must not offer the machine's own libraries (gdk-pixbuf, libde265) to a Windows
  # build; the two decoders and the encoder are named below.
  PKG_CONFIG_LIBDIR=/nonexistent PKG_CONFIG_PATH="" cmake -S "$source" -B "$source/build-$target" -G Ninja \
    "${cross_cmake[@]}" \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=ON \
    -DCMAKE_SHARED_LINKER_FLAGS="$linking" \
    -DCMAKE_FIND_ROOT_PATH="$de265;$dav1d;$aom" -DCMAKE_FIND_ROOT_PATH_MODE_LIBRARY=ONLY \
    -DCMAKE_FIND_ROOT_PATH_MODE_INCLUDE=ONLY -DCMAKE_FIND_ROOT_PATH_MODE_PACKAGE=ONLY \
    -DLIBDE265_INCLUDE_DIR="$de265/include" -DLIBDE265_LIBRARY="$de265/lib/libde265.dll.a" \
    -DDAV1D_INCLUDE_DIR="$dav1d/include" -DDAV1D_LIBRARY="$dav1d/lib/libdav1d.a" \
    -DAOM_INCLUDE_DIR="$aom/include" -DAOM_LIBRARY="$aom/lib/libaom.a" \
    -DWITH_LIBDE265=ON -DWITH_DAV1D=ON -DWITH_X265=OFF -DWITH_AOM_DECODER=OFF \
    -DWITH_AOM_ENCODER=ON -DWITH_AOM_ENCODER_PLUGIN=OFF -DWITH_RAV1E=OFF -DWITH_SvtEnc=OFF -DWITH_EXAMPLES=OFF \
    -DENABLE_PLUGIN_LOADING=OFF -DENABLE_PARALLEL_TILE_DECODING=OFF \
    -DWITH_DEFLATE_HEADER_COMPRESSION=OFF
  grep -q 'HAVE_LIBDE265=1' "$source/build-$target/build.ninja"
  grep -q 'HAVE_DAV1D=1' "$source/build-$target/build.ninja"
  grep -q 'HAVE_AOM_ENCODER=1' "$source/build-$target/build.ninja"
  cmake --build "$source/build-$target" -j2 --target heif
  cmake --install "$source/build-$target" --strip
  allocates_on_its_own "$prefix/bin/libheif.dll"
  rm -rf "$prefix/lib/pkgconfig" "$prefix/lib/cmake" "$prefix/share"
  # libde265.dll travels with the libheif.dll linked against it.
  cp "$de265/bin/libde265.dll" "$prefix/bin/"
  mkdir -p "$prefix/licences/libheif"
  cp "$source/COPYING" "$prefix/licences/libheif/"
  cp -a "$de265/licences/." "$dav1d/licences/." "$aom/licences/." "$prefix/licences/"
}
