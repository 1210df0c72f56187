// Open, save and folder dialogs: the shell's item dialogs with filters, a
// default extension, an initial file or folder and a folder-picking mode,
// falling back to the older dialogs when the item dialogs cannot be made.
#pragma once

#include "foundation/mvcominit.h"
#include "foundation/mvstring.h"

#include <windows.h>
#include <commdlg.h>
#include <shobjidl.h>

#include <utility>
#include <vector>

// The per-thread COM initialisation every common dialog holds while it lives.
class mvCommonDlg : public mvcominit {};

class mvFileDialog : public mvCommonDlg {
public:
    mvFileDialog() = default;

    // Called with the configured item dialog before it is shown; false
    // cancels the dialog. Derived dialogs add their own controls here.
    virtual bool OnBeforeShow(IFileDialog* dialog) { return true; }
    // Called after the user confirmed, before the results are read.
    virtual void OnAfterShow(IFileDialog* dialog) {}

    // A file path, or a folder path when it ends with a backslash.
    void SetFileName(const mvstring& path) { m_initialPath = path; }
    // Stored without leading and trailing dots, line breaks and tabs.
    void SetDefaultExtension(std::wstring_view text);
    // Appends the pair when both texts are non-empty, clearing the list
    // first when asked.
    void AddFilter(const mvstring& description, const mvstring& pattern, bool clearFirst = false);

    // Runs the dialog over the owner's top-level window (without one, the
    // main window's last active pop-up). True only when at least one path
    // was taken; the results then hold the paths and the chosen filter.
    bool Show(HWND owner);

    // The steps of Show, open to derived dialogs.
    bool Configure(IFileDialog* dialog);
    bool ReadResults(IFileDialog* dialog);
    // Appends the item's file-system path when it has a non-empty one.
    // False when the path cannot be had.
    bool AddResultItem(IShellItem* item);
    bool ShowLegacy(HWND owner);
    // Fills the structure for the older dialogs; its buffers are members of
    // this object and stay valid until the next call.
    void FillOpenFileName(OPENFILENAMEW& ofn, HWND owner);
    // True when at least one path was taken from the structure's buffer.
    bool ReadLegacyResult(const OPENFILENAMEW& ofn);
    bool BrowseForFolder(HWND owner);

    // The filter index clamped to the list (zero-based).
    int ClampedFilterIndex() const;

    mvstring m_initialPath;
    mvstring m_folder; // scratch: the folder taken from the initial path
    mvstring m_defaultExtension;
    std::vector<std::pair<mvstring, mvstring>> m_filters;
    int m_filterIndex = 0; // zero-based, clamped when used
    mvstring m_title;      // empty: the system's title
    bool m_saveMode = false;
    bool m_folderMode = false;
    bool m_multiSelect = false; // open mode only
    bool m_legacyMode = false;  // always the older dialogs
    std::vector<mvstring> m_results;
    int m_chosenFilterIndex = 0;

private:
    // Splits the initial path into the folder (m_folder) and the file-name
    // part it returns (empty for a folder path).
    mvstring SplitInitialPath();

    std::vector<wchar_t> m_fileBuffer;
    std::vector<wchar_t> m_filterBuffer;
};

// SHCreateItemFromParsingName, looked up in the shell on first use; 1 (a
// failure) when the system lacks it.
HRESULT CreateItemFromParsingName(PCWSTR path, IBindCtx* bindContext, REFIID iid, void** out);

// The top-level window above the window, or, for null, above the main
// window's last active pop-up; null without either.
HWND DialogOwnerWindow(HWND owner);
