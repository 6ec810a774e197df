// Collects everything tesrun's entry prints while a test runs, and makes the final pause
// free (records it instead of sleeping).
#pragma once

#include "driver/console.h"
#include "driver/tesrun_entry.h"

#include <string>
#include <vector>

struct ConsoleCapture {
    static inline std::string text;
    static inline std::vector<DWORD> pauses;
    ConsoleCapture() {
        text.clear();
        pauses.clear();
        SetConsoleSink([](const char* t) { text += t; });
        SetPauseFunction([](DWORD ms) { pauses.push_back(ms); });
    }
    ~ConsoleCapture() {
        SetConsoleSink(nullptr);
        SetPauseFunction(nullptr);
    }
};

// Runs the entry with the given arguments after the program name.
inline int RunTesrunWith(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    static char program[] = "tesrun.exe";
    argv.push_back(program);
    for (auto& a : arguments)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    return RunTesrun(static_cast<int>(argv.size() - 1), argv.data());
}
