#include "app/shared/ClipboardFormats.h"
#include "app/shared/FormatEnumerator.h"
#include "app/shared/VQDataObject.h"

#include "ui/ProbeWnd.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr CLIPFORMAT kFormatA = CF_TEXT, kFormatB = CF_UNICODETEXT;

HGLOBAL Block(const std::string& bytes) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
    return block;
}

std::string Bytes(HGLOBAL block) {
    std::string bytes(GlobalSize(block), '\0');
    std::memcpy(bytes.data(), GlobalLock(block), bytes.size());
    GlobalUnlock(block);
    return bytes;
}

FORMATETC Format(CLIPFORMAT format, DWORD tymed = TYMED_HGLOBAL) {
    return {format, nullptr, DVASPECT_CONTENT, -1, tymed};
}

// Stores `bytes` under `format`, the object taking a copy and freeing ours.
HRESULT Put(IDataObject* object, CLIPFORMAT format, const std::string& bytes) {
    FORMATETC stored = Format(format);
    STGMEDIUM medium{TYMED_HGLOBAL};
    medium.hGlobal = Block(bytes);
    const HRESULT hr = object->SetData(&stored, &medium, TRUE);
    if (hr != S_OK)
        GlobalFree(medium.hGlobal);
    return hr;
}

// What GetData gives for `format`; empty when refused.
std::string Get(IDataObject* object, CLIPFORMAT format) {
    FORMATETC request = Format(format);
    STGMEDIUM medium{};
    if (object->GetData(&request, &medium) != S_OK)
        return {};
    std::string bytes = Bytes(medium.hGlobal);
    ReleaseStgMedium(&medium);
    return bytes;
}

std::vector<CLIPFORMAT> Listed(IDataObject* object) {
    std::vector<CLIPFORMAT> formats;
    IEnumFORMATETC* list = nullptr;
    if (object->EnumFormatEtc(DATADIR_GET, &list) != S_OK)
        return formats;
    FORMATETC format;
    while (list->Next(1, &format, nullptr) == S_OK)
        formats.push_back(format.cfFormat);
    list->Release();
    return formats;
}

class DataObjectTest : public ::testing::Test {
protected:
    void TearDown() override { object->Release(); }
    CVQDataObject* object = new CVQDataObject;
};

TEST_F(DataObjectTest, KeepsItsOwnCopiesInTheOrderFirstSet) {
    ASSERT_EQ(Put(object, kFormatA, "first"), S_OK);
    ASSERT_EQ(Put(object, kFormatB, "second"), S_OK);
    ASSERT_EQ(Put(object, kFormatA, "third"), S_OK); // replaces in place
    EXPECT_EQ(Listed(object), (std::vector<CLIPFORMAT>{kFormatA, kFormatB}));
    EXPECT_EQ(Get(object, kFormatA), "third");

    // What GetData hands out is the caller's own: spoiling it changes
    // nothing stored.
    FORMATETC request = Format(kFormatB);
    STGMEDIUM medium{};
    ASSERT_EQ(object->GetData(&request, &medium), S_OK);
    EXPECT_EQ(medium.pUnkForRelease, nullptr);
    std::memset(GlobalLock(medium.hGlobal), 'x', 6);
    GlobalUnlock(medium.hGlobal);
    ReleaseStgMedium(&medium);
    EXPECT_EQ(Get(object, kFormatB), "second");
}

TEST_F(DataObjectTest, RefusesWhatItCannotStoreAndLeavesTheCallersMedium) {
    IStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
    FORMATETC asBlock = Format(kFormatA);
    STGMEDIUM streamMedium{TYMED_ISTREAM};
    streamMedium.pstm = stream;
    EXPECT_EQ(object->SetData(&asBlock, &streamMedium, TRUE), DV_E_FORMATETC);
    EXPECT_EQ(streamMedium.pstm, stream);
    stream->AddRef();
    EXPECT_EQ(stream->Release(), 1u) << "the stream kept its one reference";
    stream->Release();

    FORMATETC noFormat = Format(0);
    STGMEDIUM medium{TYMED_HGLOBAL};
    medium.hGlobal = Block("x");
    EXPECT_EQ(object->SetData(&noFormat, &medium, TRUE), DV_E_FORMATETC);
    // An empty block cannot be copied: no entry is left behind for it, and
    // an entry it was to replace is gone as well.
    ASSERT_EQ(Put(object, kFormatA, "old"), S_OK);
    FORMATETC format = Format(kFormatA);
    STGMEDIUM empty{TYMED_HGLOBAL};
    empty.hGlobal = GlobalAlloc(GMEM_MOVEABLE, 0);
    EXPECT_EQ(object->SetData(&format, &empty, TRUE), DV_E_FORMATETC);
    EXPECT_NE(GlobalSize(medium.hGlobal), 0u) << "the caller's block was not released";
    GlobalFree(medium.hGlobal);
    GlobalFree(empty.hGlobal);
    IEnumFORMATETC* list = reinterpret_cast<IEnumFORMATETC*>(1);
    EXPECT_EQ(object->EnumFormatEtc(DATADIR_GET, &list), E_INVALIDARG);
    EXPECT_EQ(list, nullptr);
}

TEST_F(DataObjectTest, FindsAFormatByTypeAspectAndIndex) {
    ASSERT_EQ(Put(object, kFormatA, "data"), S_OK);
    struct Case {
        FORMATETC request;
        HRESULT expected;
    };
    const Case cases[] = {
        {Format(kFormatA), S_OK},
        {Format(kFormatA, TYMED_HGLOBAL | TYMED_ISTREAM), S_OK},
        {Format(kFormatA, TYMED_ISTREAM), DV_E_FORMATETC},
        {Format(kFormatB), DV_E_FORMATETC},
        {{kFormatA, nullptr, DVASPECT_ICON, -1, TYMED_HGLOBAL}, DV_E_FORMATETC},
        {{kFormatA, nullptr, DVASPECT_CONTENT, 0, TYMED_HGLOBAL}, DV_E_FORMATETC},
    };
    for (const Case& c : cases) {
        FORMATETC request = c.request;
        EXPECT_EQ(object->QueryGetData(&request), c.expected)
            << request.cfFormat << " " << request.dwAspect << " " << request.lindex << " "
            << request.tymed;
    }
}

TEST_F(DataObjectTest, GetDataHereFillsTheCallersBlockWithoutGrowingIt) {
    ASSERT_EQ(Put(object, kFormatA, "12345"), S_OK);
    FORMATETC request = Format(kFormatA);
    STGMEDIUM small{TYMED_HGLOBAL};
    small.hGlobal = Block("abcd");
    EXPECT_EQ(object->GetDataHere(&request, &small), DV_E_FORMATETC);
    EXPECT_EQ(Bytes(small.hGlobal), "abcd");
    GlobalFree(small.hGlobal);

    STGMEDIUM large{TYMED_HGLOBAL};
    large.hGlobal = Block("abcdefg");
    const HGLOBAL given = large.hGlobal;
    EXPECT_EQ(object->GetDataHere(&request, &large), S_OK);
    EXPECT_EQ(large.hGlobal, given);
    EXPECT_EQ(Bytes(large.hGlobal), "12345fg");
    GlobalFree(large.hGlobal);
}

TEST_F(DataObjectTest, StreamsAreSharedAndCopiedIntoACallersStream) {
    IStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &stream), S_OK);
    ASSERT_EQ(stream->Write("stream", 6, nullptr), S_OK);
    FORMATETC format = Format(kFormatB, TYMED_ISTREAM);
    STGMEDIUM medium{TYMED_ISTREAM};
    medium.pstm = stream;
    ASSERT_EQ(object->SetData(&format, &medium, FALSE), S_OK);

    STGMEDIUM shared{};
    ASSERT_EQ(object->GetData(&format, &shared), S_OK);
    EXPECT_EQ(shared.pstm, stream);
    ReleaseStgMedium(&shared);

    IStream* mine = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(nullptr, TRUE, &mine), S_OK);
    STGMEDIUM into{TYMED_ISTREAM};
    into.pstm = mine;
    ASSERT_EQ(object->GetDataHere(&format, &into), S_OK);
    HGLOBAL bytes = nullptr;
    ASSERT_EQ(GetHGlobalFromStream(mine, &bytes), S_OK);
    EXPECT_EQ(Bytes(bytes).substr(0, 6), "stream");
    mine->Release();
    object->Release();
    object = new CVQDataObject;
    EXPECT_EQ(stream->Release(), 0u) << "the object let its reference go";
}

TEST_F(DataObjectTest, CanonicalFormatAndAdviseAnswers) {
    FORMATETC in = Format(kFormatA), out{};
    in.ptd = reinterpret_cast<DVTARGETDEVICE*>(&in);
    EXPECT_EQ(object->GetCanonicalFormatEtc(&in, &out), DATA_S_SAMEFORMATETC);
    EXPECT_EQ(out.ptd, nullptr);
    EXPECT_EQ(out.cfFormat, kFormatA);
    EXPECT_EQ(object->GetCanonicalFormatEtc(&in, nullptr), E_UNEXPECTED);
    DWORD connection = 7;
    EXPECT_EQ(object->DAdvise(&in, 0, nullptr, &connection), OLE_E_ADVISENOTSUPPORTED);
    EXPECT_EQ(connection, 0u);
    IEnumSTATDATA* advises = reinterpret_cast<IEnumSTATDATA*>(1);
    EXPECT_EQ(object->EnumDAdvise(&advises), OLE_E_ADVISENOTSUPPORTED);
    EXPECT_EQ(advises, nullptr);
}

TEST(FormatEnumeratorTest, WalksItsOwnCopy) {
    auto* object = new CVQDataObject;
    ASSERT_EQ(Put(object, kFormatA, "a"), S_OK);
    ASSERT_EQ(Put(object, kFormatB, "b"), S_OK);
    IEnumFORMATETC* list = nullptr;
    ASSERT_EQ(object->EnumFormatEtc(DATADIR_SET, &list), S_OK);
    object->Release(); // the list outlives the object

    FORMATETC formats[10]{};
    ULONG fetched = 0;
    EXPECT_EQ(list->Next(10, formats, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 2u);
    EXPECT_EQ(formats[0].cfFormat, kFormatA);
    EXPECT_EQ(formats[1].cfFormat, kFormatB);
    EXPECT_EQ(list->Next(1, formats, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 0u);

    EXPECT_EQ(list->Reset(), S_OK);
    EXPECT_EQ(list->Skip(2), S_OK) << "a cursor at the end is fine";
    EXPECT_EQ(list->Reset(), S_OK);
    EXPECT_EQ(list->Skip(5), S_FALSE);
    EXPECT_EQ(list->Reset(), S_OK);
    ASSERT_EQ(list->Skip(1), S_OK);
    IEnumFORMATETC* copy = nullptr;
    ASSERT_EQ(list->Clone(&copy), S_OK);
    EXPECT_EQ(copy->Next(1, formats, nullptr), S_OK);
    EXPECT_EQ(formats[0].cfFormat, kFormatB) << "the copy starts where the original stood";
    copy->Release();
    list->Release();
}

TEST(ClipboardFormatsTest, NamesAreRememberedByTheirExactSpelling) {
    const std::uint16_t id = GetClipboardFormatId(L"Velquin Test Format");
    EXPECT_NE(id, 0);
    EXPECT_EQ(GetClipboardFormatId(L"Velquin Test Format"), id);
    // The system gives both spellings one id; each is its own key here and
    // still gets that id.
    EXPECT_EQ(GetClipboardFormatId(L"velquin test format"), id);
    EXPECT_EQ(GetClipboardFormatId(L""), 0);
    EXPECT_EQ(GetClipboardFormatId(nullptr), 0);
}

TEST(ClipboardFormatsTest, ReadsAndWritesADword) {
    auto* object = new CVQDataObject;
    DWORD value = 9;
    const std::uint16_t preferred = GetClipboardFormatId(kPreferredDropEffect);
    EXPECT_FALSE(ReadDataObjectDword(object, preferred, value));
    EXPECT_FALSE(ReadDataObjectDword(nullptr, preferred, value));
    ASSERT_TRUE(WriteDataObjectDword(object, kPreferredDropEffect, DROPEFFECT_MOVE));
    ASSERT_TRUE(ReadDataObjectDword(object, preferred, value));
    EXPECT_EQ(value, static_cast<DWORD>(DROPEFFECT_MOVE));
    // Too short to hold one.
    ASSERT_EQ(Put(object, kFormatA, "ab"), S_OK);
    EXPECT_FALSE(ReadDataObjectDword(object, kFormatA, value));
    object->Release();
}

// A paste of cut items is reported back through the data object; the
// window is told whatever operation the receiver reports, and re-checks
// the cut files on disk.
TEST(CutPasteNotifyTest, ThePasteReportTellsTheWindow) {
    const UINT message = RegisterWindowMessageW(L"WM_Velquin_CUTPASTENOTIFY");
    struct Case {
        const wchar_t* format;
        DWORD value;
        int posts;
    };
    const Case cases[] = {
        {kPasteSucceeded, DROPEFFECT_MOVE, 1}, // the usual report of a pasted cut
        {kPasteSucceeded, DROPEFFECT_COPY, 1},
        {kPasteSucceeded, DROPEFFECT_NONE, 1},
        {kPerformedDropEffect, DROPEFFECT_MOVE, 1},
        {kPreferredDropEffect, DROPEFFECT_MOVE, 0},
    };
    for (const Case& c : cases) {
        ProbeWnd window;
        ASSERT_TRUE(CreateTopLevel(window));
        auto* object = new CVQDataObject;
        object->SetNotify(window.Handle(), message);
        EXPECT_TRUE(WriteDataObjectDword(object, c.format, c.value));
        int posts = 0;
        MSG msg;
        while (PeekMessageW(&msg, window.Handle(), message, message, PM_REMOVE))
            ++posts;
        EXPECT_EQ(posts, c.posts) << c.format << " " << c.value;
        object->Release();
    }

    // Nothing reaches a window that is gone, and the data is still stored.
    ProbeWnd window;
    ASSERT_TRUE(CreateTopLevel(window));
    const HWND gone = window.Handle();
    auto* object = new CVQDataObject;
    object->SetNotify(gone, message);
    DestroyWindow(gone);
    EXPECT_TRUE(WriteDataObjectDword(object, kPasteSucceeded, DROPEFFECT_MOVE));
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, message, message, PM_REMOVE));
    object->Release();
}

} // namespace
