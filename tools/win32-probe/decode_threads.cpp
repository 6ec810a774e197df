// The bare program behind docs/performance.md, "Win32 with threads": threads (or none: the
// main thread) decoding the same JPEG through ifjpeg's GetPictureScaled, as tesrun's decode
// workers do, and nothing else of tesrun. Not part of the build; made and run by hand:
//   i686-w64-mingw32-g++-posix -O2 -static decode_threads.cpp -o decode_threads.exe
//   wine decode_threads.exe ifjpeg.spi landscape.jpg THREADS ROUNDS [MODE]  (in the root)
// Usage: decode_threads PLUGIN JPEG THREADS ROUNDS [MODE]
// MODE: plain (default), aligned (the entry realigns its stack), committed (4 MiB of stack
// committed at the start), deep (no decode: the thread touches 512 KiB of its stack)
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

typedef int(WINAPI* SizeFn)(const void*, ULONG_PTR, int, LONG*, LONG*);
typedef int(WINAPI* DecodeFn)(const void*, ULONG_PTR, int, void*, LONG_PTR, LONG, LONG);

static SizeFn g_size;
static DecodeFn g_decode;
static std::vector<unsigned char> g_file;
static int g_rounds;
static const char* g_mode = "plain";

static int TouchStack(int depth) {
    volatile char block[64 * 1024];
    for (size_t i = 0; i < sizeof block; i += 4096)
        block[i] = static_cast<char>(depth);
    return depth == 0 ? block[0] : TouchStack(depth - 1) + block[100];
}

static DWORD WINAPI Work(void* arg);
__attribute__((force_align_arg_pointer)) static DWORD WINAPI AlignedWork(void* arg) {
    return Work(arg);
}

static DWORD WINAPI Work(void* arg) {
    const int id = static_cast<int>(reinterpret_cast<INT_PTR>(arg));
    unsigned int esp;
    __asm__ volatile("movl %%esp, %0" : "=r"(esp));
    std::printf("thread %d: esp %% 16 = %u in the entry\n", id, esp % 16);
    std::fflush(stdout);
    if (std::strcmp(g_mode, "deep") == 0) {
        std::printf("thread %d: deep stack %d\n", id, TouchStack(7));
        return 0;
    }
    for (int r = 0; r < g_rounds; ++r) {
        LONG w = 0, h = 0;
        if (g_size(g_file.data(), g_file.size(), 1, &w, &h) != 0) {
            std::printf("size failed\n");
            return 1;
        }
        std::vector<unsigned char> rows(static_cast<size_t>(w) * h * 4);
        const int result = g_decode(g_file.data(), g_file.size(), 1, rows.data(), w * 4, w, h);
        unsigned long sum = 0;
        for (unsigned char c : rows)
            sum = sum * 31 + c;
        std::printf("thread %d round %d: %ldx%ld result %d sum %08lx\n", id, r, w, h, result, sum);
        std::fflush(stdout);
    }
    return 0;
}

int main(int argc, char** argv) {
    if (argc != 5 && argc != 6)
        return 2;
    if (argc == 6)
        g_mode = argv[5];
    HMODULE plugin = LoadLibraryA(argv[1]);
    if (!plugin) {
        std::printf("cannot load %s\n", argv[1]);
        return 1;
    }
    g_size = reinterpret_cast<SizeFn>(
        reinterpret_cast<void*>(GetProcAddress(plugin, "GetPictureScaledSize")));
    g_decode = reinterpret_cast<DecodeFn>(
        reinterpret_cast<void*>(GetProcAddress(plugin, "GetPictureScaled")));
    FILE* f = std::fopen(argv[2], "rb");
    if (!f || !g_size || !g_decode)
        return 1;
    std::fseek(f, 0, SEEK_END);
    g_file.resize(std::ftell(f));
    std::fseek(f, 0, SEEK_SET);
    std::fread(g_file.data(), 1, g_file.size(), f);
    std::fclose(f);
    const int threads = std::atoi(argv[3]);
    g_rounds = std::atoi(argv[4]);
    if (threads == 0)
        return static_cast<int>(Work(nullptr));
    std::vector<HANDLE> handles;
    for (int i = 0; i < threads; ++i)
        handles.push_back(
            CreateThread(nullptr, std::strcmp(g_mode, "committed") == 0 ? 4u << 20 : 0,
                         std::strcmp(g_mode, "aligned") == 0 ? AlignedWork : Work,
                         reinterpret_cast<void*>(static_cast<INT_PTR>(i + 1)), 0, nullptr));
    WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), TRUE, INFINITE);
    std::printf("done\n");
    return 0;
}
