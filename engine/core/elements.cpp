#include "elements.h"

#include "error.h"
#include "script_core.h"

#include <cstring>
#include <unordered_map>

namespace script {

namespace {

struct TextTable {
    std::unordered_map<const char*, uint64_t> live; // text -> serial
    uint64_t nextSerial = 1;
    ~TextTable() {
        for (auto& entry : live)
            delete[] entry.first;
    }
};

TextTable& Texts() {
    static TextTable table;
    return table;
}

uint64_t SerialOf(const ScriptElement* element) {
    uint64_t serial = 0;
    std::memcpy(&serial, element->engine, sizeof serial);
    return serial;
}

} // namespace

void ReleaseElement(ScriptElement* element) noexcept {
    if (element->type == SCRIPT_STRING) {
        TextTable& table = Texts();
        auto found = table.live.find(element->value.text);
        if (found != table.live.end() && found->second == SerialOf(element)) {
            delete[] found->first;
            table.live.erase(found);
        }
    }
    std::memset(static_cast<void*>(element), 0, sizeof *element);
}

void StoreValue(ScriptElement* element, const Value& v) {
    ReleaseElement(element);
    switch (v.type) {
    case SCRIPT_INTEGER:
        element->value.integer = v.integer;
        break;
    case SCRIPT_FLOAT:
        element->value.real = v.real;
        break;
    case SCRIPT_STRING: {
        TextTable& table = Texts();
        if (table.live.size() >= kMaxElementTexts)
            Fail(0, "too many texts held by elements (more than " +
                        std::to_string(kMaxElementTexts) + ")");
        char* text = new char[v.text.size() + 1];
        std::memcpy(text, v.text.data(), v.text.size());
        text[v.text.size()] = '\0';
        const uint64_t serial = table.nextSerial++;
        try {
            table.live.emplace(text, serial);
        } catch (...) {
            delete[] text;
            throw;
        }
        element->value.text = text;
        std::memcpy(element->engine, &serial, sizeof serial);
        break;
    }
    default:
        return; // empty: all zero already
    }
    element->type = v.type;
}

Value LoadValue(const ScriptElement* element) {
    switch (element->type) {
    case SCRIPT_INTEGER:
        return MakeInteger(element->value.integer);
    case SCRIPT_FLOAT:
        return MakeFloat(element->value.real);
    case SCRIPT_STRING: {
        const char* text = element->value.text;
        if (text == nullptr)
            return MakeText(std::string());
        const std::size_t length = std::strlen(text);
        if (length > kMaxTextBytes)
            Fail(0, TextTooLong());
        return MakeText(std::string(text, length));
    }
    default:
        return Value{};
    }
}

void ReleaseAllElementTexts() noexcept {
    TextTable& table = Texts();
    for (auto& entry : table.live)
        delete[] entry.first;
    table.live.clear();
}

std::size_t CountElementTexts() noexcept {
    return Texts().live.size();
}

} // namespace script
