// A script's description, as its Info function reports it through ReturnInfo.
#pragma once

#include <cstdint>

struct ScriptInfoRecord {
    char name[1024];
    char author[1024];
    uint32_t version[4];
};

extern ScriptInfoRecord ScriptInfo;

// Reads a script into the current ScriptEngine and runs its top-level lines, with the
// user functions of the program: tesrun registers all ten (RunScript), tesfront only
// ReturnInfo (RunScriptWithReturnInfo, the default). 0 when the script can't be read.
using ScriptRunner = int (*)(const char* scriptPath);
void SetInfoScriptRunner(ScriptRunner runner);
int RunScriptWithReturnInfo(const char* scriptPath);

// Binds an engine of its own from the program directory, runs the script's top-level
// lines, sets the defaults ("Unknown", "Unknown", 1.0.0.1) and calls Info. 1 when the
// engine was loaded, the script read and Info ran; 0 otherwise. A program directory too
// long for the engine path fails like a missing engine.
int ReadScriptInfo(const char* scriptPath);
