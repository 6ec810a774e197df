#include "run_script.h"

#include <gtest/gtest.h>

namespace {

TEST(Builtins, NumberConversions) {
    EXPECT_EQ(Evaluate("int(2.9)"), "integer 2");
    EXPECT_EQ(Evaluate("int(-2.9)"), "integer -2");
    EXPECT_EQ(Evaluate("int(\" 42px\")"), "integer 42");
    EXPECT_EQ(Evaluate("int(\"-7.8\")"), "integer -7");
    EXPECT_EQ(Evaluate("int(\"abc\")"), "integer 0");
    EXPECT_EQ(Evaluate("int(1e30)"), "integer 2147483647");
    EXPECT_EQ(Evaluate("int(-1e30)"), "integer -2147483648");
    EXPECT_EQ(Evaluate("float(3)"), "float 3.0");
    EXPECT_EQ(Evaluate("float(\"2.25\")"), "float 2.25");
    EXPECT_EQ(Evaluate("round(2.5)"), "integer 3");
    EXPECT_EQ(Evaluate("round(-2.5)"), "integer -3");
    EXPECT_EQ(Evaluate("round(2.4)"), "integer 2");
    EXPECT_EQ(Evaluate("floor(-1.5)"), "integer -2");
    EXPECT_EQ(Evaluate("ceil(1.2)"), "integer 2");
    EXPECT_EQ(Evaluate("abs(-3)"), "integer 3");
    EXPECT_EQ(Evaluate("abs(-2.5)"), "float 2.5");
    EXPECT_EQ(Evaluate("min(3, 2)"), "integer 2");
    EXPECT_EQ(Evaluate("max(1, 2.5)"), "float 2.5");
    EXPECT_EQ(Evaluate("min(1, 2.5)"), "float 1.0");
    EXPECT_EQ(Evaluate("max(\"a\", \"b\")"), "string b");
    EXPECT_EQ(Evaluate("int(\"\")"), "integer 0");
    EXPECT_EQ(Evaluate("int(\"1e999\")"), "integer 2147483647");
    EXPECT_EQ(Evaluate("float(\"-1e-999\")"), "float -0.0");
    EXPECT_EQ(Evaluate("round(\"x\")"), "error: (memory):1: round cannot take string");
}

TEST(Builtins, Texts) {
    EXPECT_EQ(Evaluate("len(\"\x95\x5C"
                       "ab\")"),
              "integer 4");
    EXPECT_EQ(Evaluate("substr(\"picture.jpg\", 0, 7)"), "string picture");
    EXPECT_EQ(Evaluate("substr(\"abc\", -5, 2)"), "string ab");
    EXPECT_EQ(Evaluate("substr(\"abc\", 2, 100)"), "string c");
    EXPECT_EQ(Evaluate("substr(\"abc\", 9, 1)"), "string ");
    EXPECT_EQ(Evaluate("find(\"a.b.c\", \".\")"), "integer 1");
    EXPECT_EQ(Evaluate("rfind(\"a.b.c\", \".\")"), "integer 3");
    EXPECT_EQ(Evaluate("find(\"abc\", \"x\")"), "integer -1");
    EXPECT_EQ(Evaluate("find(\"abc\", \"\")"), "integer 0");
    EXPECT_EQ(Evaluate("str(12) + str(0.5)"), "string 120.5");
    EXPECT_EQ(Evaluate("upper(\"abc\") + lower(\"XyZ\")"), "string ABCxyz");
    EXPECT_EQ(Evaluate("type(1) + type(1.0) + type(\"\")"), "string integerfloatstring");
}

TEST(Builtins, DoubleByteCharactersAreUnits) {
    // The trail byte of 表 is '\\' and that of ｱ-free 'ﾊ'... here: 表 = 95 5C.
    EXPECT_EQ(Evaluate("find(\"\x95\x5C\\\\\", \"\\\\\")"), "integer 2");
    EXPECT_EQ(Evaluate("rfind(\"a\\\\\x95\x5C\", \"\\\\\")"), "integer 1");
    // 'a' (0x61) as a trail byte: 0x82 0x61 is Ａ; upper() leaves it alone.
    EXPECT_EQ(Evaluate("upper(\"\x82\x61"
                       "a\")"),
              "string \x82\x61"
              "A");
}

} // namespace
