#include "RegexCases.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>

namespace {

TEST(VQ_Regexp, UncompiledObjectFindsNothing) {
    VQ_Regexp<wchar_t> never;
    EXPECT_FALSE(never.IsCompiled());
    EXPECT_EQ(MatchUnits(never, std::wstring(L"abc")), NoMatch());

    VQ_Regexp<char> empty;
    CompileUnits(empty, std::string("a"), 0);
    ASSERT_TRUE(empty.IsCompiled());
    CompileUnits(empty, std::string(), 0); // an empty pattern leaves the object uncompiled
    EXPECT_FALSE(empty.IsCompiled());
    EXPECT_EQ(MatchUnits(empty, std::string("abc")), NoMatch());
    EXPECT_EQ(MatchUnits(empty, std::string()), NoMatch());
}

TEST(VQ_Regexp, EmptyMatchesReportTheirStart) {
    EXPECT_EQ(Find<char>("x*", 0, "abc"), std::make_pair(0, 0));
    EXPECT_EQ(Find<wchar_t>("()", 0, ""), std::make_pair(0, 0));
    EXPECT_EQ(Find<wchar_t>("$", 0, "abc"), std::make_pair(3, 0));
    EXPECT_EQ(Find<char>("x*", RxRightToLeft, "abc"), std::make_pair(3, 0));
}

TEST(VQ_Regexp, RecompilingReplacesThePattern) {
    VQ_Regexp<wchar_t> rx;
    const std::wstring text = L"aB bAB";
    struct Step {
        const wchar_t* pattern;
        int flags;
        int start, length;
    };
    // literals, classes and back-references, with and without ignore case
    const Step steps[] = {
        {L"ab", 0, -1, 0},      {L"ab", RxIgnoreCase, 0, 2},
        {L"[a]b", 0, -1, 0},    {L"[a]b", RxIgnoreCase, 0, 2},
        {L"(b)A\\1", 0, -1, 0}, {L"(b)A\\1", RxIgnoreCase, 3, 3},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << s.pattern << " flags " << s.flags);
        CompileUnits(rx, std::wstring(s.pattern), s.flags);
        EXPECT_EQ(MatchUnits(rx, text), std::make_pair(s.start, s.length));
    }
}

// Answers false for the first `allowed` questions, then true; counts the questions.
template <class T> class AbortAfter : public VQ_Regexp<T> {
public:
    explicit AbortAfter(int allowed) : m_allowed(allowed) {}
    bool IsAborted() override { return ++calls > m_allowed; }
    int calls = 0;

private:
    int m_allowed;
};

TEST(VQ_Regexp, AbortBeforeFirstPositionTriesNothing) {
    AbortAfter<char> rx(0);
    CompileUnits(rx, std::string("a"), 0);
    EXPECT_EQ(MatchUnits(rx, std::string("a")), NoMatch());
    EXPECT_EQ(rx.calls, 1);
    EXPECT_EQ(rx.LastCaptures().Size(), 0);
}

// Patterns whose first attempt alone takes some 2^59 or 2^64 steps end as soon as the user
// stops: the question is asked while backtracking, not only between start positions.
TEST(VQ_Regexp, AbortIsSeenInsideBacktracking) {
    AbortAfter<wchar_t> wide(1);
    CompileUnits(wide, std::wstring(L"(a?){60}a{60}"), 0);
    EXPECT_EQ(MatchUnits(wide, std::wstring(59, L'a')), NoMatch());
    EXPECT_EQ(wide.calls, 2);

    AbortAfter<char> narrow(1);
    CompileUnits(narrow, std::string("(a|a){64}b"), 0);
    EXPECT_EQ(MatchUnits(narrow, std::string(64, 'a')), NoMatch());
    EXPECT_EQ(narrow.calls, 2);
}

// Start positions that no match can begin at are passed over by scans, which must still ask
// the question now and then, not only before the one position tried at the end of a long
// text; a user who stops at once then gets no match.
TEST(VQ_Regexp, AbortIsAskedWhileScanningForStarts) {
    struct Scan {
        const char* pattern;
        int flags;
        const char* filler; // repeated, never part of a match
        const char* last;   // the match at the end
    };
    const Scan scans[] = {
        {"needle", 0, "hay stack ", "needle"},         // a literal every match begins with
        {"\\w+@x", 0, "ab cd ", "ab@x"},               // a run before an inner literal
        {"\\b(\\w+)\\s+\\1\\b", 0, "ab cd ", "zz zz"}, // word starts and a repeated run
        {"[0-9]+", 0, "ab cd ", "42"},                 // a set of first units
        {"^x", RxMultiLine, "ab cd\n", "x"},           // line starts
    };
    for (const Scan& s : scans) {
        SCOPED_TRACE(s.pattern);
        std::string text;
        while (text.size() < 400000)
            text += s.filler;
        text += s.last;
        const int end = static_cast<int>(text.size() - std::strlen(s.last));
        AbortAfter<char> never(1 << 30);
        CompileUnits(never, std::string(s.pattern), s.flags);
        EXPECT_EQ(MatchUnits(never, text).first, end);
        EXPECT_GE(never.calls, 2); // during the scan, and before the position tried
        AbortAfter<wchar_t> wideNever(1 << 30);
        CompileUnits(wideNever, Units<wchar_t>(s.pattern), s.flags);
        EXPECT_EQ(MatchUnits(wideNever, Units<wchar_t>(text)).first, end);
        EXPECT_GE(wideNever.calls, 2);
        AbortAfter<char> atOnce(0);
        CompileUnits(atOnce, std::string(s.pattern), s.flags);
        EXPECT_EQ(MatchUnits(atOnce, text), NoMatch());
    }
}

// A match that needs more stack than it may have ends as "no match", the same path an
// allocation failure takes.
TEST(VQ_Regexp, StackExhaustionEndsWithNoMatch) {
    const std::string text = std::string(20000, 'a') + "c";
    VQ_Regexp<char> rx;
    CompileUnits(rx, std::string("(a|b)*c"), 0);
    EXPECT_EQ(MatchUnits(rx, text), std::make_pair(0, 20001));
    rx.SetStackLimit(1000);
    EXPECT_EQ(MatchUnits(rx, text), NoMatch());
    EXPECT_EQ(rx.LastCaptures().Size(), 0);
    EXPECT_EQ(MatchUnits(rx, std::string("abc")), std::make_pair(0, 3));
}

// The run-time's case mapping and classification only ever see 0..255: under the user's
// code page 1252 locale the run-time's toupper maps 0x161 to "A".
TEST(VQ_Regexp, WideCodeUnitsAreNotFolded) {
    LocaleScope user("");
    ASSERT_TRUE(user.Ok());
    ASSERT_EQ(std::toupper(0xE9), 0xC9); // the locale really maps the upper half
    VQ_Regexp<wchar_t> rx;
    CompileUnits(rx, std::wstring(L"^a"), RxIgnoreCase);
    EXPECT_EQ(MatchUnits(rx, std::wstring(L"\x0161"
                                          L"alt.txt")),
              NoMatch());
    EXPECT_EQ(MatchUnits(rx, std::wstring(L"Alt.txt")), std::make_pair(0, 1));
    CompileUnits(rx, std::wstring(L"\x0161"), RxIgnoreCase);
    EXPECT_EQ(MatchUnits(rx, std::wstring(L"\x0160 \x0161")), std::make_pair(2, 1));
    CompileUnits(rx, std::wstring(L"(.)\\1"), RxIgnoreCase);
    EXPECT_EQ(MatchUnits(rx, std::wstring(L"\x0161"
                                          L"A\x0161\x0161")),
              std::make_pair(2, 2));
}

// Bytes above 0x7F reach the case mapping as 0..255, so a single-byte code page's letters
// fold in the 8-bit form as they do in the 16-bit form.
TEST(VQ_Regexp, HighBytesFollowTheLocaleCaseMapping) {
    LocaleScope user(".1252");
    ASSERT_TRUE(user.Ok());
    EXPECT_EQ(Find<char>("\xe9t\xe9", RxIgnoreCase, "x\xc9T\xc9"), std::make_pair(1, 3));
    EXPECT_EQ(Find<wchar_t>("\xe9t\xe9", RxIgnoreCase, "x\xc9T\xc9"), std::make_pair(1, 3));
    EXPECT_EQ(Find<char>("[[:alpha:]]", 0, "1\xe9"), std::make_pair(1, 1));
    // widening a class adds only the other case of the ASCII letters
    EXPECT_EQ(Find<char>("[\xe0-\xef]+", RxIgnoreCase, "x\xc9\xe9"), std::make_pair(2, 1));
}

// A code unit equals itself ignoring case whatever the locale's case table does: Wine's
// double-byte code pages map 0xFF to 0x9F and 0x9F on to a blank, so a literal must not be
// folded twice.
TEST(VQ_Regexp, EveryCodeUnitMatchesItselfIgnoringCase) {
    for (const char* name : {"", ".932"}) {
        LocaleScope scope(name);
        if (!scope.Ok())
            continue;
        for (int u = 0; u < 256; ++u) {
            SCOPED_TRACE(testing::Message() << "locale " << name << " unit " << u);
            const std::string unit(1, static_cast<char>(u));
            EXPECT_EQ(Find<char>("\\Q" + unit, RxIgnoreCase, unit), std::make_pair(0, 1));
            EXPECT_EQ(Find<wchar_t>("\\Q" + unit, RxIgnoreCase, unit), std::make_pair(0, 1));
        }
    }
}

} // namespace
