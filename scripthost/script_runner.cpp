#include "scripthost/script_runner.h"

#include "scripthost/script_engine.h"
#include "scripthost/user_functions.h"

int32_t RunScript(const char* scriptPath) {
    ScriptEngine& engine = *CurrentScriptEngine;
    if (!engine.ReadScriptFile(scriptPath))
        return 0;
    for (const NamedUserFunction& entry : UserFunctions)
        engine.SetUserFunction(entry.name, entry.function);
    // A failing line does not stop the script's other top-level lines.
    while (engine.GetNextLine())
        engine.LineExec();
    return 1;
}

int32_t CallScriptFunction(const char* name, const ScriptElement* arguments, uint32_t count) {
    ScriptEngine& engine = *CurrentScriptEngine;
    if (arguments != nullptr) {
        if (count > SCRIPT_ARGUMENT_COUNT)
            return 0; // the engine has no element for a seventeenth argument
        ScriptElement* stack = engine.GetStackElement();
        if (stack == nullptr)
            return 0;
        for (uint32_t i = 0; i < count; ++i) {
            const ScriptElement& argument = arguments[i];
            const void* source = argument.type == SCRIPT_STRING
                                     ? static_cast<const void*>(argument.value.text)
                                     : static_cast<const void*>(&argument.value);
            engine.EncodeElement(&stack[i], source, argument.type);
        }
    }
    engine.DefragElement();
    return engine.FunctionExec(name);
}
