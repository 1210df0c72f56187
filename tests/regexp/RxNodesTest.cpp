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

namespace {

// A fixed-seed generator, so a failing case comes back the same every run.
class Random {
public:
    unsigned Next(unsigned n) {
        m_state = m_state * 1664525u + 1013904223u;
        return (m_state >> 8) % n;
    }
    template <size_t N> const char* Pick(const char* const (&items)[N]) { return items[Next(N)]; }

private:
    unsigned m_state = 20261210u;
};

std::string RandomLiteral(Random& r) {
    static const char* const units[] = {"a", "b", "A", "B", "@", "\\.", "c", " ", "1", "\xe9"};
    std::string s;
    for (unsigned i = 0, n = 1 + r.Next(3); i < n; ++i)
        s += r.Pick(units);
    return s;
}

std::string RandomClass(Random& r) {
    static const char* const classes[] = {
        "\\w", "\\W", "\\s", "\\d",    "[ab]",        "[^a]", "[a-c@]",      ".",          "a",
        "B",   "@",   "[.]", "[^\\s]", "[[:alpha:]]", "\\S",  "[[:lower:]]", "[[:upper:]]"};
    return r.Pick(classes);
}

std::string RandomQuantifier(Random& r) {
    static const char* const quantifiers[] = {"*",  "+",  "?",     "{1,2}", "{2}",
                                              "*?", "+?", "{0,3}", "++",    "{2,}"};
    return r.Pick(quantifiers);
}

std::string RandomZeroWidth(Random& r) {
    static const char* const anchors[] = {"\\b", "\\B", "^", "$", "(?=a)", "(?!b)", "(?<=a)", ""};
    return r.Pick(anchors);
}

std::string RandomSequence(Random& r, int depth);

std::string RandomPiece(Random& r, int depth) {
    switch (r.Next(depth > 0 ? 13 : 6)) {
    case 0:
        return RandomLiteral(r);
    case 1:
        return RandomClass(r);
    case 2:
        return RandomClass(r) + RandomQuantifier(r);
    case 3:
        return RandomLiteral(r) + RandomQuantifier(r);
    case 4:
        return RandomZeroWidth(r);
    case 5:
        return "\\1";
    case 6:
        return "(" + RandomSequence(r, depth - 1) + ")";
    case 7:
        return "(?:" + RandomSequence(r, depth - 1) + "|" + RandomSequence(r, depth - 1) + ")";
    case 8:
        return "(" + RandomSequence(r, depth - 1) + ")" + RandomQuantifier(r);
    case 9:
        return "(?>" + RandomSequence(r, depth - 1) + ")";
    case 10:
        return "(?:" + RandomSequence(r, depth - 1) + ")" + RandomQuantifier(r);
    case 11:
        return "(" + RandomSequence(r, depth - 1) + "|" + RandomSequence(r, depth - 1) + ")";
    default:
        return "(?(1)" + RandomSequence(r, depth - 1) + "|" + RandomSequence(r, depth - 1) + ")";
    }
}

std::string RandomSequence(Random& r, int depth) {
    std::string s;
    for (unsigned i = 0, n = 1 + r.Next(3); i < n; ++i)
        s += RandomPiece(r, depth);
    return s;
}

// A pattern of one of the shapes that the shortcuts look for, with random parts: "L" a
// literal, "C" a single-unit class, "Z" a zero-width item, "S" a random sequence.
std::string RandomPattern(Random& r) {
    static const char* const shapes[] = {
        "L|L|L", // literals that begin every match
        "ZLS",   // a literal after an anchor
        "L|LS",  //
        "C+LS",  // a run of units before a literal
        "C{1,3}ZLS", "C*LS",         "C{2}LS", "C+?LS",      "C++LS",
        "C{1,2}?L",
        "\\bS",               // a word start
        "\\b(C+)S",  "(C+)S", // what follows a repeat inside a group
        "(?:C+|S)S", "(?(1)C+|L)S",  "C*S",    "(C+)C+\\1S", "\\b(C+)C{1,2}\\1S",
        "(C*)C+\\1", "(C{2,})C?\\1", // a repeated run
        "S",                         // anything at all
        "S|S",
    };
    std::string out;
    for (const char* p = r.Pick(shapes); *p; ++p) {
        switch (*p) {
        case 'L':
            out += RandomLiteral(r);
            break;
        case 'C':
            out += RandomClass(r);
            break;
        case 'Z':
            out += RandomZeroWidth(r);
            break;
        case 'S':
            out += RandomSequence(r, 2);
            break;
        default:
            out += *p;
        }
    }
    return out;
}

// Texts over many units, or over a few so that runs and repeats are common; now and then
// long enough for the scans that read sixteen bytes at a time. "\x01" stands for a code
// unit above 0xFF in the 16-bit form (see Subject).
std::string RandomText(Random& r) {
    static const char* const units[] = {"a", "A", "b", "B",    "@",  ".",    "c",
                                        " ", "1", "_", "\r\n", "\n", "\x01", "\xc9"};
    static const char* const few[] = {"a", "A", "b", " "};
    const bool narrow = r.Next(2) == 0;
    std::string s;
    for (unsigned i = 0, n = r.Next(r.Next(8) == 0 ? 40 : 18); i < n; ++i)
        s += narrow ? r.Pick(few) : r.Pick(units);
    return s;
}

// The subject in either width; in the 16-bit form "\x01" becomes U+0161.
template <class T> std::basic_string<T> Subject(const std::string& s) {
    std::basic_string<T> out = Units<T>(s);
    if constexpr (sizeof(T) > 1) {
        for (T& ch : out) {
            if (ch == T(1))
                ch = T(0x161);
        }
    }
    return out;
}

// Start, length and captures of the first match in text[from..].
template <class T>
std::vector<int> Outcome(VQ_Regexp<T>& rx, const std::basic_string<T>& text, size_t from) {
    int len = 0;
    const int start = rx.Match(text.data() + from, static_cast<int>(text.size() - from), len);
    const RxBuffer<int>& c = rx.LastCaptures();
    std::vector<int> out{start, len};
    out.insert(out.end(), c.Data(), c.Data() + c.Size());
    return out;
}

template <class T>
void CompareWithGeneralPath(const std::string& pattern, int flags,
                            const std::vector<std::string>& texts) {
    VQ_Regexp<T> fast, general;
    general.SetFastPaths(false);
    CompileUnits(fast, Units<T>(pattern), flags);
    CompileUnits(general, Units<T>(pattern), flags);
    for (const std::string& t : texts) {
        const std::basic_string<T> text = Subject<T>(t);
        for (size_t from = 0; from <= text.size(); ++from) {
            const std::vector<int> expected = Outcome(general, text, from);
            const std::vector<int> got = Outcome(fast, text, from);
            if (got != expected) {
                ADD_FAILURE() << "pattern \"" << pattern << "\" flags " << flags << " width "
                              << sizeof(T) << " text \"" << t << "\" from " << from
                              << ": fast start " << got[0] << " length " << got[1]
                              << ", general start " << expected[0] << " length " << expected[1];
                return;
            }
        }
    }
}

// Every shortcut (compact repeats, follower tests, literal and word-start filters, the run
// before an inner literal) must give the same start, length and captures as the plain node
// tree trying every position, for random patterns of the shapes the shortcuts look for.
void CompareRandomPatterns(int count, std::initializer_list<int> flagSets) {
    Random r;
    for (int i = 0; i < count; ++i) {
        const std::string pattern = RandomPattern(r);
        std::vector<std::string> texts;
        for (int k = 0; k < 4; ++k)
            texts.push_back(RandomText(r));
        for (int flags : flagSets) {
            CompareWithGeneralPath<char>(pattern, flags, texts);
            CompareWithGeneralPath<wchar_t>(pattern, flags, texts);
        }
    }
}

TEST(RxNodes, FastPathsAgreeWithGeneralPathOnRandomPatterns) {
    CompareRandomPatterns(700, {0, int(RxMultiLine), int(RxIgnoreCase),
                                RxSingleLine | RxMultiLine | RxIgnoreCase, int(RxRightToLeft)});
}

// The same ignoring case under a code page whose case mapping covers more than ASCII, so
// that the literal scans and the repeated-run filter meet folds such as 0xE9 to 0xC9.
TEST(RxNodes, FastPathsAgreeWithGeneralPathUnderCodePageCase) {
    LocaleScope user("");
    ASSERT_TRUE(user.Ok());
    // the user's code page 1252 folds the upper half
    ASSERT_EQ(Find<char>("\xe9", RxIgnoreCase, "\xc9"), std::make_pair(0, 1));
    CompareRandomPatterns(300, {int(RxIgnoreCase), RxMultiLine | RxIgnoreCase});
}

} // namespace

namespace {

// Edges of the start filters where a shortcut that reasons too boldly would skip a match.
TEST(RxNodes, StartFilterEdgesAgreeWithGeneralPath) {
    struct Case {
        const char* pattern;
        std::vector<std::string> texts;
    };
    const Case cases[] = {
        // a repeated run: the capture gives back when the gap may be empty, and a gap unit
        // that folds like the capture's first unit ends the gap early
        {"(a{2,})b?\\1", {"aaaa", "xaaab aa"}},
        {"([[:lower:]]+)[[:upper:]]+\\1", {"aAA", "abABab", "ab ABAB"}},
        {"\\b(\\w+)\\s+\\1\\b",
         {"the the", "a  a b", "ab abc ab ab", "x\r\nx", "\xe9 \xe9",
          "abcdefghijklmnopqrstu abcdefghijklmnopqrstu", "xyzxyzxyzxyzxyz ab ab",
          "xyzxyzxyzxyz xyzxyzxyzxyz",
          "\x01"
          "a a"}},
        // a word start found in a block of sixteen units, after a word that ends the block
        {"\\bab",
         {"abcdefghijklmnoab ab", "0123456789abcdefab",
          "\x01\x01"
          "ab"}},
        {"\\b[^a]", {"aaaaaaaaaaaaaaaaaaaaa\x01", "\x01"}},
        // a run before an inner literal: the run may be shorter than the repeat's minimum
        {"\\w{2,}@\\w", {"a@b ab@c", "@@a@@ab@"}},
        {"\\d+\\.\\d+", {"1..2 3.4", ".5 6."}},
        {"[0-9]{2}-", {"123-4-56-", "1-"}},
        // literals that begin every match, ignoring case or after an anchor
        {"ab|AB|b", {"xAbaB", "b"}},
        {"abc|xyz", {"qqqqqqqqqqqqqqqqqqqqqqabcq", "---------------------XYZ--"}},
        {"^ab", {"ab\nab", "x\r\nab", "\rab"}},
        {"\\bab", {"cab ab", "_ab"}},
    };
    for (const Case& c : cases) {
        for (int flags : {0, int(RxMultiLine), int(RxIgnoreCase), RxMultiLine | RxIgnoreCase}) {
            CompareWithGeneralPath<char>(c.pattern, flags, c.texts);
            CompareWithGeneralPath<wchar_t>(c.pattern, flags, c.texts);
        }
    }
    // and two answers spelled out
    EXPECT_EQ(Find<char>("(a{2,})b?\\1", 0, "aaaa"), std::make_pair(0, 4));
    EXPECT_EQ(Find<char>("([[:lower:]]+)[[:upper:]]+\\1", RxIgnoreCase, "aAA"),
              std::make_pair(0, 3));
}

} // namespace
