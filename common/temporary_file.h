// Writing a file the safe way: the new bytes go to a temporary file in the target's own
// folder, which replaces the target only once every byte is there. A failure on the way
// (a full disk, a refused write) leaves the target exactly as it was and no temporary file.
#pragma once

#include "common/paths.h"

struct TemporaryFile {
    char path[kPathSize] = {};
    bool exists = false; // created and not yet moved into place: deleted on destruction

    TemporaryFile() = default;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() { Discard(); }

    // Creates a new, empty file beside target, named so that its path is never longer than
    // target's: it fits wherever target fits (GetTempFileName needs 14 bytes to spare).
    // False when the folder refuses a new file; GetLastError tells why.
    bool CreateBeside(const char* target);
    // Moves the file onto target, replacing it. False (the file still exists) on failure.
    bool MoveOnto(const char* target);
    void Discard();
};
