#include "lexer.h"
#include "parser.h"
#include "run_script.h"

#include <gtest/gtest.h>

#include "error.h"

namespace {

using script::Tok;

std::string SyntaxError(const std::string& source) {
    if (RunSource(source) != -1)
        return "no error";
    return LastError();
}

TEST(Lexer, NumbersStringsNamesAndOperators) {
    const auto tokens = script::Tokenize("x = 0x1F + 2.5e1 // c\n\"a\\n\\\"b\" <= != ( \n )");
    ASSERT_EQ(tokens.size(), 12u);
    EXPECT_EQ(tokens[0].kind, Tok::Name);
    EXPECT_EQ(tokens[2].integer, 31);
    EXPECT_EQ(tokens[4].kind, Tok::Float);
    EXPECT_FLOAT_EQ(tokens[4].real, 25.0f);
    EXPECT_EQ(tokens[5].kind, Tok::Newline);
    EXPECT_EQ(tokens[6].text, "a\n\"b");
    EXPECT_EQ(tokens[6].line, 2);
    EXPECT_EQ(tokens[10].kind, Tok::RParen); // the newline inside ( ) is dropped
    EXPECT_EQ(script::Tokenize("0xFFFFFFFF")[0].integer, -1);
}

TEST(Lexer, DoubleByteTrailBytesStayInStringsAndComments) {
    // 表 = 95 5C, ソ = 83 5C, 能 = 94 5C: the trail byte is a backslash in ASCII.
    const std::string text = "\x95\x5C\x83\x5C\x94\x5C";
    auto tokens = script::Tokenize("\"" + text + "\" /* \x95\x5C */ // \x83\x5C\n1");
    ASSERT_EQ(tokens[0].kind, Tok::Text);
    EXPECT_EQ(tokens[0].text, text);
    EXPECT_EQ(tokens[2].integer, 1);
    // ソ followed by an escaped backslash: the escape is still seen as one.
    EXPECT_EQ(Evaluate("\"\x83\x5C\" + \"\\\\\""), "string \x83\x5C\\");
}

TEST(Parser, FunctionsAreKnownBeforeTheirDefinition) {
    EXPECT_EQ(RunSource("x = Twice(4)\nfunction Twice(a) { return a * 2 }\n"), 1);
    EXPECT_EQ(Global("x"), "integer 8");
}

TEST(Parser, TopLevelStatementsAreLinesAndDefinitionsAreNot) {
    script::ResetEngine();
    const char source[] = "a = 1; b = 2\nfunction F() { }\n\nif a { c = 3 }\n";
    ASSERT_EQ(script::ReadScriptFileFromMemory(source, sizeof source - 1), 1);
    int lines = 0;
    while (script::GetNextLine() != 0) {
        ++lines;
        EXPECT_EQ(script::SkipLine(), 1);
    }
    EXPECT_EQ(lines, 3);
    EXPECT_EQ(script::LineExec(), 0); // nothing is ready any more
}

TEST(Parser, SyntaxErrorsNameTheLine) {
    EXPECT_EQ(SyntaxError("a = 1\nb = (2\n"),
              "(memory):3: syntax error: expected ')', found the end of the script");
    EXPECT_EQ(SyntaxError("\n\nif x y = 1"),
              "(memory):3: syntax error: expected '{' (a block is required), found a name");
    EXPECT_EQ(SyntaxError("x = \"abc\n"), "(memory):1: syntax error: unterminated string");
    EXPECT_EQ(SyntaxError("x = 2147483648"),
              "(memory):1: syntax error: integer literal too large (the largest is 2147483647)");
    EXPECT_EQ(SyntaxError("break"), "(memory):1: syntax error: 'break' outside a loop");
    EXPECT_EQ(SyntaxError("return 1"), "(memory):1: syntax error: 'return' outside a function");
    EXPECT_EQ(SyntaxError("function F() {}\nfunction F() {}"),
              "(memory):2: syntax error: function F is defined twice");
    EXPECT_EQ(SyntaxError("function F() { function G() {} }"),
              "(memory):1: syntax error: functions are defined at the top level only");
    EXPECT_EQ(SyntaxError("x = 1 @ 2"),
              "(memory):1: syntax error: unexpected character in the source (outside strings and "
              "comments only ASCII letters, digits and operators may appear)");
    EXPECT_EQ(SyntaxError("/* open"), "(memory):1: syntax error: unterminated comment");
    EXPECT_EQ(SyntaxError("x = \"\\q\""),
              "(memory):1: syntax error: unknown escape sequence in string");
    EXPECT_EQ(SyntaxError("f(1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17)"),
              "(memory):1: syntax error: more than 16 arguments in a call of f");
    EXPECT_EQ(SyntaxError("x = 1 2"),
              "(memory):1: syntax error: expected the end of the statement, found a number");
    EXPECT_EQ(script::GetErrorState(nullptr, 0), script::kSyntaxError);
}

TEST(Parser, DeepNestingIsASyntaxErrorNotACrash) {
    EXPECT_NE(SyntaxError("x = " + std::string(100000, '(') + "1"), "no error");
    EXPECT_NE(SyntaxError("x = " + std::string(100000, '-') + "1"), "no error");
    std::string chain = "x = 1";
    for (int i = 0; i < 100000; ++i)
        chain += "+1";
    EXPECT_NE(SyntaxError(chain), "no error");
    std::string blocks;
    for (int i = 0; i < 10000; ++i)
        blocks += "if 1 {";
    EXPECT_NE(SyntaxError(blocks), "no error");
    // Within the limits all is well.
    EXPECT_EQ(Evaluate(std::string(150, '(') + "1" + std::string(150, ')')), "integer 1");
}

TEST(Parser, NewlinesInsideParenthesesAndAfterOperatorsContinueTheStatement) {
    EXPECT_EQ(RunSource("x = max(1,\n 2) +\n 3\nif x == 5\n{\n y = 1\n}\nelse\n{\n y = 2 }\n"), 1);
    EXPECT_EQ(Global("x"), "integer 5");
    EXPECT_EQ(Global("y"), "integer 1");
}

} // namespace
