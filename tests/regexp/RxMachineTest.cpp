#include "RegexCases.h"

#include <gtest/gtest.h>

#include <cwchar>

namespace {

// One pattern and subject, with the expected start and length reading left to right and
// with the right-to-left flag added (-1 = no match).
struct SyntaxCase {
    const char* pattern;
    const char* subject;
    int flags;
    int start, length;
    int rtlStart, rtlLength;
};

const SyntaxCase kSyntax[] = {
    {"abc", "xxabcxx", 0, 2, 3, 2, 3},
    {"a*", "baa", 0, 0, 0, 1, 2}, // the first start position that matches wins, even empty
    // quantifiers and their malformed forms
    {"a{2,1}", "aaa", 0, 0, 2, 1, 2},
    {"a{0}", "xa", 0, 0, 0, 2, 0},
    {"ba{x}c", "bc", 0, 0, 2, 0, 2}, // "{" without a number removes the item before it
    {"a{,3}", "aa", 0, 0, 0, 2, 0},
    {"a{ 2 , 3 }", "aaaa", 0, 0, 3, 1, 3},
    {"a{2}+", "aaa", 0, 0, 2, 1, 2},
    {"*a", "x*a", 0, 1, 2, 1, 2},
    {"a**", "aa*", 0, 0, 3, 0, 3}, // the second star is a literal
    {"a**", "aa", 0, -1, 0, -1, 0},
    {"{3}a", "{3}a", 0, 0, 4, 0, 4},
    {"ab?", "xabb", 0, 1, 2, 1, 2},
    {"(ab)?c", "abc", 0, 0, 3, 0, 3},
    {"a+?", "aaa", 0, 0, 1, 2, 1},
    {"a+a", "aaa", 0, 0, 3, 0, 3},
    {"(?>a+)a", "aaa", 0, -1, 0, 0, 3},
    {"a++a", "aaa", 0, -1, 0, 0, 3},
    {"a|ab", "ab", 0, 0, 1, 0, 2},
    // a copy that can shrink to nothing is given back down to no copy at all
    {"(a*)?ab", "ab", 0, 0, 2, 0, 2},
    {"(?:a|)+a", "a", 0, 0, 1, 0, 1},
    // literal runs and escapes
    {"\\Qa.b\\E", "axb a.b", 0, 4, 3, 4, 3},
    {"\\Ua.b\\E", "a.b A.B", 0, 4, 3, 4, 3},
    {"\\Qa.b", "axb a.b", 0, 4, 3, 4, 3},
    {"\\Q(a\\E+", "(aa", 0, 0, 3, 0, 3},
    {"\\x41\\u0042\\x{43}", "ABC", 0, 0, 3, 0, 3},
    {"\\x4g", "\x04g", 0, 0, 2, 0, 2},
    {"\\xq", "xq", 0, 0, 2, 0, 2},
    {"\\t\\n", "a\t\n", 0, 1, 2, 1, 2},
    {"\\.", "a.", 0, 1, 1, 1, 1},
    {"a\\", "a\\", 0, 0, 2, 0, 2},
    // extended mode and comments
    {"a b # comment", "xab", 0x20, 1, 2, 1, 2},
    {"a\\ b", "ab a b", 0x20, 3, 3, 3, 3},
    {"a(?#c)b", "ab", 0, 0, 2, 0, 2},
    {"ab(?#xyz", "abx", 0, 0, 2, 0, 2},
    // an unmatched ")" ends the pattern
    {"ab)cd", "xabcd", 0, 1, 2, 1, 2},
    // inline modifiers
    {"(?i)abc|def", "xDEF", 0, 1, 3, 1, 3},
    {"x(?i)y|z", "Z", 0, 0, 1, 0, 1},
    {"(a(?i)b)c", "aBC aBc", 0, 4, 3, 4, 3},
    {"(?i:a)A", "aa aA", 0, 3, 2, 3, 2},
    {"(?-i)a", "A", 8, -1, 0, -1, 0},
    {"(?s).", "\n", 0, 0, 1, 0, 1},
    {"(?m)^b", "a\nb", 0, 2, 1, 2, 1},
    // anchors: "$" without multi-line is the strict text end
    {"a$", "a\n", 0, -1, 0, -1, 0},
    {"a$", "a\n", 2, 0, 1, 0, 1},
    {"a\\Z", "a\n", 0, 0, 1, 0, 1},
    {"a\\Z", "a\r\n", 0, 0, 1, 0, 1},
    {"a\\z", "a\n", 0, -1, 0, -1, 0},
    {"^b", "a\nb", 0, -1, 0, -1, 0},
    {"^b", "a\nb", 2, 2, 1, 2, 1},
    {"^b", "a\rb", 2, 2, 1, 2, 1},
    {"^b", "a\r\nb", 2, 3, 1, 3, 1},
    {"^\n", "\r\n", 2, -1, 0, -1, 0}, // between CR and LF is no line start
    {"a$", "a\r\nb", 2, 0, 1, 0, 1},
    {"\\Ab", "b", 0, 0, 1, 0, 1},
    {"\\bfoo\\b", "afoo foo", 0, 5, 3, 5, 3},
    {"o\\B", "foo", 0, 1, 1, 1, 1},
    {"\\Gb", "ab", 4, -1, 0, -1, 0}, // right to left \G is visited last, at the left end
    {"b\\G", "ab", 4, -1, 0, 1, 1},
    {"\\Ga", "ab", 4, 0, 1, -1, 0},
    {"\\Gb", "ab", 0, 1, 1, 1, 1}, // without the global flag \G is empty
    // back-references, \0 and named groups
    {"\\1(a)", "aa", 0, -1, 0, 0, 2},
    {"(a)\\1", "aa", 0, 0, 2, -1, 0},
    {"a\\0", "aa", 0, 0, 2, 1, 1},
    {"(a)\\1", "aA", 8, 0, 2, -1, 0},
    {"(a)\\1", "aA", 0, -1, 0, -1, 0},
    {"(?<n>a)\\k<n>", "xaa", 0, 1, 2, -1, 0},
    {"(?'n'a)\\k'n'", "aa", 0, 0, 2, -1, 0},
    {"(?P<n>a)\\k<n>", "aa", 0, 0, 2, -1, 0},
    {"(?<n>a)(?<N>b)\\k<n>", "abb", 0, 0, 3, -1, 0},
    {"(?<n>a)(?<N>b)\\k<n>", "aba", 0, -1, 0, -1, 0},
    {"(?<2>x)\\2", "xx", 0, 0, 2, -1, 0},
    {"(a)(?<x>b)\\2", "abb", 0, 0, 3, -1, 0},
    {"(a)\\k<zz>", "aa", 0, -1, 0, -1, 0},
    // conditions
    {"(?(1)yes|no)", "no yes", 0, 0, 2, 0, 2},
    {"(a)?(?(1)b|c)", "c ab", 0, 0, 1, 0, 1},
    {"(a)?(?(1)b|c)", "ab", 0, 0, 2, -1, 0},
    {"(?(abc)abcd|y)", "abcd", 0, 0, 4, -1, 0},
    {"(?(abc)abcd|y)", "abcy", 0, 3, 1, 3, 1},
    {"(?(?=a)ab|cd)", "xcdab", 0, 1, 2, -1, 0},
    {"(?<v>a)?(?(v)b|c)", "ab", 0, 0, 2, -1, 0},
    // look-around, atomic groups
    {"(?=ab)a", "aab", 0, 1, 1, 1, 1},
    {"(?!b)\\w", "bba", 0, 2, 1, 2, 1},
    {"(?<=a)b", "abb", 0, 1, 1, 1, 1},
    {"(?<!a)b", "abb", 0, 2, 1, 2, 1},
    // recursion
    {"a(?R)?b", "xaabbb", 0, 1, 4, 1, 4},
    {"(a|b)(?1)", "ab", 0, 0, 2, 0, 2},
    {"(?1)(a|b)", "ab", 0, 0, 2, 0, 2},
    {"(?<n>[ab])(?R<n>)", "ab", 0, 0, 2, 0, 2},
    {"(?<n>[ab])(?R'n')", "ab", 0, 0, 2, 0, 2},
    {"a(?9)b", "ab", 0, 0, 2, 0, 2}, // recursion to a missing group matches empty
};

template <class T> void RunSyntaxTable() {
    for (const SyntaxCase& c : kSyntax) {
        SCOPED_TRACE(testing::Message()
                     << "pattern " << c.pattern << " flags " << c.flags << " width " << sizeof(T));
        EXPECT_EQ(Find<T>(c.pattern, c.flags, c.subject), std::make_pair(c.start, c.length));
        EXPECT_EQ(Find<T>(c.pattern, c.flags | RxRightToLeft, c.subject),
                  std::make_pair(c.rtlStart, c.rtlLength));
    }
}

TEST(RxMachine, SyntaxTable8Bit) {
    RunSyntaxTable<char>();
}
TEST(RxMachine, SyntaxTable16Bit) {
    RunSyntaxTable<wchar_t>();
}

// Where the two forms differ: numbers read 3 digits in the 8-bit form and 6 in the 16-bit
// form, hex escapes keep the low bits of the code unit, and 8-bit class ranges compare as
// signed bytes.
struct WidthCase {
    const char* pattern;
    std::string subject;
    int start8, length8;
    int start16, length16;
};

TEST(RxMachine, FormsDifferInNumbersEscapesAndRanges) {
    const std::string a123(123, 'a');
    const WidthCase cases[] = {
        {"a{1234}", a123, 0, 123, -1, 0},        {"(?<1234>x)\\1", "xx", 0, 2, -1, 0},
        {"\\x{141}", "A", 0, 1, -1, 0},          {"[\\x80-\\xff]", "a\xe9", 1, 1, 1, 1},
        {"[\\x20-\\xff]", "a\xe9", -1, 0, 0, 1}, {"[\\x7f-\\x80]", "\x7f\x80", -1, 0, 0, 1},
    };
    for (const WidthCase& c : cases) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(Find<char>(c.pattern, 0, c.subject), std::make_pair(c.start8, c.length8));
        EXPECT_EQ(Find<wchar_t>(c.pattern, 0, c.subject), std::make_pair(c.start16, c.length16));
    }
}

// Nesting beyond the limit compiles to a pattern that matches nothing, without exhausting
// the stack on the way; a pattern at the limit still works.
TEST(RxMachine, DeepNestingCompilesToNoMatch) {
    const int limit = RxMachine<char>::kMaxNesting;
    auto nested = [](int depth, const std::string& open, const std::string& core) {
        std::string p;
        for (int i = 0; i < depth; ++i)
            p += open;
        p += core;
        p.append(depth, open == "[" ? ']' : ')');
        return p;
    };
    EXPECT_EQ(Find<char>(nested(limit, "(", "a"), 0, "xa"), std::make_pair(1, 1));
    EXPECT_EQ(Find<wchar_t>(nested(limit, "(?:", "a"), 0, "xa"), std::make_pair(1, 1));
    EXPECT_EQ(Find<char>(nested(limit + 1, "(", "a"), 0, "xa"), NoMatch());
    EXPECT_EQ(Find<char>(nested(100000, "(", "a"), 0, "xa"), NoMatch());
    EXPECT_EQ(Find<wchar_t>(nested(100000, "(?>", "a"), 0, "xa"), NoMatch());
    // Unclosed groups and nested classes: "[:" inside a class opens a nested class.
    EXPECT_EQ(Find<char>(std::string(100000, '('), 0, "x"), NoMatch());
    std::string classes = "[";
    for (int i = 0; i < 20000; ++i)
        classes += "[:";
    EXPECT_EQ(Find<wchar_t>(classes, 0, ":"), NoMatch());
}

} // namespace

namespace {

// The machine itself: an empty pattern's root is the empty node, which matches at 0 even
// in an empty text; stock nodes are built once and shared.
TEST(RxMachine, EmptyPatternAndStockNodes) {
    RxMachine<wchar_t> m;
    RxNode* root = m.Build(RxBufferView<wchar_t>(), 0);
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root, m.GetStockNode(0));
    EXPECT_EQ(m.GetStockNode(17), m.GetStockNode(0));
    EXPECT_EQ(m.GetStockNode(3), m.GetStockNode(3));
    EXPECT_NE(m.GetStockNode(3), m.GetStockNode(11));

    for (const wchar_t* text : {L"", L"abc"}) {
        RegexMatchContext c;
        c.text = text;
        c.length = static_cast<int>(std::wcslen(text));
        RxBuffer<int> result;
        m.RunMatch(c, result);
        ASSERT_EQ(result.Size(), 4);
        EXPECT_EQ(result[0], 1);
        EXPECT_EQ(result[1], 0);
        EXPECT_EQ(result[2], 0);
        EXPECT_EQ(result[3], 0);
    }
}

} // namespace
