#include "scripthost/script_info.h"

#include "common/program_directory.h"
#include "scripthost/return_info.h"
#include "scripthost/script_engine.h"

#include <cstring>

ScriptInfoRecord ScriptInfo;

namespace {
ScriptRunner g_runner = RunScriptWithReturnInfo;
}

void SetInfoScriptRunner(ScriptRunner runner) {
    g_runner = runner != nullptr ? runner : RunScriptWithReturnInfo;
}

int RunScriptWithReturnInfo(const char* scriptPath) {
    ScriptEngine& engine = *CurrentScriptEngine;
    if (!engine.ReadScriptFile(scriptPath))
        return 0;
    engine.SetUserFunction("ReturnInfo", ReturnInfo);
    while (engine.GetNextLine())
        engine.LineExec();
    return 1;
}

int ReadScriptInfo(const char* scriptPath) {
    ScriptEngine engine;
    CurrentEngineScope current(engine);

    char enginePath[kPathSize];
    if (!FormatBounded(enginePath, sizeof enginePath, "%s\\script.dll", ProgramDirectory))
        return 0;
    if (!engine.Load(enginePath))
        return 0;
    if (!g_runner(scriptPath))
        return 0; // the binding frees the module

    std::strcpy(ScriptInfo.name, "Unknown");
    std::strcpy(ScriptInfo.author, "Unknown");
    ScriptInfo.version[0] = 1;
    ScriptInfo.version[1] = 0;
    ScriptInfo.version[2] = 0;
    ScriptInfo.version[3] = 1;

    engine.DefragElement();
    if (!engine.FunctionExec("Info"))
        return 0;
    engine.DestroyBuffer();
    return 1;
}
