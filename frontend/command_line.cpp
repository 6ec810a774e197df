#include "frontend/command_line.h"

#include "common/bounded_text.h"
#include "common/dbcs_text.h"
#include "common/owners.h"
#include "common/paths.h"
#include "common/program_directory.h"

namespace {
void AppendQuoted(BoundedText<char>& out, const char* value) {
    Append(out, "\"");
    std::size_t backslashes = 0; // the run of backslashes just written
    for (const char* p = value; *p != '\0'; ++p) {
        if (*p == '\\') {
            ++backslashes;
            Append(out, "\\");
        } else if (*p == '"') {
            // The run and the quote are escaped: 2n + 1 backslashes, then the quote.
            AppendRepeated(out, '\\', backslashes + 1);
            Append(out, "\"");
            backslashes = 0;
        } else {
            backslashes = 0;
            // A double-byte character is one unit: its trail byte is never a backslash.
            const std::size_t width =
                IsLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0' ? 2 : 1;
            Append(out, p, width);
            p += width - 1;
        }
    }
    AppendRepeated(out, '\\', backslashes); // before the closing quote, the run counts double
    Append(out, "\"");
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

bool ComposeCommandLine(char* destination, std::size_t size, const char* const* values,
                        std::size_t count) {
    BoundedText<char> out = StartBoundedText(destination, size);
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0)
            Append(out, " ");
        AppendQuoted(out, values[i]);
    }
    return out.fits;
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
