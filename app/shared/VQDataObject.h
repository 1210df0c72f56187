// The program's OLE data object: an ordered store of formats, each with the
// medium (a global memory block or a stream) the object keeps its own copy
// of, handed to the clipboard, the drag loop and the shell. The program's
// class on top of it learns when items it cut were pasted elsewhere. UI
// thread only.
#pragma once

#include "ui/core/mvComBase.h"

#include <objidl.h>

#include <vector>

// How CopyStgMedium treats the destination.
enum class MediumCopy {
    Replace,    // release what the destination holds, then copy (GetData)
    IntoCaller, // fill the caller's own block or stream, never growing it (GetDataHere)
    Fresh,      // a new copy: reuse a large enough block, else allocate (SetData)
};

// Copies a global memory block (its whole size) or shares a stream (one
// reference added, positioned at its end; a stream already in the
// destination gets the source's bytes instead). False for a null or empty
// source, a destination block too small in IntoCaller mode, an allocation
// or stream failure, or any other medium type.
bool CopyStgMedium(STGMEDIUM& destination, const STGMEDIUM& source, MediumCopy mode);

class mvIDataObject : public mvcom_base<IDataObject> {
public:
    mvIDataObject() = default;

    // DV_E_FORMATETC for every refusal, whatever its cause.
    STDMETHODIMP GetData(FORMATETC* request, STGMEDIUM* medium) override;
    STDMETHODIMP GetDataHere(FORMATETC* request, STGMEDIUM* medium) override;
    STDMETHODIMP QueryGetData(FORMATETC* request) override;
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override;
    // The medium's type must equal the format's type mask and the format
    // must not be 0. A format set again replaces the data in its place; a
    // failed copy leaves no entry for it. With `release` the caller's medium
    // is released on success only.
    STDMETHODIMP SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
    // E_INVALIDARG while the object holds no format.
    STDMETHODIMP EnumFormatEtc(DWORD direction, IEnumFORMATETC** out) override;
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD* connection) override;
    STDMETHODIMP DUnadvise(DWORD) override;
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA** out) override;

protected:
    ~mvIDataObject() override;

private:
    struct Entry {
        FORMATETC format;
        STGMEDIUM medium;
    };
    // The first entry of the request's format, aspect and index whose type
    // mask shares a bit with the request's; -1 when none.
    int FindFormat(const FORMATETC& request) const;

    std::vector<Entry> m_entries;
};

class CVQDataObject : public mvIDataObject {
public:
    CVQDataObject() = default;

    // The window told with `message` (both parameters 0) when a receiver
    // reports a finished paste; a null window or message 0 tells nobody.
    void SetNotify(HWND window, UINT message) noexcept {
        m_notifyWindow = window;
        m_notifyMessage = message;
    }

    // The base's SetData and its result; then, when the format was "Paste
    // Succeeded" or "Performed DropEffect" and its value reads back, the
    // notify window is told. Whatever the value says (a move, a copy, or
    // the target's own deletion of the originals), the files may have gone,
    // and the window only re-checks them on disk.
    STDMETHODIMP SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;

private:
    HWND m_notifyWindow = nullptr;
    UINT m_notifyMessage = 0;
};
