#include "error.h"

#include "state.h"

#include <cstdio>

namespace script {

namespace {
std::FILE* errorOutput = stderr;
ErrorHandler errorHandler = nullptr; // the host's, when it takes the messages itself
} // namespace

std::string TextTooLong() {
    return "text too long (more than " + std::to_string(kMaxTextBytes) + " bytes)";
}

void Report(ErrorCode code, const char* file, int line, const char* message) noexcept {
    EngineState& e = Engine();
    e.errorCode = code;
    if (line > 0)
        std::snprintf(e.errorMessage, sizeof e.errorMessage, "%s:%d: %s", file, line, message);
    else
        std::snprintf(e.errorMessage, sizeof e.errorMessage, "%s: %s", file, message);
    if (errorHandler != nullptr) {
        errorHandler(e.errorMessage);
    } else if (errorOutput != nullptr) {
        std::fprintf(errorOutput, "%s\n", e.errorMessage);
        std::fflush(errorOutput);
    }
}

int32_t SetErrorHandler(ErrorHandler handler) {
    errorHandler = handler;
    return 1;
}

#ifdef TESSAVEL_TEST_HOOKS
void SetErrorOutput(std::FILE* stream) {
    errorOutput = stream;
}
#endif

} // namespace script
