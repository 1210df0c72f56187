#include "RegexCases.h"

#include <gtest/gtest.h>

namespace {

struct ClassCase {
    const char* pattern;
    int flags;
    const char* subject;
    int start, length;
};

// Same answers in both widths.
const ClassCase kClasses[] = {
    {".", 0, "\n\r", 1, 1}, // "." skips LF but not CR
    {".", RxSingleLine, "\n", 0, 1},
    {".", RxRightToLeft, "\n", -1, 0},
    {"\\s", 0, "\f\vx", -1, 0}, // left to right \s has no FF or VT
    {"\\s", RxRightToLeft, "\fx", 0, 1},
    {"\\S+", 0, " ab ", 1, 2},
    {"\\w\\W", 0, "_a b", 1, 2},
    {"\\d+", 0, "ab12c", 2, 2},
    {"\\D", 0, "12a", 2, 1},
    {"[^a]", 0, "a", -1, 0}, // nothing to examine at the end
    {"a[^a]", 0, "aa", -1, 0},
    {"[a-f]", 0, "xD", -1, 0},
    {"[a-f]", RxIgnoreCase, "xD", 1, 1},
    {"[K]", RxIgnoreCase, "k", 0, 1},
    {"[^a-z]", RxIgnoreCase, "Aa1", 2, 1},
    {"[X-c]", RxIgnoreCase, "x", 0, 1}, // overlaps both letter ranges
    {"[z-a]", 0, "m", -1, 0},
    {"[a-]", 0, "x-", 1, 1},
    {"[\\b]", 0, "a\b", 1, 1},
    {"[\\d.]+", 0, "ab1.5c", 2, 3},
    {"[^\\d]", 0, "12x", 2, 1},
    {"[]a]", 0, "a]", -1, 0}, // "]" right after "[" closes an empty class
    {"[:digit:]", 0, "ab3", 2, 1},
    {"[[:digit:]_]", 0, "a_", 1, 1},
    {"[[:digits:]]", 0, "9s", 1, 1}, // an unknown name is a class of its code units
    {"[[:^digit:]]", 0, "12a", 2, 1},
    {"[[:blank:]]", 0, "a\tb", 1, 1},
    {"[[:lower:]]", RxIgnoreCase, "Aa", 1, 1}, // POSIX classes are never widened
    {"[[:xdigit:]]+", 0, "xyzBEEF", 3, 4},
    {"[[:alpha:][:digit:]]+", 0, "-a1-", 1, 2},
    {"[[:upper:]]", RxRightToLeft, "aBc", 1, 1},
};

template <class T> void RunClassTable() {
    for (const ClassCase& c : kClasses) {
        SCOPED_TRACE(testing::Message()
                     << "pattern " << c.pattern << " flags " << c.flags << " width " << sizeof(T));
        EXPECT_EQ(Find<T>(c.pattern, c.flags, c.subject), std::make_pair(c.start, c.length));
    }
}

TEST(RxCharClass, ClassTable8Bit) {
    RunClassTable<char>();
}
TEST(RxCharClass, ClassTable16Bit) {
    RunClassTable<wchar_t>();
}

// Code units above 0xFF are not classified: they belong to no named class, to every
// negated one, and fold to nothing but themselves.
TEST(RxCharClass, WideUnitsAreNotClassified) {
    const std::wstring s = L"\x0161";
    auto find = [&](const wchar_t* pattern, int flags) {
        VQ_Regexp<wchar_t> rx;
        CompileUnits(rx, std::wstring(pattern), flags);
        return MatchUnits(rx, s);
    };
    EXPECT_EQ(find(L"[[:alpha:]]", 0), NoMatch());
    EXPECT_EQ(find(L"[[:print:]]", 0), NoMatch());
    EXPECT_EQ(find(L"[[:^alpha:]]", 0), std::make_pair(0, 1));
    EXPECT_EQ(find(L"[a-z]", RxIgnoreCase), NoMatch());
    EXPECT_EQ(find(L"[\x0160]", RxIgnoreCase), NoMatch());
    EXPECT_EQ(find(L"[\x0100-\x0200]", 0), std::make_pair(0, 1));
    EXPECT_EQ(find(L"[^\x0100-\x0200]", 0), NoMatch());
}

} // namespace
