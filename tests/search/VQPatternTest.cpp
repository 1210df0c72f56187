#include "search/VQPattern.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

VQPattern Make(std::string_view bytes, bool caseInsensitive = false) {
    VQPattern p;
    p.Set(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), caseInsensitive);
    return p;
}

int64_t FindIn(const VQPattern& p, std::string_view text) {
    return p.Find(reinterpret_cast<const uint8_t*>(text.data()), static_cast<int64_t>(text.size()));
}

// The strong good-suffix shift by its definition: the smallest s >= 1 that
// agrees with every matched byte still under the pattern and, when the
// mismatching byte stays under it, brings a different byte there.
int32_t NaiveShift(const std::string& x, int32_t j) {
    const int32_t m = static_cast<int32_t>(x.size());
    for (int32_t s = 1; s < m; ++s) {
        bool agrees = true;
        for (int32_t k = j + 1; k < m && agrees; ++k)
            agrees = k - s < 0 || x[k] == x[k - s];
        if (agrees && (j - s < 0 || x[j - s] != x[j]))
            return s;
    }
    return m;
}

TEST(VQPattern, GoodSuffixTableFollowsItsDefinitionForEveryShortPattern) {
    // Every pattern of up to eight bytes over two letters, and a few others.
    std::vector<std::string> patterns = {"abcabdab", "ANPANMAN", "aaaa", "abcd"};
    for (int length = 1; length <= 8; ++length) {
        for (int bits = 0; bits < (1 << length); ++bits) {
            std::string x;
            for (int i = 0; i < length; ++i)
                x += (bits >> i) & 1 ? 'b' : 'a';
            patterns.push_back(x);
        }
    }
    for (const std::string& x : patterns) {
        SCOPED_TRACE(x);
        const VQPattern p = Make(x);
        const int32_t m = static_cast<int32_t>(x.size());
        ASSERT_EQ(p.GoodSuffix().size(), x.size());
        for (int32_t j = 0; j + 1 < m; ++j)
            ASSERT_EQ(p.GoodSuffix()[j], (m - 2 - j) + NaiveShift(x, j)) << "j=" << j;
        EXPECT_EQ(p.GoodSuffix()[m - 1], 0);
    }
}

// The block filter and Boyer-Moore alone against a plain scan on random texts
// over small alphabets, with and without case folding.
TEST(VQPattern, FindAgreesWithAPlainScan) {
    std::mt19937 random(1234);
    const std::string alphabets[] = {"ab", "aAbB", "abc[{\xC9\xE9", std::string("a\0 Bb", 5)};
    auto fold = [](char c) { return static_cast<char>(FoldAsciiByte(static_cast<uint8_t>(c))); };
    for (int round = 0; round < 3000; ++round) {
        const std::string& alphabet = alphabets[round % 4];
        auto pick = [&](size_t n) {
            std::string s;
            for (size_t i = 0; i < n; ++i)
                s += alphabet[random() % alphabet.size()];
            return s;
        };
        const std::string pattern = pick(1 + random() % 12);
        const std::string text = pick(random() % 400);
        const bool ci = round % 2 == 1;
        int64_t expected = -1;
        for (size_t at = 0; at + pattern.size() <= text.size() && expected < 0; ++at) {
            bool same = true;
            for (size_t i = 0; i < pattern.size() && same; ++i)
                same = ci ? fold(text[at + i]) == fold(pattern[i]) : text[at + i] == pattern[i];
            if (same)
                expected = static_cast<int64_t>(at);
        }
        const VQPattern p = Make(pattern, ci);
        ASSERT_EQ(FindIn(p, text), expected)
            << "pattern " << pattern << " text " << text << " ci " << ci;
        ASSERT_EQ(p.FindBoyerMoore(reinterpret_cast<const uint8_t*>(text.data()),
                                   static_cast<int64_t>(text.size())),
                  expected);
    }
}

// FindFirstOf over all the patterns against each pattern's Boyer-Moore search alone: the
// earliest match, and on a tie the first pattern listed.
testing::AssertionResult FirstOfAgreesWithEachAlone(const std::vector<VQPattern>& patterns,
                                                    const std::string& text) {
    const auto* data = reinterpret_cast<const uint8_t*>(text.data());
    const auto n = static_cast<int64_t>(text.size());
    int64_t expected = -1;
    size_t expectedWhich = 0;
    std::vector<const VQPattern*> list;
    for (size_t p = 0; p < patterns.size(); ++p) {
        const int64_t at = patterns[p].FindBoyerMoore(data, n);
        if (at >= 0 && (expected < 0 || at < expected)) {
            expected = at;
            expectedWhich = p;
        }
        list.push_back(&patterns[p]);
    }
    size_t which = 99;
    const int64_t at = VQPattern::FindFirstOf(list.data(), list.size(), data, n, which);
    if (at != expected)
        return testing::AssertionFailure() << "found at " << at << ", expected " << expected;
    if (expected >= 0 && which != expectedWhich)
        return testing::AssertionFailure()
               << "pattern " << which << " found, expected " << expectedWhich;
    return testing::AssertionSuccess();
}

// Several patterns in one pass give what searching each of them alone gives:
// the earliest match, the first pattern listed on a tie. Groups of up to 20
// patterns cover the one-pass filter and, beyond 16, the pattern-by-pattern
// search; every other round has only patterns of 5 bytes or more, which the
// many-pattern filter tests at wider spacing.
TEST(VQPattern, FindFirstOfAgreesWithEachPatternAlone) {
    std::mt19937 random(99);
    const std::string alphabet("abAB\0 c", 7);
    auto pick = [&](size_t n) {
        std::string s;
        for (size_t i = 0; i < n; ++i)
            s += alphabet[random() % alphabet.size()];
        return s;
    };
    for (int round = 0; round < 2000; ++round) {
        std::vector<VQPattern> patterns;
        const size_t count = 1 + random() % 20;
        for (size_t p = 0; p < count; ++p)
            patterns.push_back(
                Make(pick((round % 2 == 0 ? 2 : 5) + random() % 8), random() % 2 == 0));
        const std::string text = pick(random() % 600);
        ASSERT_TRUE(FirstOfAgreesWithEachAlone(patterns, text)) << "round " << round;
    }
}

// The many-pattern filter on longer texts: groups of 4 to 16 patterns of 3 to 24 bytes, with
// bytes from 0x80 up, zeros, blanks and letters of both cases; some patterns share their
// first bytes with another one, and copies of the patterns (their letters in either case)
// are planted at random places, the end of the text among them. Every group must give what
// searching each of its patterns alone gives.
TEST(VQPattern, FindFirstOfAgreesWithEachPatternAloneOnLongTexts) {
    std::mt19937 random(2024);
    const std::string alphabets[] = {std::string("aAbBqQ\0 \xC3\xC9\xE9\x89", 12),
                                     std::string("kalomineTOSU \n", 14),
                                     std::string("\0\x01\x80\xFF", 4)};
    auto swapCase = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ? static_cast<char>(c ^ 0x20) : c;
    };
    for (int round = 0; round < 1500; ++round) {
        const std::string& alphabet = alphabets[round % 3];
        auto pick = [&](size_t n) {
            std::string s;
            for (size_t i = 0; i < n; ++i)
                s += alphabet[random() % alphabet.size()];
            return s;
        };
        // Short groups test neighbouring bytes, long ones bytes further apart.
        const size_t shortest = 3 + random() % (round % 2 == 0 ? 4 : 20);
        std::vector<std::string> words;
        const size_t count = 4 + random() % 13;
        for (size_t p = 0; p < count; ++p) {
            std::string w = pick(shortest + random() % 6);
            if (p > 0 && random() % 3 == 0) // the same start as an earlier one
                w = words[random() % p].substr(0, shortest) + pick(random() % 4);
            words.push_back(w);
        }
        std::string text = pick(random() % 3000);
        for (int k = random() % 4; k > 0; --k) {
            std::string w = words[random() % count];
            for (char& c : w)
                c = random() % 2 ? swapCase(c) : c;
            const size_t at = random() % 2 ? text.size() : random() % (text.size() + 1);
            text.insert(at, w);
        }
        std::vector<VQPattern> patterns;
        for (const std::string& w : words)
            patterns.push_back(Make(w, random() % 2 == 0));
        ASSERT_TRUE(FirstOfAgreesWithEachAlone(patterns, text)) << "round " << round;
    }
}

TEST(VQPattern, FoldsOnlyAsciiLetters) {
    struct Case {
        const char* pattern;
        const char* text;
        bool caseInsensitive;
        int64_t at;
    };
    const Case cases[] = {
        {"abc", "xxABCxx", true, 2}, {"abc", "aBc", true, 0},
        {"ABC", "abc", true, 0},     {"abc", "xxABCxx", false, -1},
        {"[", "{", true, -1},        {"@", "`", true, -1},
        {"\xE9", "\xC9", true, -1},  {"\xC3\xA9", "\xC3\x89", true, -1},
        {"", "abc", false, 0},       {"abcd", "abc", false, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pattern);
        EXPECT_EQ(FindIn(Make(c.pattern, c.caseInsensitive), c.text), c.at);
    }
    EXPECT_EQ(Make("abc", true).Bytes(), (std::vector<uint8_t>{'A', 'B', 'C'}));
    EXPECT_EQ(FindIn(Make("x"), {}), -1);
}

} // namespace
