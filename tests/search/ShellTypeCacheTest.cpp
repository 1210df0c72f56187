#include "search/ShellTypeCache.h"

#include "foundation/Settings.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

namespace {

struct Asked {
    std::wstring path;
    UINT flags;
};
std::vector<Asked> g_asked;

// Counts the shell queries and answers each with a number of its own.
DWORD_PTR WINAPI CountingQuery(LPCWSTR path, DWORD, SHFILEINFOW* info, UINT, UINT flags) {
    g_asked.push_back({path, flags});
    info->iIcon = static_cast<int>(g_asked.size());
    swprintf(info->szTypeName, 80, L"type %zu", g_asked.size());
    return 1;
}

size_t IconQueries() {
    size_t n = 0;
    for (const Asked& a : g_asked)
        n += (a.flags & SHGFI_SYSICONINDEX) != 0;
    return n;
}

} // namespace

TEST(ShellTypeCache, OneShellQueryPerTypeExceptFilesWithTheirOwnIcons) {
    const ExtensionSet savedExts = Settings().SpecIconExts;
    Settings().SpecIconExts = {L".exe"};
    g_asked.clear();
    ShellTypeCache cache(&CountingQuery);
    cache.Init();
    ASSERT_EQ(2u, IconQueries()) << "folders and files without extension are asked at start";
    const int noExtension = cache.GetIconIndex(L"C:\\x\\README", L"", 0);
    const int folder = cache.GetIconIndex(L"C:\\x\\Sub", L"", FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_NE(noExtension, folder);
    EXPECT_EQ(2u, IconQueries());

    const int txt = cache.GetIconIndex(L"C:\\a.txt", L".txt", 0);
    EXPECT_EQ(txt, cache.GetIconIndex(L"C:\\b.txt", L".txt", 0));
    EXPECT_EQ(3u, IconQueries()) << "two .txt files: one icon query";
    EXPECT_EQ(L".txt", g_asked.back().path);
    EXPECT_TRUE(g_asked.back().flags & SHGFI_USEFILEATTRIBUTES);
    cache.GetIconIndex(L"C:\\c.TXT", L".TXT", 0);
    EXPECT_EQ(4u, IconQueries()) << "icon keys keep their case";

    cache.GetIconIndex(L"C:\\a.exe", L".exe", 0);
    cache.GetIconIndex(L"C:\\b.EXE", L".EXE", 0);
    EXPECT_EQ(6u, IconQueries()) << "each program has an icon of its own";
    EXPECT_EQ(L"C:\\b.EXE", g_asked.back().path);
    EXPECT_FALSE(g_asked.back().flags & SHGFI_USEFILEATTRIBUTES);

    size_t before = g_asked.size();
    const mvstring& name = cache.GetTypeName(L".txt", 0);
    EXPECT_EQ(&name, &cache.GetTypeName(L".TXT", 0)) << "type names ignore case";
    EXPECT_EQ(cache.GetTypeName(L"", FILE_ATTRIBUTE_DIRECTORY),
              cache.GetTypeName(L".dir", FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_NE(cache.GetTypeName(L"", 0), cache.GetTypeName(L".txt", 0));
    EXPECT_EQ(before + 3, g_asked.size());
    EXPECT_EQ(L"FakeItem", g_asked.back().path) << "a file without extension";
    Settings().SpecIconExts = savedExts;
}

TEST(ShellTypeCache, SystemImageListsBySize) {
    ShellTypeCache cache;
    cache.Init();
    const int small = cache.IconSize(SHIL_SMALL);
    const int large = cache.IconSize(SHIL_LARGE);
    const int extraLarge = cache.IconSize(SHIL_EXTRALARGE);
    EXPECT_LT(0, small);
    EXPECT_LT(small, large);
    EXPECT_LE(large, extraLarge);
    for (int other : {SHIL_SYSSMALL, 17, -1}) {
        EXPECT_EQ(0, cache.IconSize(other)) << other;
        EXPECT_EQ(nullptr, cache.GetImageList(other)) << other;
    }
}

TEST(ShellTypeCache, PerFileEntries) {
    ShellTypeCache cache(&CountingQuery);
    EXPECT_FALSE(cache.GetTileLine(L"C:\\a.txt", 0));
    EXPECT_TRUE(cache.TileText().empty());
    cache.StoreTileLines(L"C:\\A.txt", {L"Size: 1 KB", L"Type: text"});
    EXPECT_TRUE(cache.GetTileLine(L"c:\\a.TXT", 1));
    EXPECT_EQ(L"Type: text", cache.TileText().str());
    EXPECT_TRUE(cache.GetTileLine(L"C:\\a.txt", 2)) << "the path has lines, not this one";
    EXPECT_TRUE(cache.TileText().empty());

    cache.StoreInfoTip(L"C:\\A.txt", L"tip");
    cache.StoreInfoTip(L"C:\\a.txt", L"second");
    EXPECT_EQ(L"tip", cache.GetInfoTip(L"c:\\a.txt").str()) << "the first entry stays";

    HBITMAP bitmap = CreateBitmap(4, 4, 1, 32, nullptr);
    cache.StoreThumbnail(L"C:\\Pic.png", SHIL_LARGE, bitmap);
    EXPECT_EQ(bitmap, cache.GetThumbnail(L"c:\\pic.PNG", SHIL_LARGE));
    EXPECT_EQ(nullptr, cache.GetThumbnail(L"c:\\pic.png", SHIL_SMALL));

    // Lines asked of the shell are kept even when it has none to give, so
    // that it is asked once per file.
    cache.CacheTileLines(L"");
    EXPECT_FALSE(cache.GetTileLine(L"", 0));
    cache.CacheTileLines(L"C:\\A.txt");
    EXPECT_TRUE(cache.GetTileLine(L"C:\\a.txt", 1));
    EXPECT_EQ(L"Type: text", cache.TileText().str()) << "lines already there stay";
    cache.CacheTileLines(L"C:\\missing\\none.txt");
    EXPECT_TRUE(cache.GetTileLine(L"C:\\missing\\none.txt", 0));
    EXPECT_TRUE(cache.TileText().empty());

    cache.ClearFileCaches();
    EXPECT_FALSE(cache.GetTileLine(L"C:\\a.txt", 0));
    EXPECT_TRUE(cache.GetInfoTip(L"C:\\a.txt").empty());
    EXPECT_EQ(nullptr, cache.GetThumbnail(L"C:\\Pic.png", SHIL_LARGE));
    EXPECT_EQ(0, GetObjectType(bitmap)) << "the cache deleted its bitmap";
}

TEST(ShellTypeCache, ImageListsAreTakenOnlyWhenFirstNeeded) {
    // Type names serve sorting and grouping without any window: they must
    // not make the cache ask for icons or image lists.
    g_asked.clear();
    ShellTypeCache cache(&CountingQuery);
    cache.GetTypeName(L".txt", 0);
    cache.GetTypeName(L"", FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(cache.IsInitialised());
    EXPECT_EQ(0u, IconQueries());

    // Whatever needs the lists first takes them, with the start-up icons.
    struct {
        const char* what;
        void (*use)(ShellTypeCache&);
        size_t iconQueries; // the two start-up icons and what the use asked
    } firsts[] = {
        {"an icon", [](ShellTypeCache& c) { c.GetIconIndex(L"C:\\a.txt", L".txt", 0); }, 3},
        {"an icon size", [](ShellTypeCache& c) { c.IconSize(SHIL_LARGE); }, 2},
        {"an image list", [](ShellTypeCache& c) { c.GetImageList(SHIL_SMALL); }, 2},
    };
    for (const auto& first : firsts) {
        g_asked.clear();
        ShellTypeCache fresh(&CountingQuery);
        first.use(fresh);
        EXPECT_TRUE(fresh.IsInitialised()) << first.what;
        const int folder = fresh.GetIconIndex(L"C:\\x\\Sub", L"", FILE_ATTRIBUTE_DIRECTORY);
        const int noExtension = fresh.GetIconIndex(L"C:\\x\\README", L"", 0);
        EXPECT_NE(folder, noExtension) << first.what;
        fresh.Init();
        EXPECT_EQ(g_asked.size(), IconQueries()) << first.what;
        EXPECT_EQ(first.iconQueries, IconQueries())
            << first.what << ": the start-up icons are asked once";
    }
}
