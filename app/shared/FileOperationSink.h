// Watches one shell file operation for the new names it gives: the results
// renamed through the shell (the shell may add a number on a collision)
// take the names it reports. Everything else it is told is ignored.
#pragma once

#include "foundation/mvstring.h"
#include "ui/core/mvComBase.h"

#include <shobjidl.h>

#include <map>

class CVQFileOperationProgressSink : public mvcom_base<IFileOperationProgressSink> {
public:
    // Old file-system path -> new name, paths compared ignoring case.
    using RenameMap = std::map<mvstring, mvstring, mvmap_nocasecompare>;

    CVQFileOperationProgressSink() = default;
    // Made on the stack for one operation.
    ~CVQFileOperationProgressSink() override = default;

    const RenameMap& Renames() const noexcept { return m_renames; }

    // Records the new name of a rename that made an item (only that means
    // success); a later rename of the same path replaces it.
    STDMETHODIMP PostRenameItem(DWORD flags, IShellItem* item, LPCWSTR newName, HRESULT result,
                                IShellItem* created) override;

    STDMETHODIMP StartOperations() override { return S_OK; }
    STDMETHODIMP FinishOperations(HRESULT) override { return S_OK; }
    STDMETHODIMP PreRenameItem(DWORD, IShellItem*, LPCWSTR) override { return S_OK; }
    STDMETHODIMP PreMoveItem(DWORD, IShellItem*, IShellItem*, LPCWSTR) override { return S_OK; }
    STDMETHODIMP PostMoveItem(DWORD, IShellItem*, IShellItem*, LPCWSTR, HRESULT,
                              IShellItem*) override {
        return S_OK;
    }
    STDMETHODIMP PreCopyItem(DWORD, IShellItem*, IShellItem*, LPCWSTR) override { return S_OK; }
    STDMETHODIMP PostCopyItem(DWORD, IShellItem*, IShellItem*, LPCWSTR, HRESULT,
                              IShellItem*) override {
        return S_OK;
    }
    STDMETHODIMP PreDeleteItem(DWORD, IShellItem*) override { return S_OK; }
    STDMETHODIMP PostDeleteItem(DWORD, IShellItem*, HRESULT, IShellItem*) override { return S_OK; }
    STDMETHODIMP PreNewItem(DWORD, IShellItem*, LPCWSTR) override { return S_OK; }
    STDMETHODIMP PostNewItem(DWORD, IShellItem*, LPCWSTR, LPCWSTR, DWORD, HRESULT,
                             IShellItem*) override {
        return S_OK;
    }
    STDMETHODIMP UpdateProgress(UINT, UINT) override { return S_OK; }
    STDMETHODIMP ResetTimer() override { return S_OK; }
    STDMETHODIMP PauseTimer() override { return S_OK; }
    STDMETHODIMP ResumeTimer() override { return S_OK; }

private:
    RenameMap m_renames;
};
