// Starting the converter from the dialog's values ("変換開始").
#pragma once

#include <cstddef>

// The two paths a launch composes from the program directory.
struct LaunchPaths {
    char script[260];  // "<program directory>\script\<file name>"
    char program[260]; // "<program directory>\tesrun.exe"
};

// 1 when both paths fit; otherwise 0 and the failing one is empty (the script path is
// composed first).
int ComposeLaunchPaths(LaunchPaths& paths, const char* scriptFileName);

// Checks the dialog's values in order (script selected and valid, source, destination,
// extensions; each refusal an error box and the focus on its control), asks before
// converting a folder into itself, and starts tesrun without waiting for it.
void LaunchConverter();
