# dav1d: the AV1 decoder behind libheif's AVIF reading. BSD-licensed, so a static
# libdav1d.a that the libheif recipe links into libheif.dll. 8- and 16-bit pictures
# (10- and 12-bit AVIF), with the assembly code, which needs nasm; no tools, no tests.
package=dav1d

build_library() {
  local source=$1 prefix=$2 target=$3
  # Meson takes the compilers from a cross file; dav1d ships one for each MinGW target.
  meson setup "$source/build-$target" "$source" \
    --cross-file "$source/package/crossfiles/$target.meson" \
    --buildtype=release --default-library=static --prefix="$prefix" --libdir=lib \
    -Denable_tools=false -Denable_tests=false -Denable_examples=false -Dbitdepths=8,16
  ninja -C "$source/build-$target" -j2 install
  rm -rf "$prefix/lib/pkgconfig"
  mkdir -p "$prefix/licences/dav1d"
  cp "$source/COPYING" "$prefix/licences/dav1d/"
}
