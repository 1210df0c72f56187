#include "search/FoundItem.h"

#include <gtest/gtest.h>

namespace {

void Fill(FoundItem& item) {
    item.folder = L"C:\\Some folder";
    item.name = L"report 2024.txt";
    item.size = 12345;
    item.attr = 0x21;
    item.date_c = 1;
    item.date_m = 2;
    item.date_a = 3;
    item.wsoffset = 77;
    item.wslen = 5;
    item.ext = L".txt";
    item.size_kb_text = L"13 KB";
    item.size_text = L"12.0 KB";
    item.date_c_text = L"c";
    item.date_m_text = L"m";
    item.date_a_text = L"a";
    item.attr_text = L"RA";
    item.icon = 4;
    item.overlay = 1;
    item.insert_index = 9;
    item.display_index = 8;
    item.state = ItemCut;
}

bool AllCleared(const FoundItem& item) {
    return item.folder.empty() && item.name.empty() && item.ext.empty() &&
           item.size_kb_text.empty() && item.size_text.empty() && item.date_c_text.empty() &&
           item.date_m_text.empty() && item.date_a_text.empty() && item.attr_text.empty() &&
           item.size == 0 && item.attr == 0 && item.date_c == 0 && item.date_m == 0 &&
           item.date_a == 0 && item.wsoffset == -1 && item.wslen == 0 && item.icon == -1 &&
           item.overlay == -1 && item.state == ItemNormal;
}

} // namespace

TEST(FoundItem, ClearKeepsOnlyTheIndexes) {
    FoundItem fresh;
    EXPECT_TRUE(AllCleared(fresh));
    EXPECT_EQ(-1, fresh.insert_index);
    EXPECT_EQ(-1, fresh.display_index);

    FoundItem item;
    Fill(item);
    item.Clear();
    EXPECT_TRUE(AllCleared(item));
    EXPECT_EQ(9, item.insert_index);
    EXPECT_EQ(8, item.display_index);
}

TEST(FoundItem, CopyTakesEverythingButTheLinks) {
    FoundItem a, b, neighbour;
    Fill(a);
    a.next = &neighbour;
    a.prev = &neighbour;
    b.CopyFrom(a);
    EXPECT_EQ(a.folder, b.folder);
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.ext, b.ext);
    EXPECT_EQ(a.attr_text, b.attr_text);
    EXPECT_EQ(a.size_text, b.size_text);
    EXPECT_EQ(a.date_a_text, b.date_a_text);
    EXPECT_EQ(a.size, b.size);
    EXPECT_EQ(a.date_m, b.date_m);
    EXPECT_EQ(a.wsoffset, b.wsoffset);
    EXPECT_EQ(a.wslen, b.wslen);
    EXPECT_EQ(4, b.icon);
    EXPECT_EQ(1, b.overlay);
    EXPECT_EQ(ItemCut, b.state);
    EXPECT_EQ(9, b.insert_index);
    EXPECT_EQ(nullptr, b.next);
    EXPECT_EQ(nullptr, b.prev);
}
