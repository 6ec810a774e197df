#include "driver/tesrun_entry.h"

#include "common/dbcs_text.h"
#include "common/program_directory.h"
#include "driver/console.h"
#include "driver/conversion_run.h"
#include "driver/extension_list.h"
#include "pluginhost/plugin_set.h"
#include "scripthost/script_info.h"
#include "scripthost/script_runner.h"

#include <cstring>

namespace {

void SleepFor(DWORD milliseconds) {
    Sleep(milliseconds);
}

#if defined(TESSAVEL_TEST_SEAMS)
PauseFunction g_pause = SleepFor;
#else
constexpr auto g_pause = SleepFor;
#endif

constexpr DWORD kFinalPauseMs = 3000;
constexpr std::size_t kScriptMax = 255;
constexpr std::size_t kDirectoryMax = 247;       // source, destination, the extension list
constexpr std::size_t kPluginDirectoryMax = 259; // its whole working buffer

void PrintUsage() {
    Print("Usage\n");
    Print("\ttesrun script source destination extensions [plugin]\n");
    Print("\tscript\t\tThe path of script.\n");
    Print("\tsource\t\tThe path of directory source images are in.\n");
    Print("\tdestination\tThe path of destination directory.\n");
    Print("\textensions\tThe extensions of available images.\n");
    Print("\t\t\tIt contains extensions separated by '|' without '.'.\n");
    Print("\tplugin\t\tThe path of directory plugins are in.\n");
    Print("\t\t\tThe default is what this program is in.\n");
    Print("\t\t\tIf you do not need them, type \"null\".\n");
}

bool IsNoPlugins(const char* directory) {
    return CompareIgnoringCase(directory, "null") == 0;
}

void ListLoadedPlugins() {
    char scratch[kPathSize];
    for (int32_t i = 0; i < PluginSet.count; ++i) {
        if (PluginSet.modules[i] == nullptr)
            continue;
        scratch[0] = '\0';
        GetModuleFileNameA(PluginSet.modules[i], scratch, kPathSize - 1);
        scratch[kPathSize - 1] = '\0';
        if (const char* slash = FindLastCharacter(scratch, '\\'))
            Print("Loaded Susie Plug-in\t%s\n", slash + 1);
    }
}

} // namespace

#if defined(TESSAVEL_TEST_SEAMS)
void SetPauseFunction(PauseFunction pause) {
    g_pause = pause != nullptr ? pause : SleepFor;
}
#endif

// Every text printed here is tesrun's fixed output, which front-ends and users' batch files
// match: "comammd-line", "Pluins" and "Unexcepted" are spelled so on purpose. Do not correct.
int RunTesrun(int argc, char** argv) {
    Print("Tessavel comammd-line tool Version 1.1\n");
    if (argc - 1 < 4) {
        Print("Invalid parameter.\n");
        PrintUsage();
        return 0;
    }
    const char* pluginArgument = argc - 1 >= 5 ? argv[5] : nullptr;
    if (std::strlen(argv[1]) > kScriptMax || std::strlen(argv[2]) > kDirectoryMax ||
        std::strlen(argv[3]) > kDirectoryMax || std::strlen(argv[4]) > kDirectoryMax ||
        (pluginArgument != nullptr && std::strlen(pluginArgument) > kPluginDirectoryMax)) {
        Print("Path too long.\n");
        return 0;
    }

    char scriptPath[kPathSize];
    char sourceDirectory[kPathSize];
    char destinationDirectory[kPathSize];
    char pluginDirectory[kPathSize];
    CopyBounded(scriptPath, sizeof scriptPath, argv[1]);
    CopyBounded(sourceDirectory, sizeof sourceDirectory, argv[2]);
    CopyBounded(destinationDirectory, sizeof destinationDirectory, argv[3]);

    switch (BuildExtensionList(argv[4])) {
    case ExtensionListStatus::EntryTooLong:
        Print("Extension too long.\n");
        return 0;
    case ExtensionListStatus::NoStorage:
        Print("Memory error.\n");
        return 0;
    case ExtensionListStatus::Built:
        break;
    }

    ComputeProgramDirectory();
    CopyBounded(pluginDirectory, sizeof pluginDirectory,
                pluginArgument != nullptr ? pluginArgument : ProgramDirectory);

    const bool usePlugins = !IsNoPlugins(pluginDirectory);
    if (usePlugins) {
        Print("Searching for Plugins.\n");
        LoadPlugins(pluginDirectory);
    } else {
        Print("Ignored Pluins.\n");
    }
    ListLoadedPlugins();

    if (ReadScriptInfo(scriptPath, RunScript)) { // tesrun's scripts see all ten user functions
        Print("Script Info\nName\t%s\nAuthor\t%s\nVersion\t%u.%u.%u.%u\n", ScriptInfo.name,
              ScriptInfo.author, ScriptInfo.version[0], ScriptInfo.version[1],
              ScriptInfo.version[2], ScriptInfo.version[3]);
    } else {
        Print("No Script Info exists.\n");
    }

    if (RunConversion(scriptPath, sourceDirectory, destinationDirectory))
        Print("Finished.\n");
    else
        Print("Unexcepted error.\n");

    if (usePlugins)
        UnloadPlugins();
    FreeExtensionList();
    g_pause(kFinalPauseMs);
    return 0;
}
