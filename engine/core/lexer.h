// Stage 1: source bytes -> tokens.
#pragma once

#include "tokens.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace script {

struct Token {
    Tok kind = Tok::End;
    int line = 0;
    std::string text; // a name, or a string literal's bytes with escapes resolved
    int32_t integer = 0;
    float real = 0.0f;
};

// The tokens of a source, ending with Tok::End. Newlines inside parentheses are
// dropped, so a call may span lines. Throws ScriptError on a lexical mistake.
std::vector<Token> Tokenize(std::string_view source);

} // namespace script
