#include "search/SizeTextFormatter.h"

#include "foundation/mvstring.h"

#include "support/LocaleChild.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <shlwapi.h>

#include <random>
#include <string>
#include <vector>

namespace {

// Sizes that reach every branch of the size texts: each byte count up to
// 4096, both sides of every hundredth of every unit up to 1000 of it (in
// steps), and sizes spread over all magnitudes.
std::vector<std::uint64_t> ManySizes() {
    std::vector<std::uint64_t> sizes;
    for (std::uint64_t size = 0; size <= 4096; ++size)
        sizes.push_back(size);
    for (int unit = 1; unit <= 6; ++unit) {
        const std::uint64_t one = 1ull << (10 * unit);
        for (std::uint64_t hundredths = 1; hundredths < 100000; hundredths += 7) {
            const std::uint64_t edge = one / 100 * hundredths + one % 100 * hundredths / 100;
            if (edge >= (1ull << 62))
                break;
            for (const std::uint64_t size : {edge - 1, edge, edge + 1})
                sizes.push_back(size);
        }
    }
    std::mt19937_64 random(20261210);
    for (int at = 0; at < 100000; ++at)
        sizes.push_back(random() >> (2 + random() % 62));
    return sizes;
}

// How the own size texts compare with the system's call on ManySizes, per
// kind: "kb own=1 differing=0", the first differing sizes with both texts,
// and the texts of a small and a large size, which show the locale.
std::string CompareSizeTexts() {
    const std::vector<std::uint64_t> sizes = ManySizes();
    std::string report;
    for (const bool kb : {true, false}) {
        const SizeTextFormatter formatter(kb);
        std::size_t differing = 0;
        std::string first;
        for (const std::uint64_t size : sizes) {
            wchar_t system[64] = {};
            kb ? StrFormatKBSizeW(static_cast<LONGLONG>(size), system, 64)
               : StrFormatByteSizeW(static_cast<LONGLONG>(size), system, 64);
            const mvstring own = formatter.Text(size);
            if (own != system && ++differing <= 3)
                first +=
                    " " + std::to_string(size) + ":" + WideToUtf8(own) + "|" + WideToUtf8(system);
        }
        report += std::string(kb ? "kb" : "short") + " own=" + (formatter.Own() ? "1" : "0") +
                  " differing=" + std::to_string(differing) + first + " | " +
                  WideToUtf8(formatter.Text(1000)) + " | " +
                  WideToUtf8(formatter.Text(1610612736)) + "\n";
    }
    return report;
}

// Started under another user locale (see SizeTextsInAnotherLocale), the test
// program writes CompareSizeTexts to the file named by the variable and ends.
constexpr wchar_t kSizeProbeVariable[] = L"VELQUIN_EXPORT_SIZE_PROBE";

[[maybe_unused]] const bool kIsSizeProbe = RunAsLocaleProbe(kSizeProbeVariable, CompareSizeTexts);

// Stand-ins for the system's size call that differ from it on one checked
// size, or cannot format 0.
PWSTR WINAPI ShortSizeOtherAtOneMegabyte(LONGLONG size, PWSTR buffer, UINT units) {
    PWSTR text = StrFormatByteSizeW(size, buffer, units);
    if (size == 1048576)
        wcscpy_s(buffer, units, L"1 MB");
    return text;
}
PWSTR WINAPI KbSizeFailingAtZero(LONGLONG size, PWSTR buffer, UINT units) {
    return size == 0 ? nullptr : StrFormatKBSizeW(size, buffer, units);
}

} // namespace

TEST(SizeTextFormatter, OwnTextsAreTheSystemsInThisLocale) {
    EXPECT_EQ(CompareSizeTexts(), "kb own=1 differing=0 | 1 KB | 1,572,864 KB\n"
                                  "short own=1 differing=0 | 1000 bytes | 1.50 GB\n");
}

TEST(SizeTextFormatter, OwnTextsAreTheSystemsInAnotherLocale) {
    if (WineLoaderPath().empty())
        GTEST_SKIP() << "the user locale can be changed per process only under Wine";
    TempDir dir;
    const std::wstring output = dir / L"sizes.txt";
    ASSERT_TRUE(RunSelfUnderLocale(L"de_DE.UTF-8",
                                   {std::wstring(kSizeProbeVariable) + L"=" + output}, L""));
    EXPECT_EQ(TempDir::ReadFile(output), "kb own=1 differing=0 | 1 KB | 1.572.864 KB\n"
                                         "short own=1 differing=0 | 1000 Bytes | 1,50 GB\n");
}

// When the system's text differs from the own on any checked size, or the
// system cannot format one, every size goes to the system's call.
TEST(SizeTextFormatter, DisagreementLeavesEverySizeToTheSystem) {
    const struct {
        bool kb;
        SizeTextFormatter::SystemCall system;
        std::uint64_t odd;
        const wchar_t* oddText;
    } cases[] = {
        {false, &ShortSizeOtherAtOneMegabyte, 1048576, L"1 MB"},
        {true, &KbSizeFailingAtZero, 0, L""},
    };
    for (const auto& c : cases) {
        const SizeTextFormatter formatter(c.kb, c.system);
        EXPECT_FALSE(formatter.Own()) << c.kb;
        EXPECT_EQ(formatter.Text(c.odd), c.oddText);
        std::size_t differing = 0;
        for (const std::uint64_t size : SizeTextFormatter::CheckedSizes()) {
            wchar_t system[64] = {};
            const mvstring expected =
                c.system(static_cast<LONGLONG>(size), system, 64) ? mvstring(system) : mvstring();
            differing += formatter.Text(size) != expected;
        }
        EXPECT_EQ(differing, 0u) << c.kb;
    }
    // The same calls unaltered are taken over.
    EXPECT_TRUE(SizeTextFormatter(false, &StrFormatByteSizeW).Own());
    EXPECT_TRUE(SizeTextFormatter(true, &StrFormatKBSizeW).Own());
}
