// The binding of script.dll: its module and its 21 entry points, bound by name.
#pragma once

#include "script_api.h"

#include <windows.h>

// The module handle and the entry points, in their binding order (GetStackElement is bound
// after SkipLine), then the optional one. A plain record: all null when nothing is bound.
struct ScriptEngineEntries {
    HMODULE module = nullptr;
    ResetErrorStateProc ResetErrorState = nullptr;
    GetErrorStateProc GetErrorState = nullptr;
    CreateScriptProc CreateScript = nullptr;
    CreateScriptFromMemoryProc CreateScriptFromMemory = nullptr;
    SelectScriptProc SelectScript = nullptr;
    ReleaseScriptProc ReleaseScript = nullptr;
    ReadScriptFileProc ReadScriptFile = nullptr;
    ReadScriptFileFromMemoryProc ReadScriptFileFromMemory = nullptr;
    DestroyBufferProc DestroyBuffer = nullptr;
    GetElementProc GetElement = nullptr;
    GetStackElementProc GetStackElement = nullptr;
    SetUserFunctionProc SetUserFunction = nullptr;
    GetNextLineProc GetNextLine = nullptr;
    SkipLineProc SkipLine = nullptr;
    LineExecProc LineExec = nullptr;
    FunctionExecProc FunctionExec = nullptr;
    DefragElementProc DefragElement = nullptr;
    DecodeElementProc DecodeElement = nullptr;
    EncodeElementProc EncodeElement = nullptr;
    ClearElementProc ClearElement = nullptr;
    ReturnElementProc ReturnElement = nullptr;
    SetErrorHandlerProc SetErrorHandler = nullptr; // optional: an engine may lack it
};

// The binding: a zeroed local of the routine that uses the engine, which owns the module.
struct ScriptEngine : ScriptEngineEntries {
    ScriptEngine() = default;
    ScriptEngine(const ScriptEngine&) = delete;
    ScriptEngine& operator=(const ScriptEngine&) = delete;
    // The module is freed on every way out of the routine that owns the binding.
    ~ScriptEngine() { Unload(); }

    // Loads the module and binds every entry point by name; a missing export stays null.
    // 0 only when the module can't be loaded.
    int Load(const char* path);
    // Frees the module if one is loaded and empties every entry.
    void Unload();
};

// The binding in use: the routine that owns a binding points this at it before anything
// else, and the user functions reach the engine through it.
extern ScriptEngine* CurrentScriptEngine;

// Points CurrentScriptEngine at a binding for as long as the scope that owns the binding
// runs, so that it never refers to a binding that no longer exists.
struct CurrentEngineScope {
    explicit CurrentEngineScope(ScriptEngine& engine) { CurrentScriptEngine = &engine; }
    ~CurrentEngineScope() { CurrentScriptEngine = nullptr; }
    CurrentEngineScope(const CurrentEngineScope&) = delete;
    CurrentEngineScope& operator=(const CurrentEngineScope&) = delete;
};
