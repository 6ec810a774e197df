// The one rule for "the same file" in a run: full paths (GetFullPathNameA) compared after
// folding them as Windows folds file names, every letter of every script, not only A-Z
// (CharUpperBuffW over the UTF-16 form). Decoding ahead, saving behind and the written-files
// filter all keep files apart by it.
#pragma once

#include "common/paths.h"

#include <cstdint>

// The full path Windows makes of path; empty when it cannot be made or does not fit.
void MakeFullPath(const char* path, char (&full)[kPathSize]);

// Whether two full paths name the same file; an empty one is never the same as another.
bool SameFullPath(const char* a, const char* b);

// A hash of the folded full path, equal for any two SameFullPath names; 0 when the path is
// empty or cannot be folded.
uint64_t FullPathHash(const char* full);
