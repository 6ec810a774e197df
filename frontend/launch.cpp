#include "frontend/launch.h"

#include "common/dbcs_text.h"
#include "common/owners.h"
#include "common/paths.h"
#include "common/program_directory.h"
#include "frontend/command_line.h"
#include "frontend/frontend_state.h"
#include "frontend/message_boxes.h"
#include "frontend/resource_ids.h"
#include "frontend/script_catalog.h"
#include "frontend/ui_texts.h"

namespace {
constexpr std::size_t kExtensionsSize = 512;

struct DialogValues {
    char source[kPathSize];
    char destination[kPathSize];
    char extensions[kExtensionsSize];
    char plugins[kPathSize];
};

void ReadDialogValues(DialogValues& values) {
    GetDlgItemTextA(FrontEndDialog, IDC_SOURCE_FOLDER, values.source, sizeof values.source);
    GetDlgItemTextA(FrontEndDialog, IDC_DESTINATION_FOLDER, values.destination,
                    sizeof values.destination);
    GetDlgItemTextA(FrontEndDialog, IDC_EXTENSIONS, values.extensions, sizeof values.extensions);
    GetDlgItemTextA(FrontEndDialog, IDC_PLUGIN_FOLDER, values.plugins, sizeof values.plugins);
}

void Refuse(const wchar_t* text, int focusId) {
    ShowError(text);
    FocusControl(focusId);
}

void StartConverter(const char* programPath, char* commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.wShowWindow = SW_SHOW; // no STARTF_USESHOWWINDOW: the value is not applied
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(programPath, commandLine, nullptr, nullptr, FALSE, 0, nullptr,
                        ProgramDirectory, &startup, &process))
        return; // a failed start is not reported
    KernelHandleOwner processHandle(process.hProcess);
    KernelHandleOwner threadHandle(process.hThread);
}
} // namespace

int ComposeLaunchPaths(LaunchPaths& paths, const char* scriptFileName) {
    paths.program[0] = '\0';
    if (!FormatBounded(paths.script, sizeof paths.script, "%s\\script\\%s", ProgramDirectory,
                       scriptFileName))
        return 0;
    return FormatBounded(paths.program, sizeof paths.program, "%s\\tesrun.exe", ProgramDirectory)
               ? 1
               : 0;
}

void LaunchConverter() {
    const ScriptCatalogEntry* entry = SelectedCatalogEntry();
    if (entry == nullptr)
        return Refuse(ui::kSelectScript, IDC_SCRIPT_LIST);
    if (entry->fileName[0] == '\0')
        return Refuse(ui::kInvalidScript, IDC_SCRIPT_LIST);

    LaunchPaths paths;
    const int pathsFit = ComposeLaunchPaths(paths, entry->fileName);
    if (!pathsFit && paths.script[0] == '\0')
        return Refuse(ui::kScriptPathTooLong, IDC_SCRIPT_LIST);
    if (!pathsFit)
        return ShowError(ui::kProgramPathTooLong);

    DialogValues values;
    ReadDialogValues(values);
    if (values.source[0] == '\0')
        return Refuse(ui::kNoSourceFolder, IDC_SOURCE_FOLDER);
    if (values.destination[0] == '\0')
        return Refuse(ui::kNoDestinationFolder, IDC_DESTINATION_FOLDER);
    if (values.extensions[0] == '\0')
        return Refuse(ui::kNoExtensions, IDC_EXTENSIONS);
    // Compared as typed: another spelling of the same folder is not noticed.
    if (CompareIgnoringCase(values.source, values.destination) == 0 &&
        MessageBoxW(FrontEndDialog, ui::kSameFolder, ui::kConfirmCaption, MB_OKCANCEL) != IDOK)
        return;

    const char* arguments[] = {paths.program, paths.script, values.source,
                               values.destination, values.extensions, values.plugins};
    const std::size_t count = values.plugins[0] != '\0' ? 6 : 5;
    char commandLine[kCommandLineSize];
    if (!ComposeCommandLine(commandLine, sizeof commandLine, arguments, count))
        return; // cannot happen with values of these lengths
    StartConverter(paths.program, commandLine);
}
