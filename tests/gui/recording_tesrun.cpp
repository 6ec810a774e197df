// Stands in for tesrun.exe in the GUI tests: records how it was started, in
// "<its folder>\launches\<process id>.txt", then waits (at most 30 s) until the test creates
// "<its folder>\launches\release", so that a test can see several converters running
// side by side. The record: the command line, the current directory, then one argument
// (as the C runtime parsed it) per line.
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH - 1);
    std::string folder = exe;
    folder = folder.substr(0, folder.find_last_of('\\')) + "\\launches";
    CreateDirectoryA(folder.c_str(), nullptr);

    char current[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, current);
    std::string record = std::string(GetCommandLineA()) + "\n" + current + "\n";
    for (int i = 1; i < argc; ++i)
        record += std::string(argv[i]) + "\n";

    // Written under another name first, so that a reader never sees half a record.
    const std::string name = folder + "\\" + std::to_string(GetCurrentProcessId());
    FILE* f = std::fopen((name + ".tmp").c_str(), "wb");
    if (f == nullptr)
        return 1;
    std::fwrite(record.data(), 1, record.size(), f);
    std::fclose(f);
    MoveFileA((name + ".tmp").c_str(), (name + ".txt").c_str());

    const std::string release = folder + "\\release";
    for (int i = 0; i < 600 && GetFileAttributesA(release.c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(50);
    return 0;
}
