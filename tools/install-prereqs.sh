#!/usr/bin/env bash
# Installs what building and testing Tessavel needs, from Debian's packages. Idempotent:
# packages already present are not touched, so a second run costs a second. Arguments name
# further packages (tools/test-win32.sh: debootstrap, qemu-user-static).
set -euo pipefail
packages=(
  cmake ninja-build clang clang-format googletest   # build, tests, sanitizer and fuzz builds, format check
  g++-mingw-w64-x86-64 g++-mingw-w64-i686 mingw-w64-tools   # the two Windows targets
  wine64                                       # runs the Win64 programs (never wine32)
  xvfb xauth x11-utils fonts-ipafont-gothic    # the dialog under a virtual display
  fonts-wine                                   # Wine's own fonts: caption buttons in screenshots
  zip                                          # the release archives (tools/package.sh)
  imagemagick netpbm libimage-exiftool-perl    # test and sample images made by other tools
  nasm dpkg-dev meson make                     # third-party libraries from Debian's sources (tools/thirdparty)
  libjpeg-turbo-progs libjpeg62-turbo-dev      # cjpeg/djpeg for test pictures; the native JPEG fuzz target
  webp libwebp-dev                             # cwebp/dwebp/img2webp for test pictures; the native WebP fuzz target
  libspng-dev                                  # the native PNG fuzz target
  libheif-examples libheif-dev libavif-bin     # heif-enc/heif-convert, avifenc/avifdec for test pictures; the native HEIF fuzz target
  libjxl-tools libjxl-dev                      # cjxl/djxl for test pictures; the native JPEG XL fuzz target
  liblcms2-dev zlib1g-dev                      # the native fuzz targets of the colour conversion
  locales                                      # ja_JP.UTF-8, built privately for Wine's file names
  graphicsmagick libvips-tools time            # the benchmark's other contenders, peak memory
  "$@"                                         # and those the caller names
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  # A fresh machine's first install can fail on a mirror hiccup or a package lock held by
  # its own boot-time apt run: try again, and show apt's last words if it keeps failing.
  for attempt in 1 2 3; do
    if $sudo apt-get update -qq &&
      DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
        "${missing[@]}" >/tmp/tessavel-apt.log 2>&1; then
      break
    fi
    if [ "$attempt" -eq 3 ]; then
      tail -20 /tmp/tessavel-apt.log >&2
      exit 1
    fi
    echo "apt-get failed; trying again in 20 s" >&2
    sleep 20
  done
fi
