// The tokens of the language: one row each, in the order of Tok, with what every stage
// needs to know of it (the lexer its spelling, the parser its precedence, the interpreter
// its kind, messages its name).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

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

// What a binary operator does; None for every other token.
enum class OperatorKind { None, Logical, Comparison, Arithmetic };

struct TokenInfo {
    Tok token;
    std::string_view spelling; // as written in a source; empty for tokens of many spellings
    const char* description;   // a message's name for a token without one spelling
    int precedence;            // of a binary operator, higher binds tighter; 0 for others
    OperatorKind kind;
};

inline constexpr TokenInfo kTokens[] = {
    {Tok::End, "", "the end of the script", 0, OperatorKind::None},
    {Tok::Newline, "", "the end of the line", 0, OperatorKind::None},
    {Tok::Integer, "", "a number", 0, OperatorKind::None},
    {Tok::Float, "", "a number", 0, OperatorKind::None},
    {Tok::Text, "", "a string", 0, OperatorKind::None},
    {Tok::Name, "", "a name", 0, OperatorKind::None},
    {Tok::LParen, "(", nullptr, 0, OperatorKind::None},
    {Tok::RParen, ")", nullptr, 0, OperatorKind::None},
    {Tok::LBrace, "{", nullptr, 0, OperatorKind::None},
    {Tok::RBrace, "}", nullptr, 0, OperatorKind::None},
    {Tok::Comma, ",", nullptr, 0, OperatorKind::None},
    {Tok::Semicolon, ";", nullptr, 0, OperatorKind::None},
    {Tok::Assign, "=", nullptr, 0, OperatorKind::None},
    {Tok::Plus, "+", nullptr, 4, OperatorKind::Arithmetic},
    {Tok::Minus, "-", nullptr, 4, OperatorKind::Arithmetic},
    {Tok::Star, "*", nullptr, 5, OperatorKind::Arithmetic},
    {Tok::Slash, "/", nullptr, 5, OperatorKind::Arithmetic},
    {Tok::Percent, "%", nullptr, 5, OperatorKind::Arithmetic},
    {Tok::Less, "<", nullptr, 3, OperatorKind::Comparison},
    {Tok::LessEqual, "<=", nullptr, 3, OperatorKind::Comparison},
    {Tok::Greater, ">", nullptr, 3, OperatorKind::Comparison},
    {Tok::GreaterEqual, ">=", nullptr, 3, OperatorKind::Comparison},
    {Tok::Equal, "==", nullptr, 3, OperatorKind::Comparison},
    {Tok::NotEqual, "!=", nullptr, 3, OperatorKind::Comparison},
    {Tok::Function, "function", nullptr, 0, OperatorKind::None},
    {Tok::If, "if", nullptr, 0, OperatorKind::None},
    {Tok::Else, "else", nullptr, 0, OperatorKind::None},
    {Tok::While, "while", nullptr, 0, OperatorKind::None},
    {Tok::For, "for", nullptr, 0, OperatorKind::None},
    {Tok::To, "to", nullptr, 0, OperatorKind::None},
    {Tok::Step, "step", nullptr, 0, OperatorKind::None},
    {Tok::Break, "break", nullptr, 0, OperatorKind::None},
    {Tok::Continue, "continue", nullptr, 0, OperatorKind::None},
    {Tok::Return, "return", nullptr, 0, OperatorKind::None},
    {Tok::And, "and", nullptr, 2, OperatorKind::Logical},
    {Tok::Or, "or", nullptr, 1, OperatorKind::Logical},
    {Tok::Not, "not", nullptr, 0, OperatorKind::None},
};

constexpr bool TokensInOrder() {
    for (std::size_t i = 0; i < std::size(kTokens); ++i)
        if (static_cast<std::size_t>(kTokens[i].token) != i)
            return false;
    return std::size(kTokens) == static_cast<std::size_t>(Tok::Not) + 1;
}
static_assert(TokensInOrder(), "kTokens has one row per Tok, in the order of Tok");

constexpr const TokenInfo& Info(Tok token) {
    return kTokens[static_cast<std::size_t>(token)];
}

// The name of a token in messages: its description, or its spelling in quotes.
inline std::string TokenName(Tok token) {
    const TokenInfo& info = Info(token);
    if (info.description != nullptr)
        return info.description;
    return "'" + std::string(info.spelling) + "'";
}

} // namespace script
