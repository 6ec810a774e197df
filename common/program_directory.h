// The directory of the running executable, without a trailing backslash. script.dll, the
// script folder, tesrun.exe and, by default, the plug-ins are looked for in it.
#pragma once

#include "common/paths.h"

extern char ProgramDirectory[kPathSize];

// Asks the system for the executable's path (room for 259 characters, the last byte of
// the buffer staying NUL) and cuts it at its last backslash.
void ComputeProgramDirectory();
