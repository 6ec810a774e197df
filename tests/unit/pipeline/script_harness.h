// Runs a test script in the real engine (script.dll beside the test program) with the ten
// user functions and one more, Report, through which the script hands values to the test.
#pragma once

#include "scripthost/script_engine.h"
#include "scripthost/script_runner.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

struct ScriptHarness {
    static inline std::vector<std::string> reports;

    TempDir folder;
    ScriptEngine engine;
    CurrentEngineScope current{engine};

    static int32_t SCRIPTAPI Report(ScriptElement* arguments) {
        char text[4096] = {};
        if (arguments[0].type == SCRIPT_STRING && std::strlen(arguments[0].value.text) >= 4096)
            return 0;
        CurrentScriptEngine->DecodeElement(text, SCRIPT_STRING, &arguments[0]);
        reports.push_back(text);
        return 1;
    }

    // Reads the script text (its top-level lines run) and registers Report.
    bool Load(const std::string& source) {
        reports.clear();
        const std::string path = folder / "test.txt";
        if (!WriteFileBytes(path, source))
            return false;
        if (!engine.Load((TestProgramDirectory() + "\\script.dll").c_str()))
            return false;
        if (!RunScript(path.c_str()))
            return false;
        engine.SetUserFunction("Report", Report);
        return true;
    }

    int32_t Call(const char* function) { return CallScriptFunction(function, nullptr, 0); }
};
