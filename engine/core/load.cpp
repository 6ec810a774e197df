#include "load.h"

#include "error.h"
#include "parser.h"
#include "state.h"

#include <cstdio>

namespace script {

namespace {

// The file's bytes, or false when it can't be opened or read. Reading stops past
// kMaxSourceBytes: more is too large anyway.
bool ReadWholeFile(const char* path, std::string& source) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr)
        return false;
    char buffer[4096];
    std::size_t got = 0;
    bool failed = false;
    try {
        while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
            source.append(buffer, got);
            if (source.size() > kMaxSourceBytes)
                break;
        }
        failed = std::ferror(file) != 0;
    } catch (...) {
        std::fclose(file);
        throw;
    }
    std::fclose(file);
    return !failed;
}

} // namespace

int32_t LoadSource(std::string fileName, std::string_view source) {
    ScriptState& s = SelectedScript();
    EmptyScript(s);
    s.fileName = std::move(fileName);
    if (source.size() > kMaxSourceBytes) {
        Report(
            kFileError, s.fileName.c_str(), 0,
            ("script too large (more than " + std::to_string(kMaxSourceBytes) + " bytes)").c_str());
        return 0;
    }
    try {
        s.program = std::make_shared<const Program>(ParseProgram(source));
    } catch (const ScriptError& error) {
        Report(error.code, s.fileName.c_str(), error.line, error.message.c_str());
        return 0;
    }
    return 1;
}

int32_t LoadFile(const char* path) {
    std::string source;
    if (!ReadWholeFile(path, source)) {
        ScriptState& s = SelectedScript();
        EmptyScript(s);
        s.fileName = path;
        Report(kFileError, path, 0, "cannot read the script file");
        return 0;
    }
    return LoadSource(path, source);
}

} // namespace script
