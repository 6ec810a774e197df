// Starting tesrun: the paths a launch composes from the program directory, the command
// line with which tesfront starts it, and the start itself.
#pragma once

#include "common/paths.h"

#include <cstddef>

// The two paths a launch composes from the program directory.
struct LaunchPaths {
    char script[kPathSize];  // "<program directory>\script\<file name>"
    char program[kPathSize]; // "<program directory>\tesrun.exe"
};

// 1 when both paths fit; otherwise 0 and the failing one is empty (the script path is
// composed first).
int ComposeLaunchPaths(LaunchPaths& paths, const char* scriptFileName);

// Room for six values of the lengths the dialog reads, even when every byte of each must
// be escaped.
constexpr std::size_t kCommandLineSize = 4096;

// Puts each value between double quotes, separated by one space, so that the program's
// argument parser gives back exactly the value's text: backslashes that precede a double
// quote (the closing one included) are doubled and a double quote inside a value is
// escaped. A value that ends in a backslash, such as the drive root "D:\", therefore
// keeps its backslash and does not swallow the next argument. A 0x5C byte that is the
// second byte of a double-byte character is no backslash. False (and an empty
// destination) when the text does not fit in size bytes.
bool ComposeCommandLine(char* destination, std::size_t size, const char* const* values,
                        std::size_t count);

// Starts programPath with commandLine as a process of its own, in the program directory,
// and does not wait for it; a failed start is not reported.
void StartConverter(const char* programPath, char* commandLine);
