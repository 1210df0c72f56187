#include "app/shared/FileDataObjects.h"
#include "app/shared/VQDropSource.h"
#include "app/shared/VQDropTarget.h"

#include "support/TempDir.h"
#include "support/TestItems.h"
#include "ui/ProbeWnd.h"

#include <gtest/gtest.h>

#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <vector>

namespace {

// Stands in for the shell's drag-image object, which draws nothing under
// Wine: it records what the target hands it, and the files of a drop.
class RecordingDragImage : public mvcom_base<IDropTargetHelper> {
public:
    STDMETHODIMP DragEnter(HWND window, IDataObject*, POINT* point, DWORD effect) override {
        calls.push_back("enter");
        enteredWindow = window;
        lastPoint = *point;
        effects.push_back(effect);
        return S_OK;
    }
    STDMETHODIMP DragLeave() override {
        calls.push_back("leave");
        return S_OK;
    }
    STDMETHODIMP DragOver(POINT* point, DWORD effect) override {
        calls.push_back("over");
        lastPoint = *point;
        effects.push_back(effect);
        return S_OK;
    }
    STDMETHODIMP Drop(IDataObject* data, POINT*, DWORD effect) override {
        calls.push_back("drop");
        effects.push_back(effect);
        FORMATETC request{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium{};
        if (data != nullptr && data->GetData(&request, &medium) == S_OK) {
            auto drop = static_cast<HDROP>(medium.hGlobal);
            const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
            for (UINT i = 0; i < count; ++i) {
                wchar_t path[MAX_PATH]{};
                DragQueryFileW(drop, i, path, MAX_PATH);
                dropped.push_back(path);
            }
            ReleaseStgMedium(&medium);
        }
        return S_OK;
    }
    STDMETHODIMP Show(BOOL) override { return S_OK; }

    std::vector<std::string> calls;
    std::vector<DWORD> effects;
    std::vector<std::wstring> dropped;
    HWND enteredWindow = nullptr;
    POINT lastPoint{};
};

class DropTargetTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(OleInitialize(nullptr), S_OK);
        ASSERT_TRUE(CreateTopLevel(window)); // hidden
        file = dir.WriteFile(L"dropped.txt", "x");
        TestItem{dir.Path().c_str(), L"dropped.txt", 1}.FillIn(item);
        data = CreateFileDataObject({&item});
        ASSERT_NE(data, nullptr);
    }
    void TearDown() override {
        if (data != nullptr)
            data->Release();
        image->Release();
        OleUninitialize();
    }

    TempDir dir;
    std::wstring file;
    FoundItem item;
    ProbeWnd window;
    CVQDataObject* data = nullptr;
    RecordingDragImage* image = new RecordingDragImage;
};

TEST_F(DropTargetTest, RegistersForItsWindowUntilRevoked) {
    CVQDropTarget target(true);
    ASSERT_TRUE(target.Register(window.Handle()));
    EXPECT_EQ(target.Window(), window.Handle());
    CVQDropTarget other;
    EXPECT_EQ(RegisterDragDrop(window.Handle(), &other), DRAGDROP_E_ALREADYREGISTERED);
    target.Revoke();
    EXPECT_EQ(RegisterDragDrop(window.Handle(), &other), S_OK);
    EXPECT_EQ(RevokeDragDrop(window.Handle()), S_OK);
}

TEST_F(DropTargetTest, RefusesOrPassesTheOfferedEffectWhileTheImageMoves) {
    struct Case {
        bool accept;
        DWORD offered, reported;
    };
    const Case cases[] = {
        {false, DROPEFFECT_COPY | DROPEFFECT_MOVE, DROPEFFECT_NONE},
        {true, DROPEFFECT_COPY | DROPEFFECT_MOVE, DROPEFFECT_COPY | DROPEFFECT_MOVE},
        {true, DROPEFFECT_LINK, DROPEFFECT_LINK},
    };
    for (const Case& c : cases) {
        auto* recorder = new RecordingDragImage;
        CVQDropTarget target(c.accept);
        ASSERT_TRUE(target.Register(window.Handle()));
        target.SetDragImage(recorder);
        DWORD enter = c.offered, over = c.offered;
        EXPECT_EQ(target.DragEnter(data, MK_LBUTTON, {10, 20}, &enter), S_OK);
        EXPECT_EQ(target.DragOver(MK_LBUTTON, {11, 22}, &over), S_OK);
        EXPECT_EQ(enter, c.reported);
        EXPECT_EQ(over, c.reported);
        EXPECT_EQ(target.DragLeave(), S_OK);
        EXPECT_EQ(recorder->calls, (std::vector<std::string>{"enter", "over", "leave"}));
        EXPECT_EQ(recorder->effects, (std::vector<DWORD>{c.reported, c.reported}));
        EXPECT_EQ(recorder->enteredWindow, window.Handle());
        EXPECT_EQ(recorder->lastPoint.x, 11);
        EXPECT_EQ(recorder->lastPoint.y, 22);
        target.Revoke();
        recorder->Release();
    }
}

TEST_F(DropTargetTest, TheDroppedFilesReachTheDragImage) {
    CVQDropTarget target(true);
    ASSERT_TRUE(target.Register(window.Handle()));
    target.SetDragImage(image);
    DWORD effect = DROPEFFECT_COPY;
    ASSERT_EQ(target.DragEnter(data, MK_LBUTTON, {1, 1}, &effect), S_OK);
    ASSERT_EQ(target.Drop(data, 0, {2, 2}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_COPY));
    EXPECT_EQ(image->dropped, std::vector<std::wstring>{file});
}

TEST_F(DropTargetTest, WorksWithoutADragImage) {
    CVQDropTarget target(false);
    target.SetDragImage(nullptr);
    DWORD effect = DROPEFFECT_MOVE;
    EXPECT_EQ(target.DragEnter(data, 0, {0, 0}, &effect), S_OK);
    EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(target.DragOver(0, {0, 0}, nullptr), S_OK);
    EXPECT_EQ(target.DragLeave(), S_OK);
    EXPECT_EQ(target.Drop(data, 0, {0, 0}, &effect), S_OK);
}

TEST(DropSourceTest, DropsOnReleaseAndCancelsOnEscape) {
    struct Case {
        BOOL escape;
        DWORD keys;
        HRESULT expected;
    };
    const Case cases[] = {
        {FALSE, MK_LBUTTON, S_OK},
        {FALSE, MK_RBUTTON | MK_SHIFT, S_OK},
        {FALSE, 0, DRAGDROP_S_DROP},
        {FALSE, MK_CONTROL, DRAGDROP_S_DROP},
        {TRUE, MK_LBUTTON, DRAGDROP_S_CANCEL},
        {FALSE, MK_LBUTTON | MK_RBUTTON, DRAGDROP_S_CANCEL},
    };
    auto* source = new CVQDropSource;
    for (const Case& c : cases)
        EXPECT_EQ(source->QueryContinueDrag(c.escape, c.keys), c.expected) << c.keys;
    EXPECT_EQ(source->GiveFeedback(DROPEFFECT_COPY), DRAGDROP_S_USEDEFAULTCURSORS);
    source->Release();
}

// A real drag through the shell's drag loop onto a shown window under the
// cursor: no button is held, so the source drops at once where it is. It
// takes the display's cursor, so the suite runs alone.
TEST(DropTargetInput, TheShellsDragLoopDropsFilesOntoTheWindow) {
    ASSERT_EQ(OleInitialize(nullptr), S_OK);
    {
        TempDir dir;
        const std::wstring file = dir.WriteFile(L"dragged.txt", "x");
        FoundItem item;
        TestItem{dir.Path().c_str(), L"dragged.txt", 1}.FillIn(item);
        // A refused drop ends the loop with no effect; whether it calls that a
        // drop or a cancel is the system's matter.
        struct Case {
            bool accept;
            DWORD effect;
            std::vector<std::wstring> dropped;
            const char* last;
        };
        const Case cases[] = {
            {true, DROPEFFECT_COPY, {file}, "drop"},
            {false, DROPEFFECT_NONE, {}, "leave"},
        };
        for (const Case& c : cases) {
            ProbeWnd window;
            ASSERT_TRUE(window.Create(L"drop here", nullptr, 0, 100, 100, 300, 200,
                                      WS_OVERLAPPEDWINDOW | WS_VISIBLE, WS_EX_TOPMOST, L""));
            UpdateWindow(window.Handle());
            RECT frame{};
            GetWindowRect(window.Handle(), &frame);
            SetCursorPos((frame.left + frame.right) / 2, (frame.top + frame.bottom) / 2);
            CVQDropTarget target(c.accept);
            ASSERT_TRUE(target.Register(window.Handle()));
            auto* image = new RecordingDragImage;
            target.SetDragImage(image);

            CVQDataObject* data = CreateFileDataObject({&item});
            ASSERT_NE(data, nullptr);
            auto* source = new CVQDropSource;
            DWORD effect = 0;
            const HRESULT result = SHDoDragDrop(window.Handle(), data, source, DROPEFFECT_COPY, &effect);
            EXPECT_TRUE(result == DRAGDROP_S_DROP || (!c.accept && result == DRAGDROP_S_CANCEL))
                << std::hex << result;
            EXPECT_EQ(effect, c.effect);
            EXPECT_EQ(image->dropped, c.dropped);
            EXPECT_EQ(image->enteredWindow, window.Handle());
            ASSERT_FALSE(image->calls.empty());
            EXPECT_EQ(image->calls.front(), "enter");
            EXPECT_EQ(image->calls.back(), c.last);
            target.Revoke();
            source->Release();
            data->Release();
            image->Release();
        }
    }
    OleUninitialize();
}

} // namespace
