// The lead-byte rule of the ANSI code page, as the engine was given it.
#pragma once

namespace script {
bool IsLeadByteNow(unsigned char byte);
}
