#include "ui/core/NumberText.h"

#include <gtest/gtest.h>

#include <clocale>
#include <climits>
#include <string>

namespace {

// Sets the run-time locale for the test and restores the one before.
class ScopedCrtLocale {
public:
    explicit ScopedCrtLocale(const char* name) : m_old(setlocale(LC_ALL, nullptr)) {
        m_ok = setlocale(LC_ALL, name) != nullptr;
    }
    ~ScopedCrtLocale() { setlocale(LC_ALL, m_old.c_str()); }
    bool Ok() const { return m_ok; }

private:
    std::string m_old;
    bool m_ok = false;
};

} // namespace

TEST(NumberText, GroupedWithTheRunTimeLocaleSeparator) {
    struct Case {
        const char* locale;
        long long value;
        const wchar_t* expected;
    } cases[] = {
        {"C", 1234567, L"1234567"}, // the C locale groups nothing
        {"C", -42, L"-42"},
        {"English_United States.1252", 0, L"0"},
        {"English_United States.1252", 7, L"7"},
        {"English_United States.1252", 999, L"999"},
        {"English_United States.1252", 1000, L"1,000"},
        {"English_United States.1252", 1234567, L"1,234,567"},
        {"English_United States.1252", -1234567, L"-1,234,567"},
        {"English_United States.1252", LLONG_MAX, L"9,223,372,036,854,775,807"},
        {"English_United States.1252", LLONG_MIN, L"-9,223,372,036,854,775,808"},
        {"German_Germany.1252", 1234567, L"1.234.567"},
        // The French separator is a no-break space, 0xA0 in the code page.
        {"French_France.1252", 1234567, L"1\u00a0234\u00a0567"},
    };
    for (const Case& c : cases) {
        ScopedCrtLocale locale(c.locale);
        ASSERT_TRUE(locale.Ok()) << c.locale;
        EXPECT_EQ(FormatInt64Grouped(c.value), mvstring(c.expected)) << c.locale << " " << c.value;
    }
}

TEST(NumberText, ByteSizeIsTheShellText) {
    EXPECT_NE(FormatByteSize(532).find(L"532"), mvstring::npos);
    const mvstring kilobytes = FormatByteSize(1536);
    EXPECT_EQ(kilobytes.front(), L'1');
    EXPECT_NE(kilobytes.find(L"KB"), mvstring::npos);
    EXPECT_NE(FormatByteSize(5LL << 30).find(L"GB"), mvstring::npos);
}
