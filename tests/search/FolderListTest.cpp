#include "search/FolderList.h"

#include "search/FoundItem.h"
#include "search/SearchJob.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::wstring> Paths(const PathList& list) {
    std::vector<std::wstring> out;
    for (const PathEntry& e : list)
        out.push_back(e.path.str());
    return out;
}

// Replaces "{T}" by the fixture folder.
std::wstring Fill(std::wstring text, const std::wstring& root) {
    for (size_t at; (at = text.find(L"{T}")) != std::wstring::npos;)
        text.replace(at, 3, root);
    return text;
}

std::wstring Lower(std::wstring text) {
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(towlower(c));
    return text;
}

} // namespace

TEST(FolderList, SplitPath) {
    struct Case {
        const wchar_t* path;
        std::vector<std::wstring> components;
    };
    const Case cases[] = {
        {L"C:\\", {L"C:"}},
        {L"C:\\Data\\\\Sub\\", {L"C:", L"Data", L"Sub"}},
        {L"\\\\server\\share\\x", {L"\\\\server", L"share", L"x"}},
        {L"", {}},
        {L"\\\\", {L"\\\\"}},
    };
    for (const Case& k : cases) {
        std::vector<std::wstring> got;
        for (const mvstring& c : SplitPath(k.path))
            got.push_back(c.str());
        EXPECT_EQ(k.components, got) << k.path;
    }
}

TEST(FolderList, NormalizeDropsDuplicatesAndNestedKeepingFirstMention) {
    struct Case {
        std::vector<std::wstring> in;
        bool keepNested;
        std::vector<std::wstring> out;
    };
    const Case cases[] = {
        {{L"C:\\Data\\Sub", L"C:\\Data"}, false, {L"C:\\Data"}},
        {{L"C:\\Data\\Sub", L"C:\\Data"}, true, {L"C:\\Data\\Sub", L"C:\\Data"}},
        {{L"C:\\ab", L"C:\\a\\x"}, false, {L"C:\\ab", L"C:\\a\\x"}},
        {{L"c:\\DATA", L"C:\\data\\", L"C:\\Data"}, true, {L"c:\\DATA"}},
        {{L"\\\\server\\share", L"\\\\SERVER\\share\\x"}, false, {L"\\\\server\\share"}},
        {{L"D:\\x\\", L"C:\\\\y"}, false, {L"D:\\x", L"C:\\y"}},
    };
    for (const Case& k : cases) {
        PathList list;
        for (const std::wstring& p : k.in)
            list.push_back({p, 0x10, 0});
        NormalizePathList(list, k.keepNested);
        EXPECT_EQ(k.out, Paths(list)) << k.in.front() << " nested " << k.keepNested;
    }
    // The last duplicate's attributes and size win.
    PathList list{{L"C:\\f", 1, 10}, {L"c:\\F", 2, 20}};
    NormalizePathList(list, false);
    ASSERT_EQ(1u, list.size());
    EXPECT_EQ(L"C:\\f", list[0].path.str());
    EXPECT_EQ(2, list[0].attributes);
    EXPECT_EQ(20, list[0].size);
}

TEST(FolderList, PathsOfSelectedItems) {
    FoundItem folder, inside, other, root;
    folder.folder = L"C:\\Data";
    folder.name = L"Sub";
    folder.attr = FILE_ATTRIBUTE_DIRECTORY;
    inside.folder = L"C:\\Data\\Sub";
    inside.name = L"a.txt";
    other.folder = L"C:\\Data\\";
    other.name = L"b.txt";
    other.size = 7;
    root.folder = L"";
    root.name = L"D:";
    PathList list;
    BuildPathListFromItems({&other, &inside, &folder, &root}, list);
    // The file inside the selected folder goes; the first item leads.
    EXPECT_EQ((std::vector<std::wstring>{L"C:\\Data\\b.txt", L"C:\\Data\\Sub", L"D:"}),
              Paths(list));
    EXPECT_EQ(7, list[0].size);
    EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY, static_cast<DWORD>(list[1].attributes));
}

TEST(FolderList, ParseFolders) {
    TempDir dir;
    for (const wchar_t* sub : {L"Data\\Sub", L"Logs", L"ab", L"a\\x"})
        dir.WriteFile(std::wstring(sub) + L"\\keep.txt", "x");
    SetEnvironmentVariableW(L"VQ_FOLDER_TEST", dir.Path().c_str());
    const std::wstring T = dir.Path();
    struct Case {
        std::wstring text;
        bool subfolders;
        std::vector<std::wstring> expected;
    };
    const Case cases[] = {
        {L"{T}/Data/ | " + Lower(T) + L"\\data", true, {L"{T}\\Data"}},
        {L"{T}\\Data;{T}\\Logs", true, {L"{T}\\Data", L"{T}\\Logs"}},
        {L"{T}\\Data\\;{T}\\Logs\\", true, {L"{T}\\Data", L"{T}\\Logs"}},
        {L"{T}\\Data\\Sub | {T}\\Data", true, {L"{T}\\Data"}},
        {L"{T}\\Data\\Sub | {T}\\Data", false, {L"{T}\\Data\\Sub", L"{T}\\Data"}},
        {L"{T}\\ab | {T}\\a\\x", true, {L"{T}\\ab", L"{T}\\a\\x"}},
        {L"  \"{T}\\Logs\"\t|\r\n%VQ_FOLDER_TEST%\\Data", true, {L"{T}\\Logs", L"{T}\\Data"}},
        {L"%VQ_FOLDER_TEST%\\Logs;{T}\\Missing;{T}\\ab", true, {L"{T}\\Logs", L"{T}\\ab"}},
        {L"{T}\\Missing | {T}\\keep.txt | ;; | ", true, {}},
        {L"C:\\;{T}\\Logs", true, {L"C:"}},
        {L"C:\\;{T}\\Logs", false, {L"C:", L"{T}\\Logs"}},
    };
    for (const Case& k : cases) {
        SearchJob job;
        job.criteria.folders = Fill(k.text, T);
        job.criteria.subfolder = k.subfolders;
        PathList list;
        job.ParseFolders(list);
        std::vector<std::wstring> expected;
        std::wstring display;
        for (const std::wstring& e : k.expected) {
            expected.push_back(Fill(e, T));
            display += (display.empty() ? L"" : L" | ") + expected.back();
        }
        EXPECT_EQ(expected, Paths(list)) << job.criteria.folders.str();
        EXPECT_EQ(display, job.folder_text.str());
        for (const PathEntry& e : list)
            EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY, static_cast<DWORD>(e.attributes));
    }
}
