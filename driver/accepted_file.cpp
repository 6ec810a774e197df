#include "driver/accepted_file.h"

#include "common/dbcs_text.h"
#include "driver/extension_list.h"

bool IsAcceptedFile(const char* name) {
    const char* dot = FindLastCharacter(name, '.');
    if (dot == nullptr)
        return false;
    for (uint32_t i = 0; i < ExtensionList.count; ++i) {
        if (CompareIgnoringCase(dot + 1, ExtensionList.slots[i]) == 0)
            return true;
    }
    return false;
}
