// The entry of tesrun: banner, argument checks, extension list, plug-ins, script
// description, conversion run, release, pause. Always returns 0.
#pragma once

#include <windows.h>

int RunTesrun(int argc, char** argv);

#if defined(TESSAVEL_TEST_SEAMS)
// Test seam: the wait before the process ends (3000 ms by default, through Sleep).
using PauseFunction = void (*)(DWORD milliseconds);
void SetPauseFunction(PauseFunction pause);
#endif
