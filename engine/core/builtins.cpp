// The built-in functions: numbers and texts. Texts are bytes in the ANSI code page;
// find, rfind, lower and upper treat a double-byte character as one unit.
#include "builtins.h"

#include "error.h"
#include "state.h"

#include <cmath>
#include <string_view>

namespace script {

namespace {

using Arguments = std::vector<Value>;
using Builtin = Value (*)(Arguments& a, int line);

[[noreturn]] void WrongType(const char* function, const Value& v, int line) {
    Fail(line, std::string(function) + " cannot take " + TypeName(v.type));
}

double Number(const char* function, const Value& v, int line) {
    switch (v.type) {
    case SCRIPT_INTEGER:
        return v.integer;
    case SCRIPT_FLOAT:
        return v.real;
    default:
        WrongType(function, v, line);
    }
}

int32_t IntegerArgument(const char* function, const Value& v, int line) {
    if (v.type == SCRIPT_FLOAT)
        return ClampToInt32(v.real);
    if (v.type != SCRIPT_INTEGER)
        WrongType(function, v, line);
    return v.integer;
}

const std::string& TextArgument(const char* function, const Value& v, int line) {
    if (v.type != SCRIPT_STRING)
        WrongType(function, v, line);
    return v.text;
}

// The byte index of sub's first (or last) match that starts at a character: a search
// never matches inside a double-byte character (its trail byte may equal '\\' or '|').
int32_t Search(const std::string& s, const std::string& sub, bool last) {
    int32_t found = -1;
    for (std::size_t i = 0; i + sub.size() <= s.size();) {
        if (s.compare(i, sub.size(), sub) == 0) {
            found = static_cast<int32_t>(i);
            if (!last)
                break;
        }
        i += (IsLeadByteNow(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
    }
    return found;
}

Value Int(Arguments& a, int line) {
    const Value& v = a[0];
    switch (v.type) {
    case SCRIPT_INTEGER:
        return v;
    case SCRIPT_FLOAT:
        return MakeInteger(ClampToInt32(v.real));
    case SCRIPT_STRING:
        return MakeInteger(ClampToInt32(ParseNumberText(v.text)));
    default:
        WrongType("int", v, line);
    }
}

Value Float(Arguments& a, int line) {
    const Value& v = a[0];
    switch (v.type) {
    case SCRIPT_INTEGER:
        return MakeFloat(static_cast<float>(v.integer));
    case SCRIPT_FLOAT:
        return v;
    case SCRIPT_STRING:
        return MakeFloat(static_cast<float>(ParseNumberText(v.text)));
    default:
        WrongType("float", v, line);
    }
}

Value Round(Arguments& a, int line) {
    return MakeInteger(ClampToInt32(std::round(Number("round", a[0], line))));
}
Value Floor(Arguments& a, int line) {
    return MakeInteger(ClampToInt32(std::floor(Number("floor", a[0], line))));
}
Value Ceil(Arguments& a, int line) {
    return MakeInteger(ClampToInt32(std::ceil(Number("ceil", a[0], line))));
}

Value Extreme(Arguments& a, int line, const char* name, bool wantLess) {
    const Value& x = a[0];
    const Value& y = a[1];
    if (x.type == SCRIPT_STRING && y.type == SCRIPT_STRING)
        return (x.text.compare(y.text) <= 0) == wantLess ? x : y;
    const double dx = Number(name, x, line), dy = Number(name, y, line);
    const bool takeX = wantLess ? dx <= dy : dx >= dy;
    const Value& chosen = takeX ? x : y;
    if (x.type == SCRIPT_FLOAT || y.type == SCRIPT_FLOAT)
        return MakeFloat(chosen.type == SCRIPT_FLOAT ? chosen.real
                                                     : static_cast<float>(chosen.integer));
    return chosen;
}
Value Min(Arguments& a, int line) {
    return Extreme(a, line, "min", true);
}
Value Max(Arguments& a, int line) {
    return Extreme(a, line, "max", false);
}

Value Abs(Arguments& a, int line) {
    const Value& v = a[0];
    if (v.type == SCRIPT_INTEGER) // abs(-2147483648) wraps to itself
        return MakeInteger(v.integer < 0
                               ? static_cast<int32_t>(0u - static_cast<uint32_t>(v.integer))
                               : v.integer);
    if (v.type == SCRIPT_FLOAT)
        return MakeFloat(std::fabs(v.real));
    WrongType("abs", v, line);
}

Value Len(Arguments& a, int line) {
    return MakeInteger(static_cast<int32_t>(TextArgument("len", a[0], line).size()));
}

Value Substr(Arguments& a, int line) {
    const std::string& s = TextArgument("substr", a[0], line);
    const int64_t size = static_cast<int64_t>(s.size());
    int64_t start = IntegerArgument("substr", a[1], line);
    int64_t count = IntegerArgument("substr", a[2], line);
    if (start < 0)
        start = 0;
    if (start > size)
        start = size;
    if (count < 0)
        count = 0;
    if (count > size - start)
        count = size - start;
    return MakeText(s.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(count)));
}

Value Find(Arguments& a, int line) {
    return MakeInteger(
        Search(TextArgument("find", a[0], line), TextArgument("find", a[1], line), false));
}

Value Rfind(Arguments& a, int line) {
    return MakeInteger(
        Search(TextArgument("rfind", a[0], line), TextArgument("rfind", a[1], line), true));
}

Value Str(Arguments& a, int) {
    return MakeText(ValueText(a[0]));
}

Value ChangeCase(Arguments& a, int line, const char* name, bool toUpper) {
    std::string s = TextArgument(name, a[0], line);
    for (std::size_t i = 0; i < s.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (IsLeadByteNow(c)) {
            ++i; // the trail byte is no letter
            continue;
        }
        if (toUpper && c >= 'a' && c <= 'z')
            s[i] = static_cast<char>(c - 'a' + 'A');
        if (!toUpper && c >= 'A' && c <= 'Z')
            s[i] = static_cast<char>(c - 'A' + 'a');
    }
    return MakeText(std::move(s));
}
Value Lower(Arguments& a, int line) {
    return ChangeCase(a, line, "lower", false);
}
Value Upper(Arguments& a, int line) {
    return ChangeCase(a, line, "upper", true);
}

Value Type(Arguments& a, int) {
    return MakeText(TypeName(a[0].type));
}

struct Entry {
    std::string_view name;
    std::size_t arity;
    Builtin function;
};

constexpr Entry kBuiltins[] = {
    {"int", 1, Int},   {"float", 1, Float},   {"round", 1, Round}, {"floor", 1, Floor},
    {"ceil", 1, Ceil}, {"min", 2, Min},       {"max", 2, Max},     {"abs", 1, Abs},
    {"len", 1, Len},   {"substr", 3, Substr}, {"find", 2, Find},   {"rfind", 2, Rfind},
    {"str", 1, Str},   {"lower", 1, Lower},   {"upper", 1, Upper}, {"type", 1, Type},
};

} // namespace

bool CallBuiltin(const std::string& name, std::vector<Value>& arguments, int line, Value& result) {
    for (const Entry& entry : kBuiltins) {
        if (entry.name != name)
            continue;
        if (arguments.size() != entry.arity)
            Fail(line, "wrong argument count: " + name + " takes " + std::to_string(entry.arity) +
                           ", given " + std::to_string(arguments.size()));
        result = entry.function(arguments, line);
        return true;
    }
    return false;
}

} // namespace script
