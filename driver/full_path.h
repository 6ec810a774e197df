// Full paths, for telling whether two paths of a run name the same file as Windows does.
#pragma once

#include "common/paths.h"

// The full path Windows makes of path (GetFullPathNameA); empty when it cannot be made or
// does not fit.
void MakeFullPath(const char* path, char (&full)[kPathSize]);

// Whether two full paths are the same but for the case of letters; an empty one is never
// the same as another.
bool SameFullPath(const char* a, const char* b);
