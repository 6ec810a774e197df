// Directory searches that never let one file stand in for another. The ANSI search maps
// characters the code page lacks to look-alikes (café.png comes back as cafe.png, which may
// be another file) or to '?'. This search asks for the names in UTF-16 and says which of
// them the code page holds exactly: only those can be opened by their narrow name.
#pragma once

#include "common/owners.h"
#include "common/paths.h"

#include <windows.h>

struct DirectoryEntry {
    // The name as the ANSI search shows it (look-alike characters included): for listing.
    char name[kPathSize] = {};
    // True when name is exactly the file's name, so that a path made of it opens this file.
    bool exact = false;
    // Its attributes (FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_REPARSE_POINT ...).
    unsigned long attributes = 0;
};

class DirectorySearch {
  public:
    // Starts a search for pattern (a narrow path with wildcards). False when nothing can be
    // listed: no such directory, no match, or a pattern the code page cannot widen.
    bool Start(const char* pattern);
    // The next entry (the first one after Start). False when there are no more.
    bool Next(DirectoryEntry& entry);

  private:
    FindOwner search_;
    WIN32_FIND_DATAW found_{};
    bool pending_ = false; // found_ holds an entry not yet handed out
};
