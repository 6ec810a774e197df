/* Tessavel's own allocator, written for this project (no package's code), which the recipes
 * of libheif.dll and libde265.dll (tools/thirdparty) link into those DLLs: malloc, calloc,
 * realloc and free on the process heap, keeping a few freed large blocks for the next file.
 * The DLLs stay the libraries as Debian ships their source, and replaceable.
 *
 * Why: decoding one 3-megapixel HEIC allocates about 55 MB in blocks of a megabyte and more
 * (the picture, its coding tables, libheif's copy, its RGB planes). Windows' heap, and Wine's,
 * give blocks that large back to the system when they are freed, so every file touches fresh
 * pages again, and a fresh page fault costs about as much as decoding the page. Natively,
 * glibc keeps such blocks once it has seen them freed.
 *
 * Every block carries its capacity in a header of its own; the DLLs free only what they
 * allocated (libheif and libde265 hand no malloc'd memory to their callers, nor take any
 * from the C runtime: build.sh's allocates_on_its_own checks each DLL's imports), and both
 * DLLs use this same layout over the same heap, so a block may be freed by either. Running
 * out of memory is a null return, as malloc's. */
/* string.h declares _strdup as the runtime's, which this file defines for its DLL. */
#define _strdup keep_large_blocks_runtime_strdup
#define strdup keep_large_blocks_runtime_posix_strdup
#include <windows.h>

#include <errno.h>
#include <stddef.h>
#include <string.h>
#undef _strdup
#undef strdup

enum { kHeader = 16, kSlots = 16 }; /* the header keeps the heap's alignment */

/* Blocks from this size on are kept; at most kMostKept bytes of them, for each DLL (a
 * decode's large blocks come to about that for a 3-megapixel picture). */
static const size_t kLarge = 256u * 1024u;
static const size_t kMostKept = 32u * 1024u * 1024u;

static SRWLOCK g_lock = SRWLOCK_INIT;
static void* g_kept[kSlots];
static size_t g_keptCount;
static size_t g_keptBytes;

static size_t* HeaderOf(void* block) {
    return (size_t*)((char*)block - kHeader);
}

/* A kept block of at least size bytes and not a quarter more, the smallest such; or null. */
static void* TakeKept(size_t size) {
    AcquireSRWLockExclusive(&g_lock);
    size_t best = kSlots;
    for (size_t i = 0; i < g_keptCount; ++i) {
        const size_t capacity = *HeaderOf(g_kept[i]);
        if (capacity >= size && capacity - size <= size / 4 &&
            (best == kSlots || capacity < *HeaderOf(g_kept[best])))
            best = i;
    }
    void* block = NULL;
    if (best != kSlots) {
        block = g_kept[best];
        g_keptBytes -= *HeaderOf(block);
        g_kept[best] = g_kept[--g_keptCount];
    }
    ReleaseSRWLockExclusive(&g_lock);
    return block;
}

/* Whether the block is kept for a later malloc. */
static int Keep(void* block) {
    const size_t capacity = *HeaderOf(block);
    AcquireSRWLockExclusive(&g_lock);
    const int kept = g_keptCount < kSlots && capacity <= kMostKept - g_keptBytes;
    if (kept) {
        g_kept[g_keptCount++] = block;
        g_keptBytes += capacity;
    }
    ReleaseSRWLockExclusive(&g_lock);
    return kept;
}

void* malloc(size_t size) {
    if (size >= kLarge) {
        void* block = TakeKept(size);
        if (block != NULL)
            return block;
    }
    size_t* header = size <= (size_t)-1 - kHeader
                         ? (size_t*)HeapAlloc(GetProcessHeap(), 0, size + kHeader)
                         : NULL;
    if (header == NULL) {
        errno = ENOMEM;
        return NULL;
    }
    *header = size;
    return (char*)header + kHeader;
}

void free(void* block) {
    if (block == NULL)
        return;
    if (*HeaderOf(block) >= kLarge && Keep(block))
        return;
    HeapFree(GetProcessHeap(), 0, HeaderOf(block));
}

/* Built with -fno-builtin: otherwise the compiler makes malloc and memset into a call of
 * calloc, this one. */
void* calloc(size_t count, size_t size) {
    if (size != 0 && count > (size_t)-1 / size) {
        errno = ENOMEM;
        return NULL;
    }
    void* block = malloc(count * size);
    if (block != NULL)
        memset(block, 0, count * size);
    return block;
}

void* realloc(void* block, size_t size) {
    if (block == NULL)
        return malloc(size);
    if (size == 0) {
        free(block);
        return NULL;
    }
    const size_t capacity = *HeaderOf(block);
    if (size <= capacity && (capacity < kLarge || size >= capacity / 2))
        return block; /* it fits, and a large block keeps no more than twice its use */
    void* moved = malloc(size);
    if (moved == NULL)
        return NULL;
    memcpy(moved, block, capacity < size ? capacity : size);
    free(block);
    return moved;
}

/* The C++ runtime linked into the DLLs copies locale names with _strdup, the POSIX threads
 * library thread names with strdup, and both free the copies: they must come from this
 * malloc too. The C++ runtime was compiled to call _strdup through its import pointer,
 * which is defined here as well. */
char* _strdup(const char* text) {
    const size_t size = strlen(text) + 1;
    char* copy = (char*)malloc(size);
    if (copy != NULL)
        memcpy(copy, text, size);
    return copy;
}
char* (*__MINGW_IMP_SYMBOL(_strdup))(const char*) = _strdup;
char* strdup(const char* text) {
    return _strdup(text);
}
