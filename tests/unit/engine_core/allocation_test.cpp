// Storage running out at every single allocation of a run: each entry point fails with
// "out of memory" (or succeeds), nothing crashes and nothing leaks.
#include "run_script.h"
#include "support/host_do_subroutine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <new>

namespace {
long allocationsUntilFailure = 0; // 0: never fail
} // namespace

// The test program's allocator: malloc, with the planned failure.
void* operator new(std::size_t size) {
    if (allocationsUntilFailure > 0 && --allocationsUntilFailure == 0)
        throw std::bad_alloc();
    if (void* p = std::malloc(size != 0 ? size : 1))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

int32_t Echo(ScriptElement* arguments) {
    return script::ReturnElement(arguments[0].value.text, SCRIPT_STRING);
}

TEST(AllocationFailure, EveryAllocationMayFailWithoutACrash) {
    const char source[] =
        "total = 0\n"
        "function Main(w, name) { total = total + w; t = Echo(name + \"!\")\n"
        "  DoSubroutine(\"Sub\", t, 2); return total }\n"
        "function Sub(text, n) { for i = 1 to n { text = text + str(i) }; return text }\n"
        "x = Main(1, \"a\")\n";
    script::SetErrorOutput(nullptr);
    int failures = 0;
    for (long n = 1; n < 100000; ++n) {
        script::ResetEngine();
        script::SetErrorOutput(nullptr);
        allocationsUntilFailure = n;
        bool failed = false;
        failed |= script::SetUserFunction("Echo", Echo) == 0;
        failed |= script::SetUserFunction("DoSubroutine", HostDoSubroutine) == 0;
        if (script::ReadScriptFileFromMemory(source, sizeof source - 1) == 0) {
            failed = true;
        } else {
            while (script::GetNextLine() != 0)
                failed |= script::LineExec() == 0;
            ScriptElement* arguments = script::GetStackElement();
            const int32_t w = 5;
            if (arguments != nullptr) {
                failed |= script::EncodeElement(&arguments[0], &w, SCRIPT_INTEGER) == 0;
                failed |= script::EncodeElement(&arguments[1], "name", SCRIPT_STRING) == 0;
            }
            failed |= script::FunctionExec("Main") == 0;
        }
        const bool reached = allocationsUntilFailure == 0;
        allocationsUntilFailure = 0;
        if (!reached) {
            EXPECT_FALSE(failed) << "a run without a failed allocation failed";
            break; // the run needed fewer than n allocations: every point was tried
        }
        if (failed) {
            ++failures;
            char text[256];
            // The failed allocation may have hit a nested call whose caller then failed
            // for it; either way the last error names the cause.
            const int32_t code = script::GetErrorState(text, sizeof text);
            EXPECT_TRUE(code == script::kMemoryError || code == script::kRuntimeError)
                << n << ": " << text;
        }
    }
    EXPECT_GT(failures, 100) << failures << " allocation points tried";
    script::ResetEngine();
    script::SetErrorOutput(stderr);
}

} // namespace
