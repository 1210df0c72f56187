#include "hexview/HexCopyText.h"

#include "search/VQFileReader.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

HexCopyPlan Plan(int64_t anchor, int64_t caret, int64_t size, bool block, bool hex,
                 int32_t perLine = 4) {
    HexCopyPlan plan;
    plan.selection.anchor = anchor;
    plan.selection.caret = caret;
    plan.selection.size = size;
    plan.selection.perLine = perLine;
    plan.selection.block = block;
    plan.asHex = hex;
    return plan;
}

// The text of the plan over the file, zero bytes included, as a string;
// "<fail>" when the fill does not complete.
std::string Fill(const HexCopyPlan& plan, VQFileReader& reader) {
    std::vector<uint8_t> out(static_cast<size_t>(plan.TextSize()), 0xEE);
    if (FillHexCopyText(plan, reader, out.data(), nullptr, nullptr) != HexCopyEnd::Done)
        return "<fail>";
    return std::string(out.begin(), out.end());
}

} // namespace

TEST(HexCopyText, TextAndHexOfLinearAndBlockSelections) {
    TempDir dir;
    const std::string bytes = "ABCDEFGHIJKLMNOPQR"; // 18 bytes, rows of 4
    VQFileReader reader;
    ASSERT_NE(reader.Open(dir.WriteFile(L"f.txt", bytes).c_str()), -1);
    struct Case {
        const char* what;
        HexCopyPlan plan;
        std::string text; // with its terminator
    } cases[] = {
        {"three bytes", Plan(0, 2, 18, false, false), std::string("ABC", 4)},
        {"as hex", Plan(2, 0, 18, false, true), std::string("414243", 7)},
        // Columns 2..3 over rows 0..2: a line feed between rows, none after.
        {"block", Plan(2, 11, 18, true, false), std::string("CD\nGH\nKL", 9)},
        {"block as hex", Plan(11, 2, 18, true, true), std::string("4344\n4748\n4B4C", 15)},
        // The block's last row is cut by the file's end: row 4 holds Q R only.
        {"block past the end", Plan(2, 17, 18, true, false), std::string("BC\nFG\nJK\nNO\nR", 14)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.plan.TextSize(), c.text.size()) << c.what;
        EXPECT_EQ(Fill(c.plan, reader), c.text) << c.what;
    }
}

TEST(HexCopyText, AUtf16CopyEndsInAWholeZeroUnitAndAShrunkFileFails) {
    HexCopyPlan plan = Plan(0, 2, 10, false, false);
    plan.unicode = true;
    EXPECT_EQ(plan.TextSize(), 3u + 2u + 1u) << "odd count: padded to whole units";
    plan.selection.caret = 3;
    EXPECT_EQ(plan.TextSize(), 4u + 2u);

    TempDir dir;
    VQFileReader reader;
    ASSERT_NE(reader.Open(dir.WriteFile(L"f.bin", "0123456789").c_str()), -1);
    // A selection reaching beyond what the file gives is no complete copy.
    EXPECT_EQ(Fill(Plan(5, 14, 15, false, false), reader), "<fail>");
}

TEST(HexCopyText, AStopEndsTheFillBeforeItsFirstRead) {
    TempDir dir;
    VQFileReader reader;
    ASSERT_NE(reader.Open(dir.WriteFile(L"f.bin", "0123456789").c_str()), -1);
    const HexCopyPlan plan = Plan(0, 9, 10, false, true);
    std::vector<uint8_t> out(static_cast<size_t>(plan.TextSize()));
    int asked = 0;
    auto stop = [](void* context) { return ++*static_cast<int*>(context) > 0; };
    EXPECT_EQ(FillHexCopyText(plan, reader, out.data(), stop, &asked), HexCopyEnd::Stopped);
    EXPECT_EQ(asked, 1);
}
