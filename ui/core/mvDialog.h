// Dialogs built from in-memory templates (or dialog resources), and the
// program's one message loop: the modal run of a dialog, nested for dialogs
// opened from dialogs. UI thread only.
#pragma once

#include "ui/core/mvWnd.h"

#include <cstddef>
#include <cstdint>
#include <memory>

// The library dialog procedure given to the template creation calls: binds
// the object named by the init parameter at WM_INITDIALOG and leaves
// everything else to the object's window procedure. An exception that
// escapes the object's initialisation is logged (ui/ProcBarrier.h).
INT_PTR CALLBACK mvDlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

// Registers the window class named in a dialog template (a dialog resource
// of the module when `resourceName` is given or no template is) as a copy of
// the system dialog class. 0 when both are null, the resource is missing, or
// the template names no class.
ATOM RegisterDialogTemplateClass(const wchar_t* resourceName, const void* dialogTemplate);

// The template's font and class, and its buffer: a 64-byte header followed
// by 28-byte item slots, room for a multiple of 4 items.
struct mvDialogTemplate {
    static constexpr size_t kHeaderSize = 64;
    static constexpr size_t kItemSize = 28;
    static constexpr DWORD kTopLevelStyle = 0x82C800C0;
    static constexpr DWORD kEmbeddedStyle = 0x46000440;

    uint16_t PointSize = 9;
    const wchar_t* FaceName = L"Segoe UI";    // 8 characters
    const wchar_t* ClassName = L"mvThemeWnd"; // 10 characters
    std::unique_ptr<uint8_t[]> Buffer;
    size_t Size = 0; // bytes

    size_t Capacity() const noexcept {
        return Size > kHeaderSize ? (Size - kHeaderSize) / kItemSize : 0;
    }
    uint16_t ItemCount() const noexcept;
};

class mvDialog : public mvWnd {
public:
    mvDialog() = default;
    ~mvDialog() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Dialog navigation (Tab, Enter, Escape) for this dialog.
    int IsDialogMessage(MSG* msg) override;
    // Before OnInitDialog: bind template items, create children.
    virtual void OnPreInitDialog() {}
    // Initial values and size; TRUE lets the system set the focus.
    virtual int OnInitDialog() { return TRUE; }

    // A fresh template of cx x cy dialog units, top-level or embedded, with
    // room for `reserve` items. False when the buffer cannot be had.
    bool InitTemplate(int cx, int cy, bool topLevel, int reserve);
    // Room for n more items, keeping those written. False when the buffer
    // cannot be had; the dialog then has no template.
    bool ReserveTemplateItems(int n);
    // Writes the next item slot (class given by ordinal, e.g. 0x0080 button)
    // and counts it. False without a template or room for it.
    bool AppendTemplateItem(DWORD style, DWORD exStyle, int x, int y, int cx, int cy, WORD id,
                            WORD classOrdinal);
    // The window style the template gives the dialog: new = (old & ~remove)
    // | add, e.g. a sizable frame with minimise and maximise boxes, or no
    // system menu. False without a template.
    bool ModifyTemplateStyle(DWORD remove, DWORD add);
    // The template's window style; 0 without a template.
    DWORD TemplateStyle() const noexcept;

    // Creates the dialog modeless and hidden, bound to this object. False
    // when the object is bound or the window cannot be created.
    bool CreateDialogWindow(HWND owner);
    // Runs the dialog: shows it with its owner disabled and runs the message
    // loop until EndDialog or WM_QUIT. The modal result (0 when WM_QUIT came
    // first), or -1 when the object is bound or the window cannot be created.
    INT_PTR DoModal(HWND owner = nullptr);
    // Ends the modal run with the code (0 counts as IDCANCEL). False without
    // a window.
    bool EndDialog(INT_PTR code);
    // Centres the dialog over its owner (an ownerless dialog over the main
    // window). False without a window.
    bool CenterWindow();

    INT_PTR m_modalResult = 0;
    WORD m_resourceId = 0; // non-zero: the template is this dialog resource
    mvDialogTemplate m_template;
};
