#include "common/program_directory.h"

#include <windows.h>

char ProgramDirectory[kPathSize];

void ComputeProgramDirectory() {
    char path[kPathSize] = {};
    GetModuleFileNameA(nullptr, path, kPathSize - 1);
    DirectoryOfPath(ProgramDirectory, kPathSize, path);
}
