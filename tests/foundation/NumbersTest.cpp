#include "foundation/Numbers.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdint>
#include <cwchar>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();

using Bytes = std::vector<unsigned char>;

} // namespace

TEST(Numbers, IntegersToText) {
    EXPECT_EQ(IntToText(0), L"0");
    EXPECT_EQ(IntToText(-42), L"-42");
    EXPECT_EQ(IntToText(std::numeric_limits<int>::min()), L"-2147483648");
    EXPECT_EQ(ByteToText(255), L"255");
    EXPECT_EQ(ByteToText(7), L"7");
    EXPECT_EQ(FormatUInt64(0), L"0");
    EXPECT_EQ(FormatUInt64(kMax), L"18446744073709551615");
    EXPECT_EQ(FormatUInt64(255, true), L"0x00000000000000ff");
    EXPECT_EQ(FormatUInt64(0, true), L"0x0000000000000000");
    EXPECT_EQ(FormatUInt64(0xABCDEF0123456789ull, true), L"0xabcdef0123456789");
}

TEST(Numbers, FormatDoubleDropsTrailingZerosAndPoint) {
    const struct {
        double value;
        const wchar_t* text;
    } cases[] = {
        {1.5, L"1.5"},
        {2.0, L"2"},
        {0.0, L"0"},
        {100.0, L"100"},
        {-0.25, L"-0.25"},
        {0.1, L"0.1"},
        {1e-7, L"0"},
        {123456.789, L"123456.789"},
        {2.0000004, L"2"},
        {0.0000019, L"0.000002"},
        {2.5e15, L"2500000000000000"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatDouble(c.value), c.text) << c.value;
}

TEST(Numbers, ParseDoubleReadsLeadingNumberWithPointOrComma) {
    const struct {
        const wchar_t* text;
        double value;
        std::size_t used;
    } cases[] = {
        {L"1.5", 1.5, 3},   {L"1,5", 1.5, 3},    {L" \t-2.25e2x", -225.0, 9},
        {L"+7", 7.0, 2},    {L".5", 0.5, 2},     {L",5", 0.5, 2},
        {L"5.", 5.0, 2},    {L"1e", 1.0, 1},     {L"1e+", 1.0, 1},
        {L"1.5,2", 1.5, 3}, {L"12 34", 12.0, 2}, {L"1E-2", 0.01, 4},
        {L"abc", 0.0, 0},   {L"", 0.0, 0},       {L".", 0.0, 0},
        {L"-", 0.0, 0},     {L"1e-400", 0.0, 6}, {L"0.000e999", 0.0, 9},
    };
    for (const auto& c : cases) {
        std::size_t used = 99;
        EXPECT_EQ(ParseDouble(c.text, &used), c.value) << c.text;
        EXPECT_EQ(used, c.used) << c.text;
    }
    EXPECT_EQ(ParseDouble(L"1e400"), HUGE_VAL);
    EXPECT_EQ(ParseDouble(L"-0.0001e313"), -HUGE_VAL);
    EXPECT_EQ(ParseDouble(L"-Infinity"), -HUGE_VAL);
    EXPECT_TRUE(std::isnan(ParseDouble(L"NaN")));

    for (double value : {0.5, -1234.125, 1e-6, 3e12, 1.0 / 3.0})
        EXPECT_NEAR(ParseDouble(FormatDouble(value).view()), value, 5e-7) << value;
}

// Saved searches written under a comma locale must read back under any other,
// and the other way round: the C run-time's own "%f" and wcstod follow the
// locale, FormatDouble and ParseDouble must not.
class NumbersInCommaLocale : public testing::Test {
protected:
    void SetUp() override {
        m_saved = std::setlocale(LC_ALL, nullptr);
        ASSERT_NE(std::setlocale(LC_ALL, "German"), nullptr);
    }
    void TearDown() override { std::setlocale(LC_ALL, m_saved.c_str()); }

private:
    std::string m_saved;
};

TEST_F(NumbersInCommaLocale, WritesAndReadsPointDecimals) {
    wchar_t runtime[32];
    std::swprintf(runtime, 32, L"%f", 2.5);
    ASSERT_STREQ(runtime, L"2,500000") << "the run-time does not format with a comma";
    ASSERT_EQ(std::wcstod(L"1.5", nullptr), 1.0) << "the run-time reads 1.5 fully";

    EXPECT_EQ(FormatDouble(2.5), L"2.5");
    EXPECT_EQ(FormatDouble(-1234.75), L"-1234.75");
    EXPECT_EQ(ParseDouble(L"1.5"), 1.5);
    EXPECT_EQ(ParseDouble(L"1,5"), 1.5);
}

TEST(Numbers, ToIntReadsDecimalOrHexAfter0x) {
    const struct {
        const wchar_t* text;
        std::uint64_t value;
    } cases[] = {
        {L"", 0},
        {L"0x1F", 31},
        {L"0X1f", 31},
        {L"12abc", 12},
        {L"-1", kMax},
        {L"  42", 42},
        {L"+9", 9},
        {L"1.5", 1},
        {L"x10", 0},
        {L"0x", 0},
        {L"abc", 0},
        {L"99999999999999999999", kMax},
        {L"0xffffffffffffffff", kMax},
        {L"0x10000000000000000", kMax},
    };
    for (const auto& c : cases)
        EXPECT_EQ(mvstring(c.text).ToInt(), c.value) << c.text;
}

TEST(Numbers, ParseBoolTakesTrueInAnyCaseOrNonZeroNumber) {
    const struct {
        const wchar_t* text;
        bool value;
    } cases[] = {
        {L"", false},      {L"true", true},   {L"TRUE", true}, {L"tRuE", true},   {L"1", true},
        {L"0x10", true},   {L"2", true},      {L"0", false},   {L"false", false}, {L"yes", false},
        {L" true", false}, {L"truex", false}, {L"0x0", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseBool(c.text), c.value) << c.text;
}

TEST(Numbers, ParseUInt64AcceptsDecimalAndHexForms) {
    const struct {
        const wchar_t* text;
        std::uint64_t value;
    } cases[] = {
        {L"1Ah", 26},
        {L"0x1a", 26},
        {L"x1A", 26},
        {L"1a", 26},
        {L"ff", 255},
        {L"10", 10},
        {L" \t12\r\n", 12},
        {L"0x10h", 16},
        {L"10h", 16},
        {L"0", 0},
        {L"18446744073709551615", kMax},
    };
    for (const auto& c : cases) {
        std::uint64_t value = 1;
        EXPECT_TRUE(ParseUInt64(c.text, value)) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
    }
}

TEST(Numbers, ParseUInt64RejectsTextsWithoutOneWholeNumber) {
    // "h", "0x" and blanks used to count as the number 0.
    for (const wchar_t* text :
         {L"", L"   ", L"h", L" H ", L"0x", L"0xh", L"x", L"xh", L"12 34", L"g", L"1.5", L"0x1g",
          // Too large or negative: the run-time's wrap-around or maximum is not the number.
          L"18446744073709551616", L"0x10000000000000000", L"10000000000000000h",
          L"99999999999999999999", L"-1", L"-0x1", L" -5h"}) {
        std::uint64_t value = 1;
        EXPECT_FALSE(ParseUInt64(text, value)) << text;
    }
    std::uint64_t value = 1;
    ParseUInt64(L"h", value);
    EXPECT_EQ(value, 0u);
}

TEST(Numbers, HexToBytesWritesPairsWithinCapacity) {
    unsigned char buffer[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    EXPECT_EQ(mvstring(L"0X4d:5A").HexToBytes(buffer, 2), 2u);
    EXPECT_EQ(Bytes(buffer, buffer + 3), (Bytes{0x4D, 0x5A, 0xEE}));

    unsigned char untouched[2] = {0xEE, 0xEE};
    EXPECT_EQ(mvstring(L"0X4d:5A").HexToBytes(untouched, 1), 0u);
    EXPECT_EQ(Bytes(untouched, untouched + 2), (Bytes{0xEE, 0xEE}));

    const struct {
        const wchar_t* text;
        Bytes bytes;
    } cases[] = {
        {L"f", {0x0F}},      {L"abc", {0x0A, 0xBC}},
        {L"0x0x12", {0x12}}, {L"de ad-BE\tef", {0xDE, 0xAD, 0xBE, 0xEF}},
        {L"zz", {}},         {L"", {}},
    };
    for (const auto& c : cases) {
        unsigned char out[4] = {};
        const std::size_t count = mvstring(c.text).HexToBytes(out, 4);
        EXPECT_EQ(Bytes(out, out + count), c.bytes) << c.text;
    }
    EXPECT_EQ(mvstring(L"12").HexToBytes(nullptr, 4), 0u);
}

TEST(Numbers, ParseHexBytesAcceptedForms) {
    const struct {
        const wchar_t* text;
        Bytes bytes;
    } cases[] = {
        {L"4d 5a 90", {0x4D, 0x5A, 0x90}},
        {L"0x4D 0x5A", {0x4D, 0x5A}},
        {L"4dh 5ah", {0x4D, 0x5A}},
        {L"x4d", {0x4D}},
        {L"4d5a90", {0x4D, 0x5A, 0x90}},
        {L"abc", {0x0A, 0xBC}},
        {L"\t 4D   5a \r\n", {0x4D, 0x5A}},
        {L"0x h 7", {0x07}},
        {L"0X1H", {0x01}},
    };
    for (const auto& c : cases) {
        Bytes bytes{0x99};
        EXPECT_TRUE(ParseHexBytes(c.text, bytes)) << c.text;
        EXPECT_EQ(bytes, c.bytes) << c.text;
    }
}

TEST(Numbers, ParseHexBytesFailsWholeTextOnAnyNonHexPiece) {
    // "1g" used to give the byte 01, the stray letter dropped silently.
    for (const wchar_t* text : {L"4d zz", L"1g", L"4d 1g", L"g1 4d", L"4d:5a", L"4d0x5a", L"x",
                                L"h", L"0x", L"", L"  "}) {
        Bytes bytes{0x99};
        EXPECT_FALSE(ParseHexBytes(text, bytes)) << text;
        EXPECT_TRUE(bytes.empty()) << text;
    }
}
