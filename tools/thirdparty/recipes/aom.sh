# aom: libaom's AV1 encoder, behind libheif's AVIF writing. BSD-2-Clause (with the AOM
# patent licence), so a static libaom.a that the libheif recipe links into libheif.dll.
# Encoder only (dav1d decodes), 8-bit pictures only (the host hands over 8-bit BGRX), with
# its own threads; no examples, tests, tools or docs, which is also what keeps the build
# short. x86_64 with the assembly code (nasm) and the SSE to AVX2 functions, which
# Win64's encodes use; i686 in plain C (AOM_TARGET_CPU=generic): its SIMD variants were
# most of the slowest build of all (1099 s on a loaded machine), for a Win32 build that is
# only ever run under emulation here.
package=aom
# Only the i686 build changed (its revision 1 had the SIMD functions): a warm x86_64 cache
# is not built again for nothing.
case "$target" in
i686-*) revision=2 ;;
esac

build_library() {
  local source=$1 prefix=$2 target=$3 cpu
  case "$target" in
  x86_64-*) cpu=x86_64 ;;
  i686-*) cpu=generic ;;
  esac
  cmake -S "$source" -B "$source/build-$target" -G Ninja \
    "${cross_cmake[@]}" \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF -DAOM_TARGET_CPU=$cpu \
    -DENABLE_NASM=ON -DCONFIG_AV1_DECODER=0 -DCONFIG_AV1_ENCODER=1 -DCONFIG_AV1_HIGHBITDEPTH=0 \
    -DCONFIG_WEBM_IO=0 -DCONFIG_LIBYUV=0 -DENABLE_EXAMPLES=OFF -DENABLE_TESTS=OFF \
    -DENABLE_TOOLS=OFF -DENABLE_DOCS=OFF -DENABLE_TESTDATA=OFF
  cmake --build "$source/build-$target" -j2 --target aom
  mkdir -p "$prefix/include/aom" "$prefix/lib" "$prefix/licences/aom"
  cp "$source"/aom/aom.h "$source"/aom/aom_codec.h "$source"/aom/aom_encoder.h \
    "$source"/aom/aom_external_partition.h "$source"/aom/aom_frame_buffer.h \
    "$source"/aom/aom_image.h "$source"/aom/aom_integer.h "$source"/aom/aomcx.h \
    "$prefix/include/aom/"
  cp "$source/build-$target/libaom.a" "$prefix/lib/"
  cp "$source/LICENSE" "$source/PATENTS" "$prefix/licences/aom/"
}
