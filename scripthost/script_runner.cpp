#include "scripthost/script_runner.h"

// The user functions have not landed yet: no script can be run for a conversion.
int32_t RunScript(const char*) { return 0; }
int32_t CallScriptFunction(const char*, const ScriptElement*, uint32_t) { return 0; }
