#include "driver/extension_list.h"

#include "common/allocator.h"
#include "common/dbcs_text.h"

#include <cstring>

ExtensionListRecord ExtensionList;

const char* NextExtension(const char* position, const char** start, std::size_t* length,
                          bool* last) {
    if (*position == '\0')
        return nullptr;
    if (*position == '|')
        ++position; // one bar only: the next one starts an empty entry
    *start = position;
    const char* bar = FindCharacter(position, '|');
    if (bar != nullptr) {
        *length = static_cast<std::size_t>(bar - position);
        *last = false;
        return bar;
    }
    *length = std::strlen(position);
    *last = true;
    return position + *length;
}

namespace {
// Calls visit(start, length) for every entry; stops early when visit returns false.
template <class Visit> bool ForEachExtension(const char* argument, Visit visit) {
    const char* position = argument;
    const char* start = nullptr;
    std::size_t length = 0;
    bool last = false;
    while ((position = NextExtension(position, &start, &length, &last)) != nullptr) {
        if (!visit(start, length))
            return false;
        if (last)
            break;
    }
    return true;
}
} // namespace

ExtensionListStatus BuildExtensionList(const char* argument) {
    uint32_t count = 0;
    const bool lengthsFit = ForEachExtension(argument, [&](const char*, std::size_t length) {
        ++count;
        return length < kExtensionSlotSize;
    });
    if (!lengthsFit)
        return ExtensionListStatus::EntryTooLong;

    auto* slots =
        static_cast<char(*)[kExtensionSlotSize]>(AllocateZeroedStorage(count, kExtensionSlotSize));
    if (slots == nullptr)
        return ExtensionListStatus::NoStorage;
    ExtensionList.count = count;
    ExtensionList.slots = slots;

    uint32_t index = 0;
    ForEachExtension(argument, [&](const char* start, std::size_t length) {
        std::memcpy(slots[index++], start, length); // the zero fill terminates the slot
        return true;
    });
    return ExtensionListStatus::Built;
}

void FreeExtensionList() {
    FreeStorage(ExtensionList.slots);
    ExtensionList.slots = nullptr;
    ExtensionList.count = 0;
}
