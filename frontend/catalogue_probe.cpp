// Prints the script catalogue that tesfront's list would show, one script a line, without
// a window: the emulated Win32 run (tools/test-win32.sh) runs the 32-bit script.dll and the
// info reader through it. Run from a program folder, where it finds script.dll and script\.
#include "common/program_directory.h"
#include "frontend/script_catalog.h"

#include <cstdio>

int main() {
    ComputeProgramDirectory();
    // No list: the catalogue's insertions into a window go nowhere.
    if (!BuildScriptCatalog(nullptr)) {
        std::puts("The catalogue could not be built.");
        return 1;
    }
    for (uint32_t i = 0; i < ScriptCatalog.count; ++i) {
        const ScriptCatalogEntry& entry = ScriptCatalog.entries[i];
        std::printf("%s\t%s\t%s\t%u.%u.%u.%u\n", entry.fileName, entry.name, entry.author,
                    entry.version[0], entry.version[1], entry.version[2], entry.version[3]);
    }
    return 0;
}
