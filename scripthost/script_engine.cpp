#include "scripthost/script_engine.h"

ScriptEngine* CurrentScriptEngine = nullptr;

namespace {
// GetProcAddress gives a generic function address; the cast through void(*)() is the
// sanctioned way to give it its real type.
template <class Proc> void Bind(HMODULE module, const char* name, Proc& entry) {
    entry = reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}
} // namespace

int ScriptEngine::Load(const char* path) {
    Unload();
    module = LoadLibraryA(path);
    if (module == nullptr)
        return 0;
    Bind(module, "ResetErrorState", ResetErrorState);
    Bind(module, "GetErrorState", GetErrorState);
    Bind(module, "CreateScript", CreateScript);
    Bind(module, "CreateScriptFromMemory", CreateScriptFromMemory);
    Bind(module, "SelectScript", SelectScript);
    Bind(module, "ReleaseScript", ReleaseScript);
    Bind(module, "ReadScriptFile", ReadScriptFile);
    Bind(module, "ReadScriptFileFromMemory", ReadScriptFileFromMemory);
    Bind(module, "DestroyBuffer", DestroyBuffer);
    Bind(module, "GetElement", GetElement);
    Bind(module, "SetUserFunction", SetUserFunction);
    Bind(module, "GetNextLine", GetNextLine);
    Bind(module, "SkipLine", SkipLine);
    Bind(module, "GetStackElement", GetStackElement);
    Bind(module, "LineExec", LineExec);
    Bind(module, "FunctionExec", FunctionExec);
    Bind(module, "DefragElement", DefragElement);
    Bind(module, "DecodeElement", DecodeElement);
    Bind(module, "EncodeElement", EncodeElement);
    Bind(module, "ClearElement", ClearElement);
    Bind(module, "ReturnElement", ReturnElement);
    Bind(module, "SetErrorHandler", SetErrorHandler);
    return 1;
}

void ScriptEngine::Unload() {
    if (module != nullptr)
        FreeLibrary(module);
    static_cast<ScriptEngineEntries&>(*this) = ScriptEngineEntries{};
}
