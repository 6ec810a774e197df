#include "frontend/command_line.h"

#include "common/dbcs_text.h"

namespace {
struct BoundedWriter {
    char* destination;
    std::size_t size;
    std::size_t length = 0;
    bool fits = true;

    void Put(char c, std::size_t times = 1) {
        for (std::size_t i = 0; i < times; ++i) {
            if (length + 1 >= size) {
                fits = false;
                return;
            }
            destination[length++] = c;
        }
    }
};

void PutQuoted(BoundedWriter& out, const char* value) {
    out.Put('"');
    std::size_t backslashes = 0; // the run of backslashes just written
    for (const char* p = value; *p != '\0'; ++p) {
        if (*p == '\\') {
            ++backslashes;
            out.Put('\\');
        } else if (*p == '"') {
            // The run and the quote are escaped: 2n + 1 backslashes, then the quote.
            out.Put('\\', backslashes + 1);
            out.Put('"');
            backslashes = 0;
        } else {
            backslashes = 0;
            out.Put(*p);
            if (IsLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0')
                out.Put(*++p);
        }
    }
    out.Put('\\', backslashes); // before the closing quote, the run counts double
    out.Put('"');
}
} // namespace

bool ComposeCommandLine(char* destination, std::size_t size, const char* const* values,
                        std::size_t count) {
    if (size == 0)
        return false;
    BoundedWriter out{destination, size};
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 0)
            out.Put(' ');
        PutQuoted(out, values[i]);
    }
    if (!out.fits) {
        destination[0] = '\0';
        return false;
    }
    destination[out.length] = '\0';
    return true;
}
