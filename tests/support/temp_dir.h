// A fresh directory for one test, removed with everything in it afterwards.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

inline void RemoveTree(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string child = path + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

struct TempDir {
    std::string path;
    TempDir() {
        char base[MAX_PATH];
        GetTempPathA(MAX_PATH, base);
        // Wine hands out process ids again at once, and a test process that ended may not
        // have removed its folder yet: a name is only taken when the folder is new.
        static unsigned counter = 0;
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        char name[MAX_PATH];
        do
            std::snprintf(name, sizeof name, "%stessavel-%lu-%llx-%u", base, GetCurrentProcessId(),
                          static_cast<unsigned long long>(now.QuadPart), counter++);
        while (!CreateDirectoryA(name, nullptr) && GetLastError() == ERROR_ALREADY_EXISTS);
        path = name;
    }
    ~TempDir() { RemoveTree(path); }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string operator/(const std::string& name) const { return path + "\\" + name; }
};

inline bool WriteFileBytes(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

inline std::string ReadFileBytes(const std::string& path) {
    std::string bytes;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return bytes;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.append(buffer, n);
    std::fclose(f);
    return bytes;
}

// The directory of the running test program (tests/ of the build).
inline std::string TestProgramDirectory() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH - 1);
    std::string p = path;
    return p.substr(0, p.find_last_of('\\'));
}
