#include "driver/source_tree.h"

#include "common/paths.h"
#include "driver/accepted_file.h"
#include "driver/console.h"
#include "scripthost/conversion_settings.h"

#include <windows.h>

#include <cstring>

namespace {

// What a walk does with the accepted files it meets.
struct Walk {
    NameSlot* names = nullptr; // null: only count
    uint32_t capacity = 0;
    uint32_t found = 0;
};

bool IsDotEntry(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

// One accepted file, its name made relative to the source.
void Take(Walk& walk, const char* folder, const DirectoryEntry& entry) {
    if (walk.names != nullptr) {
        if (walk.found >= walk.capacity)
            return;
        NameSlot& slot = walk.names[walk.found];
        static_cast<DirectoryEntry&>(slot) = entry;
        slot.tooLong = false;
        if (folder[0] != '\0' && !JoinPath(slot.name, sizeof slot.name, folder, entry.name)) {
            std::memcpy(slot.name, entry.name, sizeof slot.name);
            slot.tooLong = true;
        }
    }
    ++walk.found;
}

// The entries of folder (relative to the source; empty for the source itself) in the order
// the search gives them. False when folder can't be searched.
bool WalkFolder(Walk& walk, const char* sourceDirectory, const char* folder) {
    char pattern[kPathSize];
    const bool formed =
        folder[0] == '\0'
            ? FormatBounded(pattern, sizeof pattern, "%s\\*.*", sourceDirectory)
            : FormatBounded(pattern, sizeof pattern, "%s\\%s\\*.*", sourceDirectory, folder);
    DirectorySearch search;
    if (!formed || !search.Start(pattern))
        return false;
    DirectoryEntry entry;
    while (search.Next(entry) && (walk.names == nullptr || walk.found < walk.capacity)) {
        const bool isFolder = (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (!IncludeSubfolders || !isFolder) {
            if (IsAcceptedFile(entry.name))
                Take(walk, folder, entry);
            continue;
        }
        // Links and junctions may lead anywhere, even back up the tree: never followed.
        if (IsDotEntry(entry.name) || (entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
            continue;
        const bool reporting = walk.names != nullptr;
        char below[kPathSize];
        if (!entry.exact) {
            if (reporting)
                ReportFailure(entry.name, "the folder name cannot be written in the system's code "
                                          "page; not searched");
            continue;
        }
        char childPattern[kPathSize];
        const bool fits =
            (folder[0] == '\0' ? CopyBounded(below, sizeof below, entry.name)
                               : JoinPath(below, sizeof below, folder, entry.name)) &&
            FormatBounded(childPattern, sizeof childPattern, "%s\\%s\\*.*", sourceDirectory, below);
        if (!fits) {
            if (reporting)
                ReportFailure(entry.name,
                              "the folder's path is longer than 255 bytes; not searched");
        } else if (!WalkFolder(walk, sourceDirectory, below) && reporting) {
            // Even an empty folder lists its own "." entry.
            ReportFailure(below, "the folder cannot be searched");
        }
    }
    return true;
}

} // namespace

bool CountSourceFiles(const char* sourceDirectory, uint32_t& count) {
    Walk walk;
    const bool searched = WalkFolder(walk, sourceDirectory, "");
    count = walk.found;
    return searched;
}

uint32_t CollectSourceFiles(const char* sourceDirectory, NameSlot* names, uint32_t capacity) {
    Walk walk;
    walk.names = names;
    walk.capacity = capacity;
    WalkFolder(walk, sourceDirectory, "");
    return walk.found;
}
