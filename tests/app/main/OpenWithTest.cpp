#include "app/main/OpenWith.h"

#include "foundation/Paths.h"
#include "foundation/Settings.h"
#include "search/FoundItem.h"
#include "ui/core/mvComBase.h"

#include "FakeShell.h"
#include "support/TempDir.h"
#include "support/TestItems.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

using FakeHandler = fake::Handler;
using FakeHandlers = fake::Handlers;
using fake::Words;

TEST(OpenWithListTest, TenNamedHandlersDefaultProgramFirst) {
    // Handler "Hn" runs program "C:\Pn.exe"; "_" has no name.
    const struct {
        const wchar_t* handlers;
        const wchar_t* defaultProgram;
        const wchar_t* list;
    } kCases[] = {
        {L"H0 H1 H2 H3", L"c:\\p2.EXE", L"H2 H0 H1 H3"},
        {L"H0 H1 H2", L"C:\\P0.exe", L"H0 H1 H2"},
        {L"H0 H1 H2", L"C:\\other.exe", L"H0 H1 H2"},
        {L"H0 H1 H2", L"", L"H0 H1 H2"},
        {L"H0 _ H2 _", L"C:\\P2.exe", L"H2 H0"},
        {L"H0 H1 H2 H3 H4 H5 H6 H7 H8 H9 H10 H11", L"C:\\P4.exe", L"H4 H0 H1 H2 H3 H5 H6 H7 H8 H9"},
        // Past the tenth the shell is not asked: its default stays unseen.
        {L"H0 H1 H2 H3 H4 H5 H6 H7 H8 H9 H10 H11", L"C:\\P11.exe",
         L"H0 H1 H2 H3 H4 H5 H6 H7 H8 H9"},
        {L"", L"C:\\P0.exe", L""},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.handlers);
        std::vector<FakeHandler*> fakes;
        int n = 0;
        for (const std::wstring& name : Words(c.handlers)) {
            std::wstring program = L"C:\\P" + std::to_wstring(n++) + L".exe";
            fakes.push_back(new FakeHandler(name, program));
        }
        auto* handlers = new FakeHandlers(fakes);
        OpenWithList list;
        EXPECT_EQ(list.Fill(handlers, c.defaultProgram), -1) << "no icons";
        std::wstring names;
        for (std::size_t i = 0; i < list.size(); ++i)
            names += (i ? L" " : L"") + list[i].name.str();
        EXPECT_EQ(names, c.list);
        handlers->Release();
    }
}

TEST(OpenWithListTest, FirstHandlersIconIsTheSystemImageOfItsIconFile) {
    wchar_t system[MAX_PATH] = {};
    ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
    const std::wstring shell = std::wstring(system) + L"\\shell32.dll";
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    {
        OpenWithList list;
        auto* withIcon = new FakeHandlers(
            {new FakeHandler(L"A", L"C:\\a.exe", 1, shell), new FakeHandler(L"B", L"C:\\b.exe")});
        const int icon = list.Fill(withIcon, L"");
        withIcon->Release();
        EXPECT_GE(icon, 0);
        ASSERT_EQ(list.size(), 2u);
        EXPECT_EQ(list[0].icon, icon);
        EXPECT_EQ(list[1].icon, -1);
        // The handler with an icon is not the default program's: the first
        // one then has none, and neither has the list.
        auto* defaultFirst = new FakeHandlers(
            {new FakeHandler(L"A", L"C:\\a.exe", 1, shell), new FakeHandler(L"B", L"C:\\b.exe")});
        EXPECT_EQ(list.Fill(defaultFirst, L"C:\\b.exe"), -1);
        defaultFirst->Release();
        EXPECT_EQ(list[1].icon, icon);
    }
    CoUninitialize();
}

TEST(OpenWithListTest, LaterHandlerOfTheDefaultProgramWins) {
    auto* handlers =
        new FakeHandlers({new FakeHandler(L"A", L"C:\\x.exe"), new FakeHandler(L"B", L"C:\\y.exe"),
                          new FakeHandler(L"C", L"C:\\X.exe")});
    OpenWithList list;
    list.Fill(handlers, L"c:\\x.exe");
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].name, L"C");
    EXPECT_EQ(list[1].name, L"A");
    EXPECT_EQ(list[2].name, L"B");
    handlers->Release();
}

// Result items of the test's own.
struct Items {
    std::vector<std::unique_ptr<FoundItem>> owned;
    std::vector<const FoundItem*> selection;
    void Add(const std::wstring& folder, const std::wstring& name, bool isFolder = false) {
        auto item = std::make_unique<FoundItem>();
        TestItem{folder.c_str(), name.c_str(), 1,
                 isFolder ? static_cast<std::uint32_t>(FILE_ATTRIBUTE_DIRECTORY) : 0x20u}
            .FillIn(*item);
        selection.push_back(item.get());
        owned.push_back(std::move(item));
    }
};

TEST(OpenWithListTest, HandsTheSelectionOverThenTheFirstAlone) {
    TempDir dir;
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    {
        Items items;
        for (const wchar_t* name : {L"a.txt", L"b.txt", L"c.txt"}) {
            dir.WriteFile(name, "x");
            items.Add(dir.Path(), name);
        }
        const struct {
            int takes;
            bool result;
            std::vector<int> invoked;
        } kCases[] = {{3, true, {3}}, {1, true, {3, 1}}, {0, false, {3, 1}}};
        for (const auto& c : kCases) {
            SCOPED_TRACE(c.takes);
            auto* handler = new FakeHandler(L"Viewer", L"C:\\viewer.exe", c.takes);
            handler->AddRef();
            auto* handlers = new FakeHandlers({handler});
            OpenWithList list;
            list.Fill(handlers, L"");
            handlers->Release();
            EXPECT_EQ(list.Invoke(0, items.selection), c.result);
            EXPECT_EQ(handler->invoked, c.invoked);
            EXPECT_FALSE(list.Invoke(1, items.selection));
            EXPECT_FALSE(list.Invoke(0, {}));
            list.Clear();
            handler->Release();
        }
    }
    CoUninitialize();
}

// Records what opening asked for instead of opening.
class RecordingOpener : public ResultOpener {
public:
    bool Execute(const FoundItem& item) override {
        executed += (executed.empty() ? L"" : L" ") + item.name.str();
        // As the shell: a file that is not there does not open.
        return item.name.view().substr(0, 4) != L"fail" &&
               GetFileAttributesW(PathJoin(item.folder.view(), item.name.view()).c_str()) !=
                   INVALID_FILE_ATTRIBUTES;
    }
    bool OpenWithDialog(const FoundItem& item) override {
        chooser = item.name.str();
        return true;
    }
    PERCEIVED PerceivedType(const mvstring& ext) override {
        return mvstring::EqualsNoCase(ext.view(), L".exe") ? PERCEIVED_TYPE_APPLICATION
                                                           : PERCEIVED_TYPE_TEXT;
    }
    std::wstring executed;
    std::wstring chooser;
};

// Restores the setting after the test.
class MaxItemOpenScope {
public:
    explicit MaxItemOpenScope(int value) : m_old(Settings().MaxItemOpen) {
        Settings().MaxItemOpen = value;
    }
    ~MaxItemOpenScope() { Settings().MaxItemOpen = m_old; }

private:
    int m_old;
};

TEST(OpenDefaultTest, BranchesByFirstItem) {
    // Names ending in "/" are folders; a name starting "fail" does not open;
    // one starting "gone" is not on disk (deleted since the search).
    // handler: -1 none, else how many items the type's default handler takes.
    const struct {
        const wchar_t* selection;
        int maxOpen;
        int handler;
        bool result;
        const wchar_t* executed;
        std::vector<int> invoked;
        const wchar_t* chooser;
    } kCases[] = {
        {L"d1/ d2/ d3/ f.txt d4/", 8, -1, true, L"d1 d2 d3", {}, L""},
        {L"d1/ d2/ d3/", 0, -1, true, L"d1 d2 d3", {}, L""},
        {L"d1/ d2/ d3/", -1, -1, true, L"d1", {}, L""},
        {L"d1/ d2/ d3/", 2, -1, true, L"d1 d2", {}, L""},
        {L"faild/ d2/", 8, -1, true, L"faild", {}, L""},
        {L"a.exe b.EXE c.txt d.exe", 8, -1, true, L"a.exe b.EXE", {}, L""},
        {L"noext a.txt", 8, 5, true, L"noext", {}, L""},
        // With a handler the whole selection goes to it in one go.
        {L"1.txt 2.txt 3.txt 4.txt 5.txt 6.txt 7.txt 8.txt 9.txt 10.txt",
         2,
         100,
         true,
         L"",
         {10},
         L""},
        // No handler list: one by one up to the limit, only the first when
        // the extensions differ.
        {L"1.txt 2.TXT 3.txt 4.txt", 3, -1, true, L"1.txt 2.TXT 3.txt", {}, L""},
        {L"1.txt 2.txt 3.txt", 0, -1, true, L"1.txt 2.txt 3.txt", {}, L""},
        {L"1.txt 2.log 3.txt", 8, -1, true, L"1.txt", {}, L""},
        // Nothing opens: the chooser for the first file.
        {L"fail.txt b.txt", 8, -1, false, L"fail.txt", {}, L"fail.txt"},
        {L"a.txt b.txt", 8, 0, false, L"", {2, 1}, L"a.txt"},
        {L"a.txt b.txt", 8, 1, true, L"", {2, 1}, L""},
        // A file deleted since the search: the shell says so when it does
        // not open; no chooser for it.
        {L"gone.txt b.txt", 8, -1, false, L"gone.txt", {}, L""},
        {L"gone.txt", 8, 0, false, L"", {1}, L""},
    };
    TempDir dir;
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.selection);
        MaxItemOpenScope limit(c.maxOpen);
        Items items;
        std::vector<std::wstring> words;
        std::wistringstream in(c.selection);
        for (std::wstring word; in >> word;)
            words.push_back(word);
        for (std::wstring& word : words) {
            bool isFolder = word.back() == L'/';
            if (isFolder)
                word.pop_back();
            else if (word.compare(0, 4, L"gone") != 0)
                dir.WriteFile(word, "x");
            if (isFolder && word.compare(0, 4, L"fail") != 0)
                CreateDirectoryW((dir / word).c_str(), nullptr);
            items.Add(dir.Path(), word, isFolder);
        }
        OpenWithList list;
        FakeHandler* handler = nullptr;
        if (c.handler >= 0) {
            handler = new FakeHandler(L"Viewer", L"C:\\viewer.exe", c.handler);
            handler->AddRef();
            auto* handlers = new FakeHandlers({handler});
            list.Fill(handlers, L"");
            handlers->Release();
        }
        RecordingOpener opener;
        EXPECT_EQ(OpenDefault(items.selection, list, opener), c.result);
        EXPECT_EQ(opener.executed, c.executed);
        EXPECT_EQ(opener.chooser, c.chooser);
        EXPECT_EQ(handler != nullptr ? handler->invoked : std::vector<int>{}, c.invoked);
        list.Clear();
        if (handler != nullptr)
            handler->Release();
    }
    RecordingOpener opener;
    OpenWithList none;
    EXPECT_FALSE(OpenDefault({}, none, opener));
    CoUninitialize();
}

TEST(OpenWithListTest, RebuiltFromTheFirstItemOnlyForAFileWithExtension) {
    TempDir dir;
    dir.WriteFile(L"a.txt", "x");
    fake::HandlerSource source{L"Viewer Editor"};
    const struct {
        const wchar_t* first;
        bool folder;
        int asked;
        std::size_t handlers;
    } kCases[] = {
        {L"a.txt", false, 1, 2},
        {L"gone.txt", false, 1, 2}, // deleted since the search: still its type's programs
        {L"README", false, 0, 0},
        {L"sub", true, 0, 0},
    };
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.first);
        Items items;
        items.Add(dir.Path(), c.first, c.folder);
        items.Add(dir.Path(), L"other.log");
        OpenWithList list;
        list.SetHandlerSource(&fake::HandlerSource::Enumerate, &source);
        source.asked = 0;
        EXPECT_EQ(list.Rebuild(items.selection), -1);
        EXPECT_EQ(source.asked, c.asked);
        ASSERT_EQ(list.size(), c.handlers);
        if (c.handlers > 0) {
            EXPECT_EQ(list[0].name, L"Viewer");
        }
        EXPECT_EQ(list.Rebuild({}), -1);
        EXPECT_TRUE(list.empty());
    }
    CoUninitialize();
}

TEST(OpenWithListTest, ItemsThatDoNotParseReachNoHandler) {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    {
        Items items;
        items.Add(L"", L""); // no path at all
        auto* handler = new FakeHandler(L"Viewer", L"C:\\viewer.exe");
        handler->AddRef();
        auto* handlers = new FakeHandlers({handler});
        OpenWithList list;
        list.Fill(handlers, L"");
        handlers->Release();
        EXPECT_FALSE(list.Invoke(0, items.selection));
        EXPECT_TRUE(handler->invoked.empty());
        list.Clear();
        handler->Release();
    }
    CoUninitialize();
}

TEST(OpenDefaultTest, ShellClassOfAResult) {
    const struct {
        const wchar_t* name;
        bool folder;
        const wchar_t* shellClass;
    } kCases[] = {
        {L"dir", true, L"Folder"},
        {L"dir.d", true, L"Folder"},
        {L"README", false, L"Unknown"},
        {L"a.txt", false, nullptr},
    };
    for (const auto& c : kCases) {
        Items items;
        items.Add(L"C:\\data", c.name, c.folder);
        const wchar_t* shellClass = ExecuteClass(*items.selection.front());
        EXPECT_EQ(std::wstring(shellClass != nullptr ? shellClass : L"<none>"),
                  std::wstring(c.shellClass != nullptr ? c.shellClass : L"<none>"))
            << c.name;
    }
}

} // namespace
