// These run with the ANSI code page 932, as on a Japanese system.
#include "common/dbcs_text.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

// CP932 characters whose second byte is a separator or a letter.
const std::string kHyo = "\x95\x5C";      // 表: trail byte '\'
const std::string kSo = "\x83\x5C";       // ソ: trail byte '\'
const std::string kBarTrail = "\x83\x7C"; // trail byte '|'

TEST(DbcsText, CodePageIs932) {
    EXPECT_EQ(GetACP(), 932u);
}

TEST(DbcsText, TrailBytesAreNeverSeparators) {
    const std::string path = "C:\\" + kHyo + "\\" + kSo + "x";
    const char* last = FindLastCharacter(path.c_str(), '\\');
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last - path.c_str(), 5) << "the backslash after 表, not the trail of ソ";

    EXPECT_EQ(FindLastCharacter(kSo.c_str(), '\\'), nullptr);
    const std::string list = kBarTrail + "|b";
    EXPECT_EQ(FindCharacter(list.c_str(), '|'), list.c_str() + 2);
    EXPECT_EQ(FindCharacter("abc", '|'), nullptr);
}

TEST(DbcsText, LeadByteAtTheEndIsAByteOfItsOwn) {
    const std::string text = "a\x95";
    EXPECT_EQ(FindCharacter(text.c_str(), '\\'), nullptr);
    EXPECT_EQ(CompareIgnoringCase(text.c_str(), "A\x95"), 0);
}

TEST(DbcsText, CompareIgnoresCaseOfAsciiLettersOnly) {
    EXPECT_EQ(CompareIgnoringCase("null", "NuLL"), 0);
    EXPECT_EQ(CompareIgnoringCase("C:\\Photos", "c:\\photos"), 0);
    EXPECT_NE(CompareIgnoringCase("C:\\Photos\\", "C:\\Photos"), 0);
    EXPECT_NE(CompareIgnoringCase("nul", "null"), 0);
    // The trail byte 'a' of a double-byte character is not folded onto 'A'.
    EXPECT_NE(CompareIgnoringCase("\x82"
                                  "a",
                                  "\x82"
                                  "A"),
              0);
    EXPECT_EQ(CompareIgnoringCase((kHyo + "ab").c_str(), (kHyo + "AB").c_str()), 0);
    EXPECT_NE(CompareIgnoringCase(kHyo.c_str(), kSo.c_str()), 0);
    EXPECT_LT(CompareIgnoringCase("a", "b"), 0);
    EXPECT_GT(CompareIgnoringCase("b", "A"), 0);
}

} // namespace
