// The accepted files of the source folder, in the order the run converts them: the folder's
// entries as the file system gives them, and with IncludeSubfolders each subfolder's files
// where the subfolder comes, depth first. Symbolic links and junctions (reparse points) are
// not followed.
#pragma once

#include "common/directory_search.h"

#include <cstdint>

// A file of the run: its name relative to the source folder ("2024\trip\a.jpg" in a
// subfolder), as the listing shows it.
struct NameSlot : DirectoryEntry {
    // The name with its folders is longer than 259 bytes: name holds the file's own name,
    // and the image fails.
    bool tooLong = false;
};

// Counts the accepted files; false when the source folder can't be searched.
bool CountSourceFiles(const char* sourceDirectory, uint32_t& count);

// Collects up to capacity accepted files in the run's order; how many. A subfolder that
// cannot be searched by its name is said on standard error, once, here.
uint32_t CollectSourceFiles(const char* sourceDirectory, NameSlot* names, uint32_t capacity);
