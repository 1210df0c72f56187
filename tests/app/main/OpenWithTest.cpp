#include "app/main/OpenWith.h"

#include "foundation/Settings.h"
#include "search/FoundItem.h"
#include "ui/core/mvComBase.h"

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

// How many items a data object's shell ID list array names; -1 for none.
int IdListCount(IDataObject* object) {
    FORMATETC format{static_cast<CLIPFORMAT>(RegisterClipboardFormatW(CFSTR_SHELLIDLIST)), nullptr,
                     DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (object == nullptr || FAILED(object->GetData(&format, &medium)))
        return -1;
    auto* array = static_cast<CIDA*>(GlobalLock(medium.hGlobal));
    int count = array != nullptr ? static_cast<int>(array->cidl) : -1;
    GlobalUnlock(medium.hGlobal);
    ReleaseStgMedium(&medium);
    return count;
}

// A recommended program of the test's own; "" as its name is no name.
class FakeHandler : public mvcom_base<IAssocHandler> {
public:
    FakeHandler(std::wstring name, std::wstring program, int takes = 1000)
        : m_name(std::move(name)), m_program(std::move(program)), m_takes(takes) {}

    STDMETHODIMP GetName(LPWSTR* out) override { return Give(m_program, out); }
    STDMETHODIMP GetUIName(LPWSTR* out) override { return Give(m_name, out); }
    STDMETHODIMP GetIconLocation(LPWSTR*, int*) override { return E_NOTIMPL; }
    STDMETHODIMP IsRecommended() override { return S_OK; }
    STDMETHODIMP MakeDefault(LPCWSTR) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(IDataObject* object) override {
        int count = IdListCount(object);
        invoked.push_back(count);
        return count >= 1 && count <= m_takes ? S_OK : E_FAIL;
    }
    STDMETHODIMP CreateInvoker(IDataObject*, IAssocHandlerInvoker**) override {
        return E_NOTIMPL;
    }

    std::vector<int> invoked;

private:
    static HRESULT Give(const std::wstring& text, LPWSTR* out) {
        if (text.empty())
            return E_FAIL;
        return SHStrDupW(text.c_str(), out);
    }
    std::wstring m_name, m_program;
    int m_takes;
};

class FakeHandlers : public mvcom_base<IEnumAssocHandlers> {
public:
    explicit FakeHandlers(std::vector<FakeHandler*> handlers) : m_handlers(std::move(handlers)) {}
    ~FakeHandlers() override {
        for (FakeHandler* handler : m_handlers)
            handler->Release();
    }
    STDMETHODIMP Next(ULONG count, IAssocHandler** out, ULONG* fetched) override {
        ++asked;
        if (count != 1 || m_next >= m_handlers.size())
            return S_FALSE;
        out[0] = m_handlers[m_next++];
        out[0]->AddRef();
        if (fetched != nullptr)
            *fetched = 1;
        return S_OK;
    }
    int asked = 0;

private:
    std::vector<FakeHandler*> m_handlers;
    std::size_t m_next = 0;
};

std::vector<std::wstring> Words(const wchar_t* text) {
    std::wistringstream in(text);
    std::vector<std::wstring> words;
    for (std::wstring word; in >> word;)
        words.push_back(word == L"_" ? std::wstring() : word);
    return words;
}

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
        {L"H0 H1 H2 H3 H4 H5 H6 H7 H8 H9 H10 H11", L"C:\\P4.exe",
         L"H4 H0 H1 H2 H3 H5 H6 H7 H8 H9"},
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

TEST(OpenWithListTest, LaterHandlerOfTheDefaultProgramWins) {
    auto* handlers = new FakeHandlers({new FakeHandler(L"A", L"C:\\x.exe"),
                                       new FakeHandler(L"B", L"C:\\y.exe"),
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
        return item.name.view().substr(0, 4) != L"fail";
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
    // Names ending in "/" are folders; a name starting "fail" does not open.
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
        {L"1.txt 2.txt 3.txt 4.txt 5.txt 6.txt 7.txt 8.txt 9.txt 10.txt", 2, 100, true, L"",
         {10}, L""},
        // No handler list: one by one up to the limit, only the first when
        // the extensions differ.
        {L"1.txt 2.TXT 3.txt 4.txt", 3, -1, true, L"1.txt 2.TXT 3.txt", {}, L""},
        {L"1.txt 2.txt 3.txt", 0, -1, true, L"1.txt 2.txt 3.txt", {}, L""},
        {L"1.txt 2.log 3.txt", 8, -1, true, L"1.txt", {}, L""},
        // Nothing opens: the chooser for the first file.
        {L"fail.txt b.txt", 8, -1, false, L"fail.txt", {}, L"fail.txt"},
        {L"a.txt b.txt", 8, 0, false, L"", {2, 1}, L"a.txt"},
        {L"a.txt b.txt", 8, 1, true, L"", {2, 1}, L""},
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
            else
                dir.WriteFile(word, "x");
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

} // namespace
