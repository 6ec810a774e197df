#!/usr/bin/env bash
# The emulated Win32 smoke run: the Win32 archive's tesrun.exe under 32-bit Wine, compared
# with the Win64 archive's under the host's Wine, on the same folder (the samples, a broken
# file) with the bundled Exif header script. Transcripts and written files must be
# identical, apart from the plug-ins' names (.spi / .sph).
#
# These kernels run no 32-bit code, and wine32 beside wine64 makes every new 64-bit prefix
# take minutes. So 32-bit Wine lives in its own i386 Debian root, made once per machine with
# debootstrap from Debian's packages and cached in /var/cache/tessavel-win32-root, and runs
# through qemu-user (binfmt_misc, flag F: the interpreter is opened when registered, so it
# works inside the root). The root's pristine Wine prefix is cached beside it.
# Runs as root (debootstrap, chroot, mounts). Usage: tools/test-win32.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source=$(pwd)
[ "$(id -u)" -eq 0 ] || { echo "test-win32.sh: run as root (chroot, mounts)" >&2; exit 1; }
tools/install-prereqs.sh debootstrap qemu-user-static

cache=${TESSAVEL_WIN32_CACHE:-/var/cache/tessavel-win32-root}
key=bookworm-i386-wine32-1 # change it when the root's package list changes
root=$cache/$key
mirror=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n1)
mirror=${mirror:-http://deb.debian.org/debian}
started=$SECONDS
elapsed() { echo "   ($((SECONDS - started)) s)"; }

mkdir -p "$cache"
exec 9>"$root.lock"
flock 9 # one run at a time: the root and its prefix are shared

if [ ! -f "$root/.complete" ]; then
  echo "== Making the i386 root $root (once per machine)"
  rm -rf "$root"
  debootstrap --arch=i386 --variant=minbase --include=wine,wine32 bookworm "$root" "$mirror" \
    >"$root.log" 2>&1 || { tail -n 20 "$root.log"; exit 1; }
  touch "$root/.complete"
  elapsed
fi

# i386 ELF through qemu; registered once per boot, never removed (the host has no i386
# programs of its own, so nothing else changes with it).
registered() {
  local entry
  for entry in /proc/sys/fs/binfmt_misc/*; do
    grep -qx 'interpreter /usr/bin/qemu-i386-static' "$entry" 2>/dev/null &&
      grep -qx enabled "$entry" && grep -q '^flags: .*F' "$entry" && return 0
  done
  return 1
}
if ! registered; then
  [ -f /proc/sys/fs/binfmt_misc/register ] ||
    mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  echo ':tessavel-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
    >/proc/sys/fs/binfmt_misc/register
fi

echo "== Building win64 and win32, packing both archives"
cmake --preset win64 >/dev/null && cmake --build --preset win64 -j2 >/dev/null
cmake --preset win32 >/dev/null && cmake --build --preset win32 -j2 >/dev/null
# The run's folder has the same path inside the root as outside (a bind mount), so both
# transcripts print the same folders.
work=$(mktemp -d /tmp/tessavel-win32.XXXXXX)
trap 'rm -rf "$work"; rmdir "$root$work" 2>/dev/null || true' EXIT
tools/package.sh --no-build --out "$work/packages" win64 win32 >/dev/null
version=$(sed -n 's/^version=//p' build/win64/release-info.txt)
place="$work/Tessavel テスト"
mkdir -p "$place" "$work/in"
for bits in win64 win32; do
  unzip -q "$work/packages/Tessavel-$version-$bits.zip" -d "$place"
  cp "build/$bits/probe/catalogue_probe.exe" "$place/Tessavel-$version-$bits/"
done
cp samples/* "$work/in/"
rm -f "$work/in/make-samples.sh"
head -c 3000 /dev/urandom >"$work/in/broken.jpg" # no decoder takes it: "Failed."

windows() { printf 'Z:%s' "${1//\//\\}"; }
args=("$(windows "$place/Tessavel-$version-@BITS@/script/exif_header.txt")" "$(windows "$work/in")"
  "$(windows "$work/out")" "jpg|png|gif|tga|ppm")

# Wine names Unix files in the glibc locale's character set: the build's private
# ja_JP.UTF-8 (wine-run makes it) serves both sides.
export WINEPREFIX=$source/build/win64/wineprefix-win32-compare # apart from ctest's
build/win64/wine-run --server-start
locale_dir=$source/build/win64/locale
[ -d "$locale_dir/ja_JP.UTF-8" ] || { mkdir -p "$locale_dir"; localedef -i ja_JP -f UTF-8 "$locale_dir/ja_JP.UTF-8"; }

echo "== Win64 run (host Wine)"
mkdir "$work/out"
build/win64/wine-run "$place/Tessavel-$version-win64/tesrun.exe" "${args[@]//@BITS@/win64}" \
  >"$work/win64-cr.txt" 2>"$work/win64-err.txt" || true
build/win64/wine-run "$place/Tessavel-$version-win64/catalogue_probe.exe" >"$work/catalogue64-cr.txt" || true
build/win64/wine-run --server-stop
mv "$work/out" "$work/out64"

# Inside the root, in a mount namespace of its own: nothing stays mounted afterwards.
in_root() { # command...: runs in the root with Wine's environment
  unshare --mount --propagation private bash -c '
    root=$1 work=$2 locale=$3; shift 3
    mount -t proc proc "$root/proc"
    mount --rbind /dev "$root/dev"
    mkdir -p "$root$work" "$root/tmp/locale"
    mount --bind "$work" "$root$work"
    mount --bind "$locale" "$root/tmp/locale"
    exec chroot "$root" /usr/bin/env -i PATH=/usr/bin:/bin HOME=/root \
      TESSAVEL_THREADS="${TESSAVEL_WIN32_THREADS:-1}" WINEPREFIX=/var/tessavel/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
      LC_ALL=ja_JP.UTF-8 LOCPATH=/tmp/locale "$@"' in_root "$root" "$work" "$locale_dir" "$@"
}

if [ ! -f "$root/var/tessavel/prefix/system.reg" ]; then
  echo "== Making the root's Wine prefix (once per machine)"
  rm -rf "$root/var/tessavel/prefix"
  mkdir -p "$root/var/tessavel"
  in_root /bin/sh -c '/usr/lib/wine/wine wineboot -i >/dev/null 2>&1; /usr/lib/wine/wineserver -w'
  elapsed
fi

# The emulated run decodes on one thread, as the 32-bit build does by default: under
# qemu-user the 32-bit process is killed by signal 11 once it decodes on threads Wine started,
# and so is a bare program that only decodes through ifjpeg on two threads; two threads that
# only grow their stacks bring the emulated wineserver down. Our code has no aligned SSE
# stack access, so stack alignment is not the cause; the emulation is the suspect
# (docs/performance.md, "Win32 with threads"). The output is the same with any number of threads, so the comparison with
# the Win64 run (default threads) still holds. TESSAVEL_WIN32_THREADS sets another count.
echo "== Win32 run (32-bit Wine under qemu-user)"
mkdir "$work/out"
begin=$SECONDS
# One persistent wineserver for both programs; tesfront's catalogue through the probe.
in_root /bin/sh -c 'program=$1; shift
  /usr/lib/wine/wineserver -p
  /usr/lib/wine/wine "$program\tesrun.exe" "$@" >"'"$work"'/win32-cr.txt" 2>"'"$work"'/win32-err.txt"
  /usr/lib/wine/wine "$program\catalogue_probe.exe" >"'"$work"'/catalogue32-cr.txt"
  /usr/lib/wine/wineserver -k; true' \
  sh "$(windows "$place/Tessavel-$version-win32")" "${args[@]//@BITS@/win32}"
echo "   tesrun.exe and the catalogue probe under emulation: $((SECONDS - begin)) s"
mv "$work/out" "$work/out32"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
for bits in win64 win32; do
  tr -d '\r' <"$work/$bits-cr.txt" | sed 's/^\(Loaded Susie Plug-in\t.*\)\.sp[hi]$/\1.sp?/' >"$work/$bits.txt"
done
echo "== Win32 transcript"
iconv -f CP932 -t UTF-8 "$work/win32.txt" || cat "$work/win32.txt"
cat "$work/win32-err.txt"
diff -u "$work/win64.txt" "$work/win32.txt" || fail "the transcripts differ"
# Standard error also holds Wine's and qemu's own noise from processes ending; tesrun's
# reasons are its lines.
reasons() { tr -d '\r' <"$1" | grep '^tesrun:' || true; }
diff -u <(reasons "$work/win64-err.txt") <(reasons "$work/win32-err.txt") ||
  fail "the reasons on standard error differ"
[ -n "$(reasons "$work/win32-err.txt")" ] || fail "no reason for the broken file"
grep -qx "Finished." "$work/win32.txt" || fail "no finished Win32 run"
grep -q "ifnetpbm.spi" "$work/win32-cr.txt" || fail "the 32-bit plug-ins were not loaded"
echo "== Win32 catalogue (tesfront's script list)"
tr -d '\r' <"$work/catalogue32-cr.txt" | tee "$work/catalogue32.txt"
tr -d '\r' <"$work/catalogue64-cr.txt" >"$work/catalogue64.txt"
diff -u "$work/catalogue64.txt" "$work/catalogue32.txt" || fail "the catalogues differ"
grep -q $'^thumbnail_256.txt\tThumbnail 256\tTessavel\t1.0.0.1$' "$work/catalogue32.txt" ||
  fail "the Win32 catalogue lacks Thumbnail 256"
diff <(cd "$work/out64" && ls) <(cd "$work/out32" && ls) || fail "different files written"
for file in "$work/out64"/*; do
  name=${file##*/}
  cmp -s "$file" "$work/out32/$name" || fail "$name differs"
done
echo "== Written files: $(cd "$work/out32" && ls | tr '\n' ' ')"
elapsed
[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "The Win32 run equals the Win64 run."
