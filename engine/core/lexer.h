// Stage 1: source bytes -> tokens.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace script {

enum class Tok {
    End,
    Newline,
    Integer,
    Float,
    Text,
    Name,
    LParen,
    RParen,
    LBrace,
    RBrace,
    Comma,
    Semicolon,
    Assign,
    Plus,
    Minus,
    Star,
    Slash,
    Percent,
    Less,
    LessEqual,
    Greater,
    GreaterEqual,
    Equal,
    NotEqual,
    Function,
    If,
    Else,
    While,
    For,
    To,
    Step,
    Break,
    Continue,
    Return,
    And,
    Or,
    Not
};

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

// The spelling of a token kind for messages.
const char* TokenName(Tok kind);

} // namespace script
