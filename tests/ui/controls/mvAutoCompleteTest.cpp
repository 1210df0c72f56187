#include "ui/core/WindowHolders.h"
#include "ui/controls/mvAutoComplete.h"

#include "foundation/Handles.h"
#include "foundation/mvcominit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::wstring> Texts(const mvIEnumString& list) {
    std::vector<std::wstring> out;
    for (const mvstring& s : list.Strings())
        out.emplace_back(s.c_str());
    return out;
}

// Drains up to `count` strings with one Next call.
std::vector<std::wstring> Fetch(IEnumString* list, ULONG count, HRESULT* hr) {
    std::vector<LPOLESTR> array(count + 1, nullptr);
    ULONG fetched = 99;
    *hr = list->Next(count, array.data(), &fetched);
    std::vector<std::wstring> out;
    for (ULONG i = 0; i < fetched; ++i) {
        out.emplace_back(array[i]);
        CoTaskMemFree(array[i]);
    }
    return out;
}

TEST(mvIEnumString, AddStringKeepsOneEntryPerTextNewestFirst) {
    struct Case {
        bool unique, ignoreCase;
        std::vector<const wchar_t*> added;
        std::vector<std::wstring> expected;
        int limit;
    };
    const Case cases[] = {
        {true, true, {L"C:\\Data", L"D:\\", L"c:\\data"}, {L"c:\\data", L"D:\\"}, -1},
        {true, false, {L"C:\\Data", L"D:\\", L"c:\\data"}, {L"c:\\data", L"D:\\", L"C:\\Data"}, -1},
        {true, false, {L"abc", L"x", L"abc"}, {L"abc", L"x"}, -1},
        {false, true, {L"abc", L"ABC"}, {L"ABC", L"abc"}, -1},
        {true, true, {L"a", L"b", L"c"}, {L"c", L"b"}, 2},
        {true, true, {L"a", L"b", L"a", L"c"}, {L"c", L"a"}, 2},
    };
    for (const Case& c : cases) {
        ComHandle<mvIEnumString> list(new mvIEnumString());
        list.Get()->m_unique = c.unique;
        list.Get()->m_ignoreCase = c.ignoreCase;
        list.Get()->SetLimit(c.limit);
        for (const wchar_t* text : c.added)
            EXPECT_EQ(0, list.Get()->AddString(text));
        EXPECT_EQ(c.expected, Texts(*list.Get())) << c.added.front() << " limit " << c.limit;
    }
}

TEST(mvIEnumString, EmptyTextIsRefusedAndRewindsNothing) {
    ComHandle<mvIEnumString> list(new mvIEnumString());
    list.Get()->AddString(L"one");
    list.Get()->Skip(1);
    EXPECT_EQ(-1, list.Get()->AddString(L""));
    EXPECT_EQ(1u, list.Get()->Position());
    EXPECT_EQ(std::vector<std::wstring>{L"one"}, Texts(*list.Get()));
    list.Get()->AddString(L"two");
    EXPECT_EQ(0u, list.Get()->Position());
}

TEST(mvIEnumString, LimitDropsOldestAndZeroRemovesIt) {
    ComHandle<mvIEnumString> list(new mvIEnumString());
    for (const wchar_t* text : {L"a", L"b", L"c", L"d"})
        list.Get()->AddString(text);
    list.Get()->Skip(2);
    EXPECT_EQ(2, list.Get()->SetLimit(2));
    EXPECT_EQ((std::vector<std::wstring>{L"d", L"c"}), Texts(*list.Get()));
    EXPECT_EQ(0u, list.Get()->Position());
    list.Get()->Skip(1);
    EXPECT_EQ(2, list.Get()->SetLimit(2)); // unchanged: position kept
    EXPECT_EQ(1u, list.Get()->Position());
    EXPECT_EQ(-1, list.Get()->SetLimit(0));
    list.Get()->AddString(L"e");
    list.Get()->AddString(L"f");
    EXPECT_EQ((std::vector<std::wstring>{L"f", L"e", L"d", L"c"}), Texts(*list.Get()));
}

TEST(mvIEnumString, NextSkipAndResetWalkTheList) {
    ComHandle<mvIEnumString> list(new mvIEnumString());
    for (const wchar_t* text : {L"c", L"b", L"a"})
        list.Get()->AddString(text);
    HRESULT hr = E_FAIL;
    EXPECT_EQ(std::vector<std::wstring>{L"a"}, Fetch(list.Get(), 1, &hr));
    EXPECT_EQ(S_OK, hr);
    EXPECT_EQ((std::vector<std::wstring>{L"b", L"c"}), Fetch(list.Get(), 3, &hr));
    EXPECT_EQ(S_FALSE, hr);
    EXPECT_TRUE(Fetch(list.Get(), 1, &hr).empty());
    EXPECT_EQ(S_FALSE, hr);

    LPOLESTR one = nullptr;
    EXPECT_EQ(S_FALSE, list.Get()->Next(0, &one, nullptr));
    EXPECT_EQ(S_FALSE, list.Get()->Next(1, nullptr, nullptr));

    EXPECT_EQ(S_OK, list.Get()->Reset());
    EXPECT_EQ(S_OK, list.Get()->Skip(3));
    EXPECT_EQ(S_FALSE, list.Get()->Skip(1));
    list.Get()->Reset();
    EXPECT_EQ(S_OK, list.Get()->Skip(2));
    EXPECT_EQ(std::vector<std::wstring>{L"c"}, Fetch(list.Get(), 1, &hr));
    EXPECT_EQ(S_OK, hr);
}

TEST(mvIEnumString, CloneCopiesStringsPositionAndFlags) {
    ComHandle<mvIEnumString> list(new mvIEnumString());
    list.Get()->m_ignoreCase = false;
    list.Get()->AddString(L"y");
    list.Get()->AddString(L"x");
    list.Get()->Skip(1);
    EXPECT_EQ(E_UNEXPECTED, list.Get()->Clone(nullptr));
    ComHandle<IEnumString> copy;
    ASSERT_EQ(S_OK, list.Get()->Clone(copy.Put()));
    auto* clone = static_cast<mvIEnumString*>(copy.Get());
    EXPECT_EQ(1u, clone->Position());
    EXPECT_FALSE(clone->m_ignoreCase);
    clone->AddString(L"Y");
    EXPECT_EQ((std::vector<std::wstring>{L"Y", L"x", L"y"}), Texts(*clone));
    EXPECT_EQ((std::vector<std::wstring>{L"x", L"y"}), Texts(*list.Get()));
}

TEST(mvIEnumString, AnswersOnlyItsInterfaceAndCountsReferences) {
    auto* list = new mvIEnumString();
    void* out = nullptr;
    EXPECT_EQ(S_OK, list->QueryInterface(IID_IUnknown, &out));
    EXPECT_EQ(static_cast<IEnumString*>(list), out);
    EXPECT_EQ(S_OK, list->QueryInterface(IID_IEnumString, &out));
    EXPECT_EQ(E_NOINTERFACE, list->QueryInterface(IID_IDispatch, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(4u, list->AddRef()); // two answered queries took references
    for (ULONG left : {3u, 2u, 1u, 0u})
        EXPECT_EQ(left, list->Release());
}

class mvACBaseTest : public ::testing::Test {
protected:
    mvcominit com;
    WindowHandle edit{CreateWindowExW(0, L"Edit", L"", WS_POPUP, 0, 0, 200, 24, nullptr, nullptr,
                                      nullptr, nullptr)};
};

TEST_F(mvACBaseTest, AttachSetsSuggestOptionsAndArrowKeys) {
    ASSERT_TRUE(edit);
    for (bool arrows : {false, true}) {
        mvACBase ac;
        EXPECT_FALSE(ac.Attach(nullptr, arrows));
        ASSERT_TRUE(ac.Attach(edit.Get(), arrows));
        ComHandle<IAutoComplete2> second;
        ASSERT_EQ(S_OK, ac.AutoComplete()->QueryInterface(IID_IAutoComplete2,
                                                          reinterpret_cast<void**>(second.Put())));
        DWORD options = 0;
        ASSERT_EQ(S_OK, second.Get()->GetOptions(&options));
        EXPECT_EQ(DWORD(ACO_AUTOSUGGEST | (arrows ? ACO_UPDOWNKEYDROPSLIST : 0)), options);
        EXPECT_FALSE(ac.IsDropDownVisible());
    }
}

// The shell keeps references to the enumerator while the edit lives; the
// base going first must leave a working object behind.
TEST_F(mvACBaseTest, EnumeratorOutlivesTheBaseWhileReferenced) {
    IEnumString* kept = nullptr;
    {
        mvACBase ac;
        ASSERT_TRUE(ac.Attach(edit.Get(), false));
        ac.AddString(L"C:\\first");
        ASSERT_EQ(S_OK,
                  ac.Strings().QueryInterface(IID_IEnumString, reinterpret_cast<void**>(&kept)));
        ASSERT_TRUE(ac.Attach(edit.Get(), true)); // re-attach releases the first objects
        ac.AddString(L"C:\\second");
        EXPECT_EQ(2u, ac.Strings().Strings().size());
    }
    ASSERT_NE(nullptr, kept);
    HRESULT hr = E_FAIL;
    EXPECT_TRUE(Fetch(kept, 1, &hr).empty()); // emptied by the base's release
    EXPECT_EQ(S_OK, kept->Reset());
    kept->Release();
    edit.Reset(); // the shell's own references go with the window
}

TEST_F(mvACBaseTest, ClearAndReleaseEmptyTheList) {
    mvACBase ac;
    ASSERT_TRUE(ac.Attach(edit.Get(), false));
    ac.SetLimit(5);
    ac.AddString(L"a");
    ac.AddString(L"b");
    ac.Clear();
    EXPECT_TRUE(ac.Strings().Strings().empty());
    ac.AddString(L"c");
    ac.Release();
    EXPECT_TRUE(ac.Strings().Strings().empty());
    EXPECT_EQ(nullptr, ac.AutoComplete());
    EXPECT_EQ(nullptr, ac.SourceList());
    EXPECT_EQ(5, ac.Strings().Limit());
    EXPECT_TRUE(ac.Attach(edit.Get(), false)); // usable again after a release
}

} // namespace
