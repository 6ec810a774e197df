# libde265: the HEVC decoder behind libheif's HEIC reading. LGPL, so it ships as
# libde265.dll beside the plug-in, where a user can replace it; the C and C++ runtimes are
# linked into it (and kept out of its exports), so it needs nothing else. No programs, no
# encoder.
package=libde265
revision=2 # 0: locks from winpthreads, 512-byte alignment; 1: the C runtime's allocator

build_library() {
  local source=$1 prefix=$2 target=$3
  # On Windows libde265 locks with kernel mutex objects, one system call for every lock of
  # every coding block, which under Wine is a round trip through the wineserver. Its POSIX
  # side is no better with MinGW's winpthreads: every condition variable is two semaphores,
  # and a picture has a lock and a condition for each of its coding blocks (3000 semaphores
  # made and closed for a 3-megapixel HEIC, each a wineserver round trip). Take the POSIX
  # side for its threads, with Windows' slim locks and condition variables, which live in
  # user space and cost nothing to make.
  local file
  for file in "$source/libde265/threads.h" "$source/libde265/threads.cc"; do
    sed -i 's/^#ifndef _WIN32$/#if !defined(_WIN32) || defined(__MINGW32__)/' "$file"
    [ "$(grep -c '__MINGW32__' "$file")" -ge 1 ] || {
      echo "libde265.sh: no Windows branch in $file to replace" >&2
      return 1
    }
  done
  sed -i -e 's/^typedef pthread_mutex_t  *de265_mutex;$/#ifndef NOMINMAX\n#define NOMINMAX 1\n#endif\n#include <windows.h>\ntypedef SRWLOCK de265_mutex;/' \
    -e 's/^typedef pthread_cond_t  *de265_cond;$/typedef CONDITION_VARIABLE de265_cond;/' \
    "$source/libde265/threads.h"
  sed -i -e 's/{ pthread_mutex_init(m,NULL); }/{ InitializeSRWLock(m); }/' \
    -e 's/{ pthread_mutex_destroy(m); }/{ }/' \
    -e 's/{ pthread_mutex_lock(m); }/{ AcquireSRWLockExclusive(m); }/' \
    -e 's/{ pthread_mutex_unlock(m); }/{ ReleaseSRWLockExclusive(m); }/' \
    -e 's/{ pthread_cond_init(c,NULL); }/{ InitializeConditionVariable(c); }/' \
    -e 's/{ pthread_cond_destroy(c); }/{ }/' \
    -e 's/{ pthread_cond_broadcast(c); }/{ WakeAllConditionVariable(c); }/' \
    -e 's/{ pthread_cond_wait(c,m); }/{ SleepConditionVariableSRW(c,m,INFINITE,0); }/' \
    -e 's/{ pthread_cond_signal(c); }/{ WakeConditionVariable(c); }/' \
    "$source/libde265/threads.cc"
  if grep -q 'pthread_mutex_\|pthread_cond_' "$source/libde265/threads.h" "$source/libde265/threads.cc" ||
    [ "$(grep -c 'SRWLock\|ConditionVariable' "$source/libde265/threads.cc")" -ne 7 ]; then
    echo "libde265.sh: the POSIX locks were not where this recipe expects them" >&2
    return 1
  fi
  local linking
  linking=$(dll_linker_flags "$source") # our allocator keeps freed large blocks for the next picture
  cmake -S "$source" -B "$source/build-$target" -G Ninja \
    "${cross_cmake[@]}" \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=ON \
    -DCMAKE_SHARED_LINKER_FLAGS="$linking" \
    -DENABLE_SDL=OFF -DENABLE_DECODER=OFF -DENABLE_ENCODER=OFF
  cmake --build "$source/build-$target" -j2
  cmake --install "$source/build-$target" --strip
  allocates_on_its_own "$prefix/bin/libde265.dll"
  rm -rf "$prefix/lib/pkgconfig" "$prefix/lib/cmake"
  mkdir -p "$prefix/licences/libde265"
  cp "$source/COPYING" "$prefix/licences/libde265/"
}
