// Format's formatting on its own: which element each conversion takes and the limits.
#include "scripthost/format_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

ScriptElement Integer(int32_t value) {
    ScriptElement e{};
    e.value.integer = value;
    e.type = SCRIPT_INTEGER;
    return e;
}
ScriptElement Real(float value) {
    ScriptElement e{};
    e.value.real = value;
    e.type = SCRIPT_FLOAT;
    return e;
}
ScriptElement Text(const char* text) {
    ScriptElement e{};
    e.value.text = text;
    e.type = SCRIPT_STRING;
    return e;
}

// The formatted text, or "<refused>".
std::string Formatted(const std::string& format, std::vector<ScriptElement> values = {}) {
    values.resize(SCRIPT_ARGUMENT_COUNT - 1);
    char result[kFormatTextSize];
    std::memset(result, 'z', sizeof result);
    if (!FormatElements(format.c_str(), values.data(), result)) {
        EXPECT_EQ(result[0], '\0');
        return "<refused>";
    }
    EXPECT_LT(std::strlen(result), kFormatTextSize);
    return result;
}

TEST(FormatText, ConversionsOfTheTable) {
    EXPECT_EQ(Formatted("%d%%", {Integer(5)}), "5%");
    EXPECT_EQ(Formatted("100%% sure, 50%%"), "100% sure, 50%");
    EXPECT_EQ(Formatted(""), "");
    EXPECT_EQ(Formatted("%s", {Integer(5)}), "(null)");
    EXPECT_EQ(Formatted("%s and %s", {Text("tea"), Text("cake")}), "tea and cake");
    EXPECT_EQ(Formatted("%nf%d", {Integer(4)}), "f4");
    EXPECT_EQ(Formatted("%5.1f", {Real(2.5f)}), "  2.5");
    EXPECT_EQ(Formatted("%e|%G", {Real(1.5f), Real(0.25f)}), "1.500000e+00|0.25");
    EXPECT_EQ(Formatted("%03d-%x-%X-%o-%u-%i", {Integer(7), Integer(255), Integer(255), Integer(8),
                                                Integer(-1), Integer(-3)}),
              "007-ff-FF-10-4294967295--3");
    EXPECT_EQ(Formatted("image_%03d.jpg", {Integer(12)}), "image_012.jpg");
    EXPECT_EQ(Formatted("%-4d|%+d|% d", {Integer(1), Integer(2), Integer(3)}), "1   |+2| 3");
}

TEST(FormatText, IntegerOfATextIsTheLow32BitsOfItsAddress) {
    static const char text[] = "hello";
    const auto low = static_cast<int32_t>(reinterpret_cast<intptr_t>(text));
    EXPECT_EQ(Formatted("%d", {Text(text)}), std::to_string(low));
    char expected[64];
    std::snprintf(expected, sizeof expected, "%p", static_cast<const void*>(text));
    EXPECT_EQ(Formatted("%p", {Text(text)}), expected);
}

TEST(FormatText, LettersOutsideTheTableAndLengthModifiersTakeNothing) {
    // "c" and the asterisk add nothing: the conversion runs on to the next table letter.
    EXPECT_EQ(Formatted("%c%d", {Integer(9)}), "9");
    EXPECT_EQ(Formatted("[%*d]", {Integer(9), Integer(8)}), "[9]");
    // 64-bit and other length modifiers print the value at its own width.
    EXPECT_EQ(Formatted("%lld %I64d %hd %ld %zu",
                        {Integer(-1), Integer(2), Integer(70000), Integer(4), Integer(5)}),
              "-1 2 70000 4 5");
    EXPECT_EQ(Formatted("%lf", {Real(1.0f)}), "1.000000");
    // A conversion without a letter before the end stands as written.
    EXPECT_EQ(Formatted("100%"), "100%");
    EXPECT_EQ(Formatted("50% ", {Integer(1)}), "50% ");
}

TEST(FormatText, LimitsAreRefusedWithoutReadingOrWritingPastThem) {
    // Fifteen elements are there; a sixteenth conversion has none.
    std::vector<ScriptElement> values;
    std::string fifteen;
    for (int i = 0; i < 15; ++i) {
        values.push_back(Integer(i));
        fifteen += "%d";
    }
    EXPECT_EQ(Formatted(fifteen, values), "01234567891011121314");
    EXPECT_EQ(Formatted(fifteen + "%d", values), "<refused>");
    // Words as the table counts them: 16 floats are 32 words, but only 15 elements.
    EXPECT_EQ(Formatted(std::string(32, 'x') + "%n"), std::string(32, 'x'));
    std::string manyN;
    for (int i = 0; i < 33; ++i)
        manyN += "%n";
    EXPECT_EQ(Formatted(manyN), "<refused>");
    std::string twelveFloatsAndNineN;
    for (int i = 0; i < 12; ++i)
        twelveFloatsAndNineN += "%.0f";
    for (int i = 0; i < 9; ++i)
        twelveFloatsAndNineN += "%n";
    EXPECT_EQ(Formatted(twelveFloatsAndNineN, std::vector<ScriptElement>(12, Real(1.0f))),
              "<refused>"); // 24 + 9 = 33 words
    // A result of 1023 bytes fits, 1024 does not; so for one wide conversion.
    EXPECT_EQ(Formatted(std::string(1022, 'a') + "%d", {Integer(7)}), std::string(1022, 'a') + "7");
    EXPECT_EQ(Formatted(std::string(1022, 'a') + "%d", {Integer(17)}), "<refused>");
    EXPECT_EQ(Formatted("%2000d", {Integer(1)}), "<refused>");
    EXPECT_EQ(Formatted("%99999999999d", {Integer(1)}), "<refused>");
    EXPECT_EQ(Formatted("%" + std::string(40, '0') + "d", {Integer(1)}), "<refused>");
    static const std::string longText(2000, 't');
    EXPECT_EQ(Formatted("%s", {Text(longText.c_str())}), "<refused>");
    EXPECT_EQ(Formatted("%.3s", {Text(longText.c_str())}), "ttt");
}

} // namespace
