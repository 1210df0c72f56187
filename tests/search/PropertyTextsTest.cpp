#include "search/PropertyTexts.h"

#include "FakePropertySystem.h"
#include "foundation/mvcominit.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <atomic>
#include <thread>

TEST(PropertyTexts, FormatsThroughTheThreadsPropertySystem) {
    FakePropertySystem fake;
    SetThreadPropertySystem(&fake);
    EXPECT_EQ(&fake, GetPropertySystem());

    struct Case {
        const char* what;
        void (*format)(mvstring&);
        const wchar_t* expected;
        VARTYPE type;
    };
    const Case cases[] = {
        {"size in kilobytes", [](mvstring& t) { FormatSizeProperty(5000000000ull, t, true); },
         L"12:4:5000000000", VT_UI8},
        {"size", [](mvstring& t) { FormatSizeProperty(1536, t, false); }, L"12:0:1536", VT_UI8},
        {"attributes", [](mvstring& t) { FormatAttributesProperty(0x21, t); }, L"13:0:33", VT_UI4},
        {"the normal bit is left out", [](mvstring& t) { FormatAttributesProperty(0x80, t); },
         L"13:0:0", VT_UI4},
    };
    for (const Case& k : cases) {
        mvstring text = L"old";
        k.format(text);
        EXPECT_EQ(k.expected, text.str()) << k.what;
        EXPECT_EQ(k.type, fake.lastValue.vt) << k.what;
    }

    fake.refuse = true;
    mvstring text = L"old";
    FormatSizeProperty(1, text, false);
    EXPECT_TRUE(text.empty()) << "a refusal gives the empty text";

    // Another thread keeps its own property system.
    IPropertySystem* other = &fake;
    // Without COM on that thread the system may refuse, which must not crash.
    std::thread([&] { other = GetPropertySystem(); }).join();
    EXPECT_NE(static_cast<IPropertySystem*>(&fake), other);
    std::thread([&] {
        mvcominit com;
        other = GetPropertySystem();
    }).join();
    EXPECT_NE(static_cast<IPropertySystem*>(&fake), other);

    SetThreadPropertySystem(nullptr);
    EXPECT_EQ(1u, fake.References()) << "the thread lets go of the one it took";
}

TEST(PropertyTexts, ShellItemsAreKeptForTheLastPath) {
    TempDir dir;
    const mvstring path = dir.WriteFile(L"Item.txt", "text");
    mvcominit com;
    IShellItem2* item = GetShellItem(path);
    ASSERT_NE(nullptr, item);
    EXPECT_EQ(item, GetShellItem(path)) << "the same path: the same item";
    mvstring otherCase = path;
    otherCase[otherCase.length() - 8] = L'i';
    EXPECT_NE(item, GetShellItem(otherCase)) << "another spelling makes a new item";
    EXPECT_EQ(nullptr, GetShellItem(L""));

    // Tile lines come from the shell where it has them; there are never
    // more than two, and nothing without an item.
    std::vector<mvstring> lines{L"stale"};
    GetItemPropertyTexts(path, lines);
    EXPECT_LE(lines.size(), 2u);
    for (const mvstring& line : lines)
        EXPECT_FALSE(line.empty());
    lines = {L"stale"};
    EXPECT_FALSE(GetItemPropertyTexts(dir / L"missing\\none.txt", lines));
    EXPECT_TRUE(lines.empty());
}

TEST(PropertyTexts, InfoTipPathLineFollowsExactlyOneLineBreak) {
    const struct {
        const wchar_t* tip;
        const wchar_t* pathLine;
        const wchar_t* joined;
    } cases[] = {
        {L"", L"Folder: C:\\Data", L"\r\nFolder: C:\\Data"},
        {L"Type: Text", L"Folder: C:\\Data", L"Type: Text\r\nFolder: C:\\Data"},
        {L"Type: Text\r\n\t", L"Folder: C:\\Data", L"Type: Text\r\nFolder: C:\\Data"},
        {L"Type: Text\n\r\n", L"Folder: C:\\Data", L"Type: Text\r\nFolder: C:\\Data"},
        {L"Type: Text\r\n", L"", L"Type: Text\r\n"},
        {L"\r\n", L"Folder: C:\\", L"\r\nFolder: C:\\"},
    };
    for (const auto& c : cases) {
        mvstring tip = c.tip;
        AppendInfoTipPathLine(tip, c.pathLine);
        EXPECT_EQ(std::wstring(c.joined), tip.str()) << c.tip;
    }
}

// What a thread keeps of the property system is let go while the thread's
// COM still runs, not by the thread's end after COM has gone; a thread that
// uses COM again asks for its property system anew.
TEST(PropertyTexts, AThreadLetsGoOfItsObjectsBeforeLeavingCom) {
    struct Watched : FakePropertySystem {
        std::atomic<int> releasesWithoutCom{0};
        ULONG STDMETHODCALLTYPE Release() override {
            APTTYPE type;
            APTTYPEQUALIFIER qualifier;
            if (CoGetApartmentType(&type, &qualifier) == CO_E_NOTINITIALIZED)
                ++releasesWithoutCom;
            return FakePropertySystem::Release();
        }
    } fake;
    std::thread([&] {
        mvcominit com;
        SetThreadPropertySystem(&fake);
        EXPECT_EQ(&fake, GetPropertySystem());
    }).join();
    EXPECT_EQ(1u, fake.References()) << "the ended thread holds no reference";
    EXPECT_EQ(0, fake.releasesWithoutCom.load());

    std::thread([&] {
        {
            mvcominit com;
            SetThreadPropertySystem(&fake);
            EXPECT_EQ(2u, fake.References());
        }
        EXPECT_EQ(1u, fake.References()) << "let go on leaving COM";
        mvcominit again;
        EXPECT_NE(static_cast<IPropertySystem*>(&fake), GetPropertySystem());
    }).join();
    EXPECT_EQ(0, fake.releasesWithoutCom.load());
}

TEST(PropertyTexts, ColumnTitlesAreTheSystemsLabelsOfTheNineColumnKeys) {
    const GUID storage = {0xB725F130, 0x47EF, 0x101A, {0xA5, 0xF1, 0x02, 0x60, 0x8C, 0x9E, 0xEB, 0xAC}};
    const PROPERTYKEY folder = {
        {0xDABD30ED, 0x0043, 0x4789, {0xA7, 0xF8, 0xD0, 0x13, 0xA4, 0x73, 0x66, 0x22}}, 100};
    const PROPERTYKEY extension = {
        {0xE4F10A3C, 0x49E6, 0x405D, {0x82, 0x88, 0xA2, 0x3B, 0xD4, 0xEE, 0xAA, 0x6C}}, 100};
    // Listed out of column order, with a key that is no column among them.
    const std::vector<std::pair<PROPERTYKEY, std::wstring>> all = {
        {extension, L"Ext"},    {{storage, 10}, L"Nm"}, {{storage, 12}, L"Sz"},
        {{storage, 4}, L"Ty"},  {{storage, 14}, L"Mod"}, {folder, L"In"},
        {{storage, 9}, L"xx"},  {{storage, 15}, L"Cre"}, {{storage, 16}, L"Acc"},
        {{storage, 13}, L"Att"},
    };
    const std::vector<mvstring> inOrder = {L"Nm",  L"Sz",  L"Ty",  L"Mod", L"In",
                                           L"Cre", L"Acc", L"Att", L"Ext"};
    struct Case {
        const char* what;
        bool listed;
        std::vector<std::pair<PROPERTYKEY, std::wstring>> descriptions;
        std::vector<mvstring> titles; // empty: false
    };
    auto without = [&](size_t i) {
        auto d = all;
        d.erase(d.begin() + static_cast<std::ptrdiff_t>(i));
        return d;
    };
    auto with = [&](std::pair<PROPERTYKEY, std::wstring> extra) {
        auto d = all;
        d.push_back(std::move(extra));
        return d;
    };
    std::vector<mvstring> renamed = inOrder;
    renamed[0] = L"Name 2";
    const Case cases[] = {
        {"all nine", true, all, inOrder},
        {"no extension label", true, without(0), {}},
        {"an empty label is none", true, with({extension, L""}), inOrder},
        {"the last label of a key counts", true, with({{storage, 10}, L"Name 2"}), renamed},
        {"no list of descriptions", false, all, {}},
    };
    FakePropertySystem fake;
    SetThreadPropertySystem(&fake);
    for (const Case& c : cases) {
        fake.listed = c.listed;
        fake.descriptionList.descriptions.clear();
        for (const auto& [key, name] : c.descriptions)
            fake.descriptionList.descriptions.emplace_back(key, name);
        std::vector<mvstring> titles = {L"stale"};
        EXPECT_EQ(ListPropertyColumns(titles), !c.titles.empty()) << c.what;
        EXPECT_EQ(titles, c.titles) << c.what;
    }
    SetThreadPropertySystem(nullptr);
}
