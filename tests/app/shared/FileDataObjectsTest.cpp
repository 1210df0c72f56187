#include "app/shared/ClipboardFormats.h"
#include "app/shared/FileDataObjects.h"
#include "app/shared/IdLists.h"

#include "support/TempDir.h"
#include "support/TestItems.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// COM for the shell's parsing, on this test's thread.
class ComThread {
public:
    ComThread() { CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED); }
    ~ComThread() { CoUninitialize(); }
};

std::string Stored(IDataObject* object, CLIPFORMAT format) {
    FORMATETC request{format, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (object->GetData(&request, &medium) != S_OK)
        return {};
    std::string bytes(GlobalSize(medium.hGlobal), '\0');
    std::memcpy(bytes.data(), GlobalLock(medium.hGlobal), bytes.size());
    GlobalUnlock(medium.hGlobal);
    ReleaseStgMedium(&medium);
    return bytes;
}

void AppendWord(std::string& bytes, std::uint32_t word) {
    bytes.append(reinterpret_cast<const char*>(&word), 4);
}

// The DROPFILES block as the shell reads it, spelled out by hand: the
// header, then each path and a zero, then one more zero.
std::string ExpectedHDrop(const std::vector<std::wstring>& paths) {
    std::string bytes;
    for (std::uint32_t word : {20u, 0u, 0u, 0u, 1u})
        AppendWord(bytes, word);
    std::wstring list;
    for (const std::wstring& path : paths)
        list.append(path).push_back(L'\0');
    list.push_back(L'\0');
    bytes.append(reinterpret_cast<const char*>(list.data()), list.size() * 2);
    return bytes;
}

// An ID list of one item of `size` bytes (its content `fill`) and the
// terminating two zero bytes, as the shell would hand it out.
ITEMIDLIST* HandMadeIdList(USHORT size, char fill) {
    auto* bytes = static_cast<BYTE*>(CoTaskMemAlloc(size + 2u));
    std::memset(bytes, fill, size);
    std::memcpy(bytes, &size, 2);
    bytes[size] = bytes[size + 1] = 0;
    return reinterpret_cast<ITEMIDLIST*>(bytes);
}

std::wstring PathOf(const ITEMIDLIST* list) {
    wchar_t path[MAX_PATH * 2]{};
    return SHGetPathFromIDListEx(list, path, MAX_PATH * 2, GPFIDL_DEFAULT) ? path : L"";
}

// The paths of a stored ID list array: each item joined to the parent.
std::vector<std::wstring> IdListArrayPaths(const std::string& block) {
    std::vector<std::wstring> paths;
    if (block.size() < 8)
        return paths;
    const auto* words = reinterpret_cast<const UINT*>(block.data());
    const auto* parent = reinterpret_cast<const ITEMIDLIST*>(block.data() + words[1]);
    for (UINT i = 0; i < words[0]; ++i) {
        const auto* item = reinterpret_cast<const ITEMIDLIST*>(block.data() + words[2 + i]);
        ITEMIDLIST* full = ILCombine(parent, item);
        paths.push_back(PathOf(full));
        CoTaskMemFree(full);
    }
    return paths;
}

TEST(HDropTest, LaysOutTheFileListAsTheShellReadsIt) {
    const std::wstring longName = std::wstring(300, L'n') + L".txt"; // past MAX_PATH
    std::vector<std::wstring> many;
    for (int i = 0; i < 40; ++i)
        many.push_back(L"C:\\many\\file" + std::to_wstring(i));
    struct Case {
        const char* what;
        std::vector<TestItem> items;
        std::vector<std::wstring> paths;
    };
    std::vector<Case> cases = {
        {"one item", {{L"C:\\A", L"x.txt"}}, {L"C:\\A\\x.txt"}},
        {"two, one folder with its backslash",
         {{L"C:\\A", L"x.txt"}, {L"C:\\B\\", L"y.txt"}},
         {L"C:\\A\\x.txt", L"C:\\B\\y.txt"}},
        {"a long path", {{L"C:\\deep", longName.c_str()}}, {L"C:\\deep\\" + longName}},
        {"empty items skipped", {{L"", L""}, {L"C:\\A", L"x.txt"}, {L"", L""}}, {L"C:\\A\\x.txt"}},
        {"a folder alone", {{L"C:\\A", L""}}, {L"C:\\A"}},
        {"many", {}, many},
    };
    std::vector<std::wstring> names; // the many items' names, kept alive
    for (int i = 0; i < 40; ++i)
        names.push_back(L"file" + std::to_wstring(i));
    for (const std::wstring& name : names)
        cases.back().items.push_back({L"C:\\many", name.c_str()});

    for (const Case& c : cases) {
        std::vector<FoundItem> items(c.items.size());
        std::vector<const FoundItem*> pointers;
        for (std::size_t i = 0; i < items.size(); ++i) {
            c.items[i].FillIn(items[i]);
            pointers.push_back(&items[i]);
        }
        CVQDataObject* object = CreateFileDataObject(pointers);
        ASSERT_NE(object, nullptr) << c.what;
        EXPECT_EQ(Stored(object, CF_HDROP), ExpectedHDrop(c.paths)) << c.what;
        object->Release();
    }
}

TEST(HDropTest, TheBlockOfTheTwoItemExampleHasSixtySixBytes) {
    FoundItem a, b;
    TestItem{L"C:\\A", L"x.txt"}.FillIn(a);
    TestItem{L"C:\\B\\", L"y.txt"}.FillIn(b);
    CVQDataObject* object = CreateFileDataObject({&a, &b});
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(Stored(object, CF_HDROP).size(), 66u);
    object->Release();
}

TEST(HDropTest, NoPathMakesNoObject) {
    FoundItem empty;
    TestItem{L"", L""}.FillIn(empty);
    EXPECT_EQ(CreateFileDataObject({}), nullptr);
    EXPECT_EQ(CreateFileDataObject({&empty, &empty}), nullptr);
    EXPECT_FALSE(PutHDrop(nullptr, {L"C:\\x"}));
    auto* object = new CVQDataObject;
    EXPECT_FALSE(PutHDrop(object, {L"", L""}));
    // A total given too small cannot make the list spill past its block.
    EXPECT_TRUE(PutHDrop(object, {L"C:\\a", L"C:\\bb"}, 1));
    EXPECT_EQ(Stored(object, CF_HDROP), ExpectedHDrop({L"C:\\a", L"C:\\bb"}));
    object->Release();
}

TEST(IdListArrayTest, LaysOutCountOffsetsDesktopAndItems) {
    struct Case {
        std::vector<USHORT> sizes;
    };
    const Case cases[] = {{{18}}, {{18, 6, 40}}, {{600, 2}}};
    for (const Case& c : cases) {
        IdListVector lists;
        std::string items;
        for (std::size_t i = 0; i < c.sizes.size(); ++i) {
            ITEMIDLIST* list = HandMadeIdList(c.sizes[i], static_cast<char>('a' + i));
            items.append(reinterpret_cast<const char*>(list), c.sizes[i] + 2u);
            lists.Add(list);
        }
        const std::uint32_t n = static_cast<std::uint32_t>(c.sizes.size());
        std::string expected;
        AppendWord(expected, n);
        AppendWord(expected, 4 * n + 8);
        std::uint32_t at = 4 * n + 10;
        for (USHORT size : c.sizes) {
            AppendWord(expected, at);
            at += size + 2u;
        }
        expected.append(2, '\0');
        expected += items;

        CVQDataObject* object = CVQDataObject_FromPidls(lists);
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(Stored(object, GetClipboardFormatId(kShellIdListArray)), expected)
            << c.sizes.size() << " lists";
        object->Release();
    }
    // The single list of twenty bytes: 4 + 4 + 4 + 2 + 20.
    IdListVector one;
    one.Add(HandMadeIdList(18, 'x'));
    CVQDataObject* object = CVQDataObject_FromPidls(one);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(Stored(object, GetClipboardFormatId(kShellIdListArray)).size(), 34u);
    object->Release();
    EXPECT_EQ(CVQDataObject_FromPidls(IdListVector()), nullptr);
}

TEST(IdListsTest, PathsParseEvenWhenTheirFilesAreGone) {
    ComThread com;
    TempDir dir;
    const std::wstring present = dir.WriteFile(L"present.txt", "12345");
    const std::wstring gone = dir / L"gone.txt";
    const std::wstring goneFolder = dir / L"gone folder\\inner.bin";
    struct Case {
        std::wstring path;
        std::uint32_t attributes;
    };
    const Case cases[] = {
        {present, FILE_ATTRIBUTE_ARCHIVE},
        {gone, FILE_ATTRIBUTE_ARCHIVE},
        {goneFolder, FILE_ATTRIBUTE_ARCHIVE},
        {dir / L"gone dir", FILE_ATTRIBUTE_DIRECTORY},
    };
    for (const Case& c : cases) {
        ITEMIDLIST* list = ParsePathToIdList(c.path, c.attributes, 5);
        ASSERT_NE(list, nullptr) << c.path.c_str();
        EXPECT_EQ(PathOf(list), c.path);
        CoTaskMemFree(list);
    }
    EXPECT_EQ(ParsePathToIdList(L"", 0, 0), nullptr);
}

TEST(IdListsTest, ItemsBecomeAbsoluteOrRelativeListsAndAnItemArray) {
    ComThread com;
    TempDir dir;
    dir.WriteFile(L"a.txt", "a");
    FoundItem a, vanished, empty;
    TestItem{dir.Path().c_str(), L"a.txt"}.FillIn(a);
    TestItem{dir.Path().c_str(), L"vanished.txt"}.FillIn(vanished);
    TestItem{L"", L""}.FillIn(empty);
    const std::vector<const FoundItem*> items = {&a, &empty, &vanished};

    IdListVector lists;
    BuildIdListVector(lists, items);
    ASSERT_EQ(lists.size(), 2u);
    EXPECT_EQ(PathOf(lists[0]), dir / L"a.txt");
    EXPECT_EQ(PathOf(lists[1]), dir / L"vanished.txt");

    // Inside the folder: one item each, relative to it.
    IShellFolder* desktop = nullptr;
    ASSERT_EQ(SHGetDesktopFolder(&desktop), S_OK);
    ITEMIDLIST* folderList = ParsePathToIdList(dir.Path(), FILE_ATTRIBUTE_DIRECTORY, 0);
    IShellFolder* folder = nullptr;
    ASSERT_EQ(desktop->BindToObject(folderList, nullptr, IID_IShellFolder,
                                    reinterpret_cast<void**>(&folder)),
              S_OK);
    BuildIdListVector(lists, {&a, &vanished}, folder);
    ASSERT_EQ(lists.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_TRUE(ILIsChild(lists[i])) << i;
        ITEMIDLIST* full = ILCombine(folderList, lists[i]);
        EXPECT_EQ(PathOf(full), dir / (i == 0 ? L"a.txt" : L"vanished.txt"));
        CoTaskMemFree(full);
    }
    folder->Release();
    desktop->Release();
    CoTaskMemFree(folderList);

    IShellItemArray* array = CreateShellItemArray(items);
    ASSERT_NE(array, nullptr);
    DWORD count = 0;
    EXPECT_EQ(array->GetCount(&count), S_OK);
    EXPECT_EQ(count, 2u);
    array->Release();
    EXPECT_EQ(CreateShellItemArray({&empty}), nullptr);
}

TEST(IdListsTest, APathListBecomesAnIdListArray) {
    ComThread com;
    TempDir dir;
    const std::wstring file = dir.WriteFile(L"kept.txt", "k");
    const PathList list = {{file, FILE_ATTRIBUTE_ARCHIVE, 1},
                           {dir / L"gone", FILE_ATTRIBUTE_DIRECTORY, 0},
                           {L"", 0, 0}};
    CVQDataObject* object = CreatePathListDataObject(list);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(IdListArrayPaths(Stored(object, GetClipboardFormatId(kShellIdListArray))),
              (std::vector<std::wstring>{file, dir / L"gone"}));
    object->Release();
    EXPECT_EQ(CreatePathListDataObject({}), nullptr);
    EXPECT_EQ(CreatePathListDataObject({{L"", 0, 0}}), nullptr);
}

} // namespace
