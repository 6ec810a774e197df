# lcms2: Little CMS, colour management. MIT; a static liblcms2. libjxl's build asks for it;
# no programs.
package=lcms2

build_library() {
  local source=$1 prefix=$2 target=$3
  (cd "$source" && ./configure --host="$target" CC="$target-gcc-posix" --prefix="$prefix" \
    --enable-static --disable-shared --without-jpeg --without-tiff --without-zlib)
  make -C "$source/src" -j2 install
  make -C "$source/include" install
  rm -rf "$prefix/lib/pkgconfig" "$prefix/lib/"*.la
  mkdir -p "$prefix/licences/lcms2"
  cp "$source/COPYING" "$prefix/licences/lcms2/"
}
