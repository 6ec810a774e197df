// The conversion run of tesrun: binds the engine, runs the script, converts every accepted
// file of the source directory.
#pragma once

// Nonzero when the run completed, 0 when it failed.
int RunConversion(const char* scriptPath, const char* sourceDirectory,
                  const char* destinationDirectory);
