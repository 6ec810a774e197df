#include "common/directory_search.h"

#include <cwchar>

namespace {

// True when the narrow name converts back to exactly the wide one.
bool WidensBackTo(const char* narrow, const WCHAR* wide) {
    WCHAR back[kPathSize];
    if (MultiByteToWideChar(CP_ACP, 0, narrow, -1, back, static_cast<int>(kPathSize)) == 0)
        return false;
    return std::wcscmp(back, wide) == 0;
}

// The wide name in the ANSI code page, as FindFirstFileA would show it; exact is false
// when a character has no exact counterpart or the name does not fit.
void NarrowName(const WCHAR* wide, DirectoryEntry& entry) {
    entry.name[0] = '\0';
    entry.exact = false;
    BOOL substituted = FALSE;
    const int strict = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, entry.name,
                                           static_cast<int>(kPathSize), nullptr, &substituted);
    if (strict != 0 && !substituted && WidensBackTo(entry.name, wide)) {
        entry.exact = true;
        return;
    }
    // For the listing: the look-alike form the ANSI search would have returned.
    if (WideCharToMultiByte(CP_ACP, 0, wide, -1, entry.name, static_cast<int>(kPathSize), nullptr,
                            nullptr) == 0)
        entry.name[0] = '\0';
    entry.name[kPathSize - 1] = '\0';
}

} // namespace

bool DirectorySearch::Start(const char* pattern) {
    search_.reset();
    pending_ = false;
    WCHAR widePattern[kPathSize];
    if (MultiByteToWideChar(CP_ACP, 0, pattern, -1, widePattern, static_cast<int>(kPathSize)) == 0)
        return false;
    search_.reset(FindFirstFileW(widePattern, &found_));
    pending_ = static_cast<bool>(search_);
    return pending_;
}

bool DirectorySearch::Next(DirectoryEntry& entry) {
    if (!pending_) {
        if (!search_ || !FindNextFileW(search_.get(), &found_))
            return false;
    }
    pending_ = false;
    NarrowName(found_.cFileName, entry);
    entry.attributes = found_.dwFileAttributes;
    return true;
}
