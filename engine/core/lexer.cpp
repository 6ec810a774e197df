#include "lexer.h"

#include "error.h"
#include "lead_byte.h"

#include <charconv>
#include <cmath>

namespace script {

namespace {

struct Keyword {
    std::string_view spelling;
    Tok kind;
};

constexpr Keyword kKeywords[] = {
    {"function", Tok::Function}, {"if", Tok::If},       {"else", Tok::Else},
    {"while", Tok::While},       {"for", Tok::For},     {"to", Tok::To},
    {"step", Tok::Step},         {"break", Tok::Break}, {"continue", Tok::Continue},
    {"return", Tok::Return},     {"and", Tok::And},     {"or", Tok::Or},
    {"not", Tok::Not},
};

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
        Fail(start, "unterminated comment");
    }

    void Number() {
        Token token;
        token.line = line;
        const std::size_t start = pos;
        if (Peek() == '0' && (Peek(1) == 'x' || Peek(1) == 'X')) {
            pos += 2;
            uint64_t v = 0;
            if (!IsHexDigit(Peek()))
                Fail(line, "malformed number");
            while (IsHexDigit(Peek())) {
                const char c = src[pos++];
                v = v * 16 + static_cast<uint64_t>(IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10);
                if (v > 0xFFFFFFFFu)
                    Fail(line, "integer literal too large");
            }
            if (IsNameChar(Peek()))
                Fail(line, "malformed number");
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
            Fail(line, "malformed number");
        const char* first = src.data() + start;
        const char* last = src.data() + pos;
        if (isFloat) {
            double v = 0.0;
            auto result = std::from_chars(first, last, v);
            if (result.ec == std::errc::result_out_of_range || std::isinf(static_cast<float>(v)))
                Fail(line, "float literal out of range");
            token.real = static_cast<float>(v);
            Add(Tok::Float, std::move(token));
        } else {
            uint64_t v = 0;
            for (const char* p = first; p != last; ++p) {
                v = v * 10 + static_cast<uint64_t>(*p - '0');
                if (v > 2147483647u)
                    Fail(line, "integer literal too large (the largest is 2147483647)");
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
                Fail(token.line, "unterminated string");
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
                    Fail(line, "unknown escape sequence in string");
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
        for (const Keyword& k : kKeywords) {
            if (k.spelling == word) {
                Add(k.kind);
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
                Operator(c);
            }
        }
        Add(Tok::End);
    }

    void Operator(char c) {
        auto two = [&](char next, Tok pair, Tok single) {
            if (Peek(1) == next) {
                pos += 2;
                Add(pair);
            } else {
                pos += 1;
                Add(single);
            }
        };
        switch (c) {
        case '(':
            ++parens;
            ++pos;
            Add(Tok::LParen);
            return;
        case ')':
            if (parens > 0)
                --parens;
            ++pos;
            Add(Tok::RParen);
            return;
        case '{':
            ++pos;
            Add(Tok::LBrace);
            return;
        case '}':
            ++pos;
            Add(Tok::RBrace);
            return;
        case ',':
            ++pos;
            Add(Tok::Comma);
            return;
        case ';':
            ++pos;
            Add(Tok::Semicolon);
            return;
        case '+':
            ++pos;
            Add(Tok::Plus);
            return;
        case '-':
            ++pos;
            Add(Tok::Minus);
            return;
        case '*':
            ++pos;
            Add(Tok::Star);
            return;
        case '/':
            ++pos;
            Add(Tok::Slash);
            return;
        case '%':
            ++pos;
            Add(Tok::Percent);
            return;
        case '<':
            two('=', Tok::LessEqual, Tok::Less);
            return;
        case '>':
            two('=', Tok::GreaterEqual, Tok::Greater);
            return;
        case '=':
            two('=', Tok::Equal, Tok::Assign);
            return;
        case '!':
            if (Peek(1) == '=') {
                pos += 2;
                Add(Tok::NotEqual);
                return;
            }
            break;
        default:
            break;
        }
        Fail(line, "unexpected character in the source (outside strings and comments only "
                   "ASCII letters, digits and operators may appear)");
    }
};

} // namespace

std::vector<Token> Tokenize(std::string_view source) {
    Lexer lexer;
    lexer.src = source;
    lexer.Run();
    return std::move(lexer.tokens);
}

const char* TokenName(Tok kind) {
    switch (kind) {
    case Tok::End:
        return "the end of the script";
    case Tok::Newline:
        return "the end of the line";
    case Tok::Integer:
        return "a number";
    case Tok::Float:
        return "a number";
    case Tok::Text:
        return "a string";
    case Tok::Name:
        return "a name";
    case Tok::LParen:
        return "'('";
    case Tok::RParen:
        return "')'";
    case Tok::LBrace:
        return "'{'";
    case Tok::RBrace:
        return "'}'";
    case Tok::Comma:
        return "','";
    case Tok::Semicolon:
        return "';'";
    case Tok::Assign:
        return "'='";
    case Tok::Plus:
        return "'+'";
    case Tok::Minus:
        return "'-'";
    case Tok::Star:
        return "'*'";
    case Tok::Slash:
        return "'/'";
    case Tok::Percent:
        return "'%'";
    case Tok::Less:
        return "'<'";
    case Tok::LessEqual:
        return "'<='";
    case Tok::Greater:
        return "'>'";
    case Tok::GreaterEqual:
        return "'>='";
    case Tok::Equal:
        return "'=='";
    case Tok::NotEqual:
        return "'!='";
    case Tok::Function:
        return "'function'";
    case Tok::If:
        return "'if'";
    case Tok::Else:
        return "'else'";
    case Tok::While:
        return "'while'";
    case Tok::For:
        return "'for'";
    case Tok::To:
        return "'to'";
    case Tok::Step:
        return "'step'";
    case Tok::Break:
        return "'break'";
    case Tok::Continue:
        return "'continue'";
    case Tok::Return:
        return "'return'";
    case Tok::And:
        return "'and'";
    case Tok::Or:
        return "'or'";
    case Tok::Not:
        return "'not'";
    }
    return "a token";
}

} // namespace script
