#include "common/bounded_text.h"

#include <windows.h>

bool AppendWidened(BoundedText<wchar_t>& out, const char* ansi) {
    // The converted length, its terminator included; 0 only for a failed conversion.
    const int needed = MultiByteToWideChar(CP_ACP, 0, ansi, -1, nullptr, 0);
    if (needed <= 0)
        return StopBoundedText(out);
    const auto length = static_cast<std::size_t>(needed) - 1;
    if (!MakeRoom(out, length))
        return false;
    MultiByteToWideChar(CP_ACP, 0, ansi, -1, out.text + out.length, needed);
    out.length += length;
    return true;
}
