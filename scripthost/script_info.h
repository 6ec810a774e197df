// A script's description, as its Info function reports it through ReturnInfo.
#pragma once

#include "script_api.h"

#include <cstdint>

struct ScriptInfoRecord {
    char name[1024];
    char author[1024];
    uint32_t version[4];
};

extern ScriptInfoRecord ScriptInfo;

// ReturnInfo, the user function through which a script's Info reports its description.
// Arguments: text name, text author, four integers. ScriptInfo's name and author are
// emptied and receive the texts, its version the four integers. A name or author longer
// than 1023 bytes is refused: nothing changes and the call fails (0).
int32_t SCRIPTAPI ReturnInfo(ScriptElement* arguments);

// Reads a script into the current ScriptEngine and runs its top-level lines, with the
// user functions of the program: tesrun registers all ten (RunScript), tesfront only
// ReturnInfo (RunScriptWithReturnInfo). 0 when the script can't be read.
using ScriptRunner = int (*)(const char* scriptPath);
int RunScriptWithReturnInfo(const char* scriptPath);

// Binds an engine of its own from the program directory, reads and runs the script's
// top-level lines with runner, sets the defaults ("Unknown", "Unknown", 1.0.0.1) and calls
// Info. 1 when the engine was loaded, the script read and Info ran; 0 otherwise. A program
// directory too long for the engine path fails like a missing engine.
int ReadScriptInfo(const char* scriptPath, ScriptRunner runner);
