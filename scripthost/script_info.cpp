#include "scripthost/script_info.h"

#include "common/program_directory.h"
#include "scripthost/element_text.h"
#include "scripthost/script_engine.h"

#include <cstring>

ScriptInfoRecord ScriptInfo;

namespace {
bool TextFits(const ScriptElement& element, std::size_t size) {
    return element.type != SCRIPT_STRING || element.value.text == nullptr ||
           std::strlen(element.value.text) < size;
}
} // namespace

int32_t SCRIPTAPI ReturnInfo(ScriptElement* arguments) {
    ScriptEngine& engine = *CurrentScriptEngine;
    // Both texts are measured before either field changes.
    if (!TextFits(arguments[0], sizeof ScriptInfo.name) ||
        !TextFits(arguments[1], sizeof ScriptInfo.author))
        return 0;
    ScriptInfo.name[0] = '\0';
    DecodeTextBounded(&arguments[0], ScriptInfo.name, sizeof ScriptInfo.name);
    ScriptInfo.author[0] = '\0';
    DecodeTextBounded(&arguments[1], ScriptInfo.author, sizeof ScriptInfo.author);
    int32_t result = 0;
    for (int i = 0; i < 4; ++i)
        result = engine.DecodeElement(&ScriptInfo.version[i], SCRIPT_INTEGER, &arguments[2 + i]);
    return result;
}

// The run-wide settings a script's top-level lines may ask for (SetAutoOrient,
// SetKeepMetadata, SetConvertToSrgb, SetDrawFilter, SetSkipExisting, SetIncludeSubfolders,
// SetEncodeEffort) mean nothing while only its description is read: accepted, ignored.
namespace {
int32_t SCRIPTAPI IgnoredRunSetting(ScriptElement*) {
    int32_t taken = 1;
    return CurrentScriptEngine->ReturnElement(&taken, SCRIPT_INTEGER);
}
} // namespace

int RunScriptWithReturnInfo(const char* scriptPath) {
    ScriptEngine& engine = *CurrentScriptEngine;
    if (!engine.ReadScriptFile(scriptPath))
        return 0;
    engine.SetUserFunction("ReturnInfo", ReturnInfo);
    engine.SetUserFunction("SetAutoOrient", IgnoredRunSetting);
    engine.SetUserFunction("SetKeepMetadata", IgnoredRunSetting);
    engine.SetUserFunction("SetConvertToSrgb", IgnoredRunSetting);
    engine.SetUserFunction("SetDrawFilter", IgnoredRunSetting);
    engine.SetUserFunction("SetSkipExisting", IgnoredRunSetting);
    engine.SetUserFunction("SetIncludeSubfolders", IgnoredRunSetting);
    engine.SetUserFunction("SetEncodeEffort", IgnoredRunSetting);
    engine.SetUserFunction("SetPngCompression", IgnoredRunSetting);
    while (engine.GetNextLine())
        engine.LineExec();
    return 1;
}

int ReadScriptInfo(const char* scriptPath, ScriptRunner runner) {
    ScriptEngine engine;
    CurrentEngineScope current(engine);

    char enginePath[kPathSize];
    if (!FormatBounded(enginePath, sizeof enginePath, "%s\\script.dll", ProgramDirectory))
        return 0;
    if (!engine.Load(enginePath))
        return 0;
    if (!runner(scriptPath))
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
