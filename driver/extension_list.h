// The accepted input extensions of a run, from the bar-separated command-line argument.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr std::size_t kExtensionSlotSize = 16; // 15 bytes of text and the terminator

struct ExtensionListRecord {
    uint32_t count = 0;
    char (*slots)[kExtensionSlotSize] = nullptr; // count slots, zero-filled past each text
};

extern ExtensionListRecord ExtensionList;

// Walks the bar-separated list. From position, finds the next entry: its start and length.
// Returns the position to continue from, or null when the list has ended (no entry found).
// `last` tells whether this was the final entry (no bar after it).
const char* NextExtension(const char* position, const char** start, std::size_t* length,
                          bool* last);

enum class ExtensionListStatus { Built, EntryTooLong, NoStorage };

// Builds ExtensionList from the argument in two passes: count and check each entry's
// length, then allocate count slots and copy each entry into its slot.
ExtensionListStatus BuildExtensionList(const char* argument);
void FreeExtensionList();
