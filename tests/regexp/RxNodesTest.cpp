#include "RegexCases.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Group spans of the last match: start and end for groups 0..N.
template <class T> std::vector<int> Spans(const char* pattern, int flags, const char* subject) {
    VQ_Regexp<T> rx;
    CompileUnits(rx, Units<T>(pattern), flags);
    MatchUnits(rx, Units<T>(subject));
    const RxBuffer<int>& c = rx.LastCaptures();
    if (c.Size() < 2 || c[0] != 1)
        return {};
    return std::vector<int>(c.Data() + 2, c.Data() + c.Size());
}

struct SpanCase {
    const char* pattern;
    int flags;
    const char* subject;
    std::vector<int> spans;
};

TEST(RxNodes, CaptureTable) {
    const SpanCase cases[] = {
        // each alternation takes the first branch that lets the rest match
        {"(a|ab)(c|bcd)(d*)", 0, "abcd", {0, 4, 0, 1, 1, 4, 4, 4}},
        {"(a)|b", 0, "b", {0, 1, -1, -1}},
        {"(a*)(a)", 0, "aaa", {0, 3, 0, 2, 2, 3}},
        {"(a+?)(a*)", 0, "aaa", {0, 3, 0, 1, 1, 3}},
        {"(a|ab)*c", 0, "ababc", {0, 5, 2, 4}},
        {"(a|ab)*?c", 0, "ababc", {0, 5, 2, 4}},
        // an atom that matches empty stops the extension instead of looping
        {"(a?)*", 0, "aab", {0, 2, 1, 2}},
        {"(a?)*?b", 0, "aab", {0, 3, 1, 2}},
        {"(a*)?ab", 0, "ab", {0, 2, -1, -1}},
        // captures inside a positive look-ahead stay visible, a negative one leaves none
        {"(?=(ab))a", 0, "ab", {0, 1, 0, 2}},
        {"(?!(a))b", 0, "b", {0, 1, -1, -1}},
        // right to left: spans are still reported smaller position first
        {"(ab)c", RxRightToLeft, "abc", {0, 3, 0, 2}},
        // a back-reference inside its own group uses the text up to the position
        {"(a\\1)", 0, "aa", {0, 2, 0, 2}},
        // recursion into an open group keeps one record for it
        {"(a(?1)?b)", 0, "aabb", {0, 4, 0, 4}},
        {"(?>(a+))b|(a+)", 0, "aa", {0, 2, -1, -1, 0, 2}},
        {"(a)?+a", 0, "aa", {0, 2, 0, 1}},
        {"(?(1)x|(y))", 0, "y", {0, 1, 0, 1}},
    };
    for (const SpanCase& c : cases) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(Spans<char>(c.pattern, c.flags, c.subject), c.spans);
        EXPECT_EQ(Spans<wchar_t>(c.pattern, c.flags, c.subject), c.spans);
    }
}

TEST(RxNodes, FailedMatchLeavesNoCaptures) {
    EXPECT_TRUE(Spans<char>("(a)b", 0, "ac").empty());
}

// Recursion nested beyond the budget of 100 fails that branch, so the optional recursion
// stops after 100 levels below the first.
TEST(RxNodes, RecursionBudgetEndsNesting) {
    const std::string text(150, 'a');
    EXPECT_EQ(Find<char>("a(?R)?", 0, text), std::make_pair(0, 101));
    EXPECT_EQ(Find<wchar_t>("a(?R)?", 0, text), std::make_pair(0, 101));
}

// Recursion through a deeply nested pattern is bounded by the call depth as well as by the
// budget: each recursion level here nests 199 groups with alternatives, so 100 levels
// would need some 40000 nested calls, more than the 2 MB stack of the test can hold.
TEST(RxNodes, CallDepthIsBoundedUnderRecursion) {
    std::string pattern;
    for (int i = 0; i < 199; ++i)
        pattern += "(b|";
    pattern += "a(?R)?";
    pattern.append(199, ')');
    const std::string text(100, 'a');
    for (auto [start, length] : {Find<char>(pattern, 0, text), Find<wchar_t>(pattern, 0, text)}) {
        EXPECT_EQ(start, 0);
        EXPECT_GT(length, 1);
        EXPECT_LT(length, 100);
    }
}

} // namespace

namespace {

// A greedy repeat of a single code unit takes a compact path; wrapping the atom in an
// atomic group forces the general repeat, which must give the same answers.
TEST(RxNodes, SingleUnitRepeatAgreesWithGeneralRepeat) {
    struct Pair {
        const char* unit;
        const char* general;
        const char* subject;
    };
    const Pair pairs[] = {
        {"a*ab", "(?>a)*ab", "xaaab"},
        {"[ab]{2,3}b", "(?>[ab]){2,3}b", "aabbb"},
        {"\\w+@\\w+", "(?>\\w)+@(?>\\w)+", "ab cd@ef"},
        {"x.*y", "x(?>.)*y", "x1y2y\ny"},
        {"A{0,2}a", "(?>A){0,2}a", "AAa"},
        {"[[:digit:]]+0", "(?>[[:digit:]])+0", "12300"},
        {"b+", "(?>b)+", "abbba"},
        {"a{3,}", "(?>a){3,}", "aa aaaa"},
    };
    for (const Pair& p : pairs) {
        for (int flags : {0, int(RxIgnoreCase), int(RxRightToLeft), RxIgnoreCase | RxRightToLeft}) {
            SCOPED_TRACE(testing::Message() << p.unit << " flags " << flags);
            const auto expected = Find<char>(p.general, flags, p.subject);
            EXPECT_EQ(Find<char>(p.unit, flags, p.subject), expected);
            EXPECT_EQ(Find<wchar_t>(p.unit, flags, p.subject), expected);
        }
    }
    // and the expected answers themselves for two of them
    EXPECT_EQ(Find<char>("a*ab", 0, "xaaab"), std::make_pair(1, 4));
    EXPECT_EQ(Find<char>("A{0,2}a", RxIgnoreCase | RxRightToLeft, "AAa"), std::make_pair(0, 3));
}

} // namespace
