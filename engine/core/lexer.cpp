#include "lexer.h"

#include "error.h"
#include "state.h"

#include <charconv>
#include <cmath>

namespace script {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool IsNameStart(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}
bool IsNameChar(char c) {
    return IsNameStart(c) || IsDigit(c);
}

struct Lexer {
    std::string_view src;
    std::size_t pos = 0;
    int line = 1;
    int parens = 0;
    std::vector<Token> tokens;

    char Peek(std::size_t ahead = 0) const {
        return pos + ahead < src.size() ? src[pos + ahead] : '\0';
    }
    bool AtEnd() const { return pos >= src.size(); }

    void Add(Tok kind, Token token = {}) {
        token.kind = kind;
        if (token.line == 0)
            token.line = line;
        tokens.push_back(std::move(token));
    }

    // Passes over one character: a double-byte character's trail byte goes with it, so a
    // 0x5C or 0x22 trail byte is never a backslash or a quote.
    void SkipCharacter() {
        if (IsLeadByteNow(static_cast<unsigned char>(src[pos])) && pos + 1 < src.size() &&
            src[pos + 1] != '\n' && src[pos + 1] != '\0')
            pos += 2;
        else
            pos += 1;
    }

    void BlockComment() {
        const int start = line;
        pos += 2;
        while (!AtEnd()) {
            if (Peek() == '*' && Peek(1) == '/') {
                pos += 2;
                return;
            }
            if (Peek() == '\n')
                ++line;
            SkipCharacter();
        }
        FailSyntax(start, "unterminated comment");
    }

    void Number() {
        Token token;
        token.line = line;
        const std::size_t start = pos;
        if (Peek() == '0' && (Peek(1) == 'x' || Peek(1) == 'X')) {
            pos += 2;
            uint64_t v = 0;
            if (!IsHexDigit(Peek()))
                FailSyntax(line, "malformed number");
            while (IsHexDigit(Peek())) {
                const char c = src[pos++];
                v = v * 16 + static_cast<uint64_t>(IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10);
                if (v > 0xFFFFFFFFu)
                    FailSyntax(line, "integer literal too large");
            }
            if (IsNameChar(Peek()))
                FailSyntax(line, "malformed number");
            // Hex literals are bit patterns: 0xFFFFFFFF is -1.
            token.integer = static_cast<int32_t>(static_cast<uint32_t>(v));
            Add(Tok::Integer, std::move(token));
            return;
        }
        bool isFloat = false;
        while (IsDigit(Peek()))
            ++pos;
        if (Peek() == '.' && IsDigit(Peek(1))) {
            isFloat = true;
            ++pos;
            while (IsDigit(Peek()))
                ++pos;
        }
        if (Peek() == 'e' || Peek() == 'E') {
            std::size_t e = pos + 1;
            if (e < src.size() && (src[e] == '+' || src[e] == '-'))
                ++e;
            if (e < src.size() && IsDigit(src[e])) {
                isFloat = true;
                pos = e;
                while (IsDigit(Peek()))
                    ++pos;
            }
        }
        if (IsNameChar(Peek()) || Peek() == '.')
            FailSyntax(line, "malformed number");
        const char* first = src.data() + start;
        const char* last = src.data() + pos;
        if (isFloat) {
            double v = 0.0;
            auto result = std::from_chars(first, last, v);
            if (result.ec == std::errc::result_out_of_range || std::isinf(static_cast<float>(v)))
                FailSyntax(line, "float literal out of range");
            token.real = static_cast<float>(v);
            Add(Tok::Float, std::move(token));
        } else {
            uint64_t v = 0;
            for (const char* p = first; p != last; ++p) {
                v = v * 10 + static_cast<uint64_t>(*p - '0');
                if (v > 2147483647u)
                    FailSyntax(line, "integer literal too large (the largest is 2147483647)");
            }
            token.integer = static_cast<int32_t>(v);
            Add(Tok::Integer, std::move(token));
        }
    }

    void String() {
        Token token;
        token.line = line;
        ++pos; // the opening quote
        for (;;) {
            if (AtEnd() || Peek() == '\n')
                FailSyntax(token.line, "unterminated string");
            const char c = Peek();
            if (c == '"') {
                ++pos;
                break;
            }
            if (c == '\\') {
                const char e = Peek(1);
                switch (e) {
                case 'n':
                    token.text += '\n';
                    break;
                case 't':
                    token.text += '\t';
                    break;
                case 'r':
                    token.text += '\r';
                    break;
                case '\\':
                    token.text += '\\';
                    break;
                case '"':
                    token.text += '"';
                    break;
                default:
                    FailSyntax(line, "unknown escape sequence in string");
                }
                pos += 2;
                continue;
            }
            const std::size_t from = pos;
            SkipCharacter();
            token.text.append(src.data() + from, pos - from);
        }
        Add(Tok::Text, std::move(token));
    }

    void Name() {
        const std::size_t start = pos;
        while (IsNameChar(Peek()))
            ++pos;
        const std::string_view word = src.substr(start, pos - start);
        for (const TokenInfo& keyword : kTokens) {
            if (keyword.spelling == word) {
                Add(keyword.token);
                return;
            }
        }
        Token token;
        token.text = std::string(word);
        Add(Tok::Name, std::move(token));
    }

    void Run() {
        while (!AtEnd()) {
            const char c = Peek();
            if (c == '\n') {
                if (parens == 0 && !tokens.empty() && tokens.back().kind != Tok::Newline)
                    Add(Tok::Newline);
                ++line;
                ++pos;
            } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
                ++pos;
            } else if (c == '/' && Peek(1) == '/') {
                while (!AtEnd() && Peek() != '\n')
                    SkipCharacter();
            } else if (c == '/' && Peek(1) == '*') {
                BlockComment();
            } else if (IsDigit(c) || (c == '.' && IsDigit(Peek(1)))) {
                Number();
            } else if (c == '"') {
                String();
            } else if (IsNameStart(c)) {
                Name();
            } else {
                Operator();
            }
        }
        Add(Tok::End);
    }

    // The longest operator or punctuation spelling that stands here.
    void Operator() {
        const std::string_view rest = src.substr(pos);
        const TokenInfo* match = nullptr;
        for (const TokenInfo& info : kTokens) {
            if (!info.spelling.empty() && !IsNameStart(info.spelling[0]) &&
                rest.starts_with(info.spelling) &&
                (match == nullptr || info.spelling.size() > match->spelling.size()))
                match = &info;
        }
        if (match == nullptr)
            FailSyntax(line, "unexpected character in the source (outside strings and comments "
                             "only ASCII letters, digits and operators may appear)");
        if (match->token == Tok::LParen)
            ++parens;
        if (match->token == Tok::RParen && parens > 0)
            --parens;
        pos += match->spelling.size();
        Add(match->token);
    }
};

} // namespace

std::vector<Token> Tokenize(std::string_view source) {
    Lexer lexer;
    lexer.src = source;
    lexer.Run();
    return std::move(lexer.tokens);
}

} // namespace script
