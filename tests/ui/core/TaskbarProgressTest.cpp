#include "ui/core/TaskbarProgress.h"

#include "foundation/mvcominit.h"
#include "ui/core/WindowHolders.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

// Xvfb has no taskbar to look at: this one records the states it is given.
class RecordingTaskbar : public ITaskbarList3 {
public:
    std::vector<std::pair<HWND, TBPFLAG>> states;
    HRESULT answer = S_OK;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --m_refs; }
    HRESULT STDMETHODCALLTYPE SetProgressState(HWND hwnd, TBPFLAG flags) override {
        states.push_back({hwnd, flags});
        return answer;
    }
    HRESULT STDMETHODCALLTYPE HrInit() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE AddTab(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE DeleteTab(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ActivateTab(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetActiveAlt(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE MarkFullscreenWindow(HWND, WINBOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetProgressValue(HWND, ULONGLONG, ULONGLONG) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RegisterTab(HWND, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE UnregisterTab(HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetTabOrder(HWND, HWND) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetTabActive(HWND, HWND, DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE ThumbBarAddButtons(HWND, UINT, LPTHUMBBUTTON) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ThumbBarUpdateButtons(HWND, UINT, LPTHUMBBUTTON) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ThumbBarSetImageList(HWND, HIMAGELIST) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetOverlayIcon(HWND, HICON, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetThumbnailTooltip(HWND, LPCWSTR) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetThumbnailClip(HWND, RECT*) override { return S_OK; }

private:
    ULONG m_refs = 1;
};

HWND Window(int n) {
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1000 + n));
}

} // namespace

TEST(TaskbarProgress, EntriesApplyAndClearedOnesGo) {
    TaskbarProgressTable& table = TaskbarProgressTable::Get();
    table.entries.clear();
    table.entries[Window(1)] = {TBPF_NORMAL, false};
    EXPECT_FALSE(SetTaskbarProgressState(Window(1))); // no taskbar object yet

    RecordingTaskbar taskbar;
    taskbar.AddRef(); // the table's reference
    table.taskbar.Assign(&taskbar);
    EXPECT_FALSE(SetTaskbarProgressState(nullptr));
    EXPECT_FALSE(SetTaskbarProgressState(Window(2))); // no entry

    EXPECT_TRUE(SetTaskbarProgressState(Window(1)));
    table.entries[Window(1)].paused = true;
    EXPECT_TRUE(SetTaskbarProgressState(Window(1)));
    table.entries[Window(1)] = {TBPF_ERROR, false};
    EXPECT_TRUE(SetTaskbarProgressState(Window(1)));
    EXPECT_EQ(table.entries.size(), 1u);
    ClearTaskbarProgress(Window(1));
    EXPECT_TRUE(table.entries.empty());
    ClearTaskbarProgress(Window(3)); // no entry: added, applied and gone
    EXPECT_TRUE(table.entries.empty());
    ClearTaskbarProgress(nullptr);

    const std::vector<std::pair<HWND, TBPFLAG>> expected = {{Window(1), TBPF_NORMAL},
                                                            {Window(1), TBPF_PAUSED},
                                                            {Window(1), TBPF_ERROR},
                                                            {Window(1), TBPF_NOPROGRESS},
                                                            {Window(3), TBPF_NOPROGRESS}};
    EXPECT_EQ(taskbar.states, expected);

    // A refusal is reported; the entry stays for the next try.
    taskbar.answer = E_FAIL;
    table.entries[Window(4)] = {TBPF_INDETERMINATE, false};
    EXPECT_FALSE(SetTaskbarProgressState(Window(4)));
    EXPECT_EQ(table.entries.count(Window(4)), 1u);
    table.entries.clear();
    table.taskbar.Reset();
}

TEST(TaskbarProgress, TheSystemTaskbarObjectTakesStates) {
    const mvcominit com;
    TaskbarProgressTable& table = TaskbarProgressTable::Get();
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_ITaskbarList3,
                                           reinterpret_cast<void**>(table.taskbar.Put()))));
    ASSERT_TRUE(SUCCEEDED(table.taskbar.Get()->HrInit()));
    WindowHandle window(CreateWindowExW(0, L"STATIC", L"progress", WS_OVERLAPPEDWINDOW, 0, 0, 50,
                                        50, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    table.entries[window.Get()] = {TBPF_NORMAL, false};
    EXPECT_TRUE(SetTaskbarProgressState(window.Get()));
    ClearTaskbarProgress(window.Get());
    EXPECT_TRUE(table.entries.empty());
    table.taskbar.Reset();
}
