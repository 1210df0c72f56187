#include "app/shared/VQDataObject.h"

#include "app/shared/ClipboardFormats.h"
#include "app/shared/FormatEnumerator.h"

#include <cstring>
#include <new>

namespace {

bool CopyGlobal(STGMEDIUM& destination, HGLOBAL source, MediumCopy mode) {
    const SIZE_T size = GlobalSize(source);
    if (size == 0)
        return false;
    destination.tymed = TYMED_HGLOBAL;
    if (destination.hGlobal == nullptr || GlobalSize(destination.hGlobal) < size) {
        if (mode == MediumCopy::IntoCaller)
            return false;
        if (destination.hGlobal != nullptr)
            GlobalFree(destination.hGlobal);
        // Moveable, as the clipboard wants the blocks handed to it.
        destination.hGlobal = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
        if (destination.hGlobal == nullptr)
            return false;
    }
    void* to = GlobalLock(destination.hGlobal);
    const void* from = GlobalLock(source);
    const bool copied = to != nullptr && from != nullptr;
    if (copied)
        std::memcpy(to, from, size);
    if (from != nullptr)
        GlobalUnlock(source);
    if (to != nullptr)
        GlobalUnlock(destination.hGlobal);
    return copied;
}

bool CopyStream(STGMEDIUM& destination, IStream* source) {
    if (destination.pstm == nullptr) {
        destination.tymed = TYMED_ISTREAM;
        destination.pstm = source;
        source->AddRef();
        source->Seek({}, STREAM_SEEK_END, nullptr);
        return true;
    }
    STATSTG stat{};
    if (FAILED(source->Stat(&stat, STATFLAG_NONAME)) || FAILED(source->Seek({}, STREAM_SEEK_SET, nullptr)))
        return false;
    return SUCCEEDED(source->CopyTo(destination.pstm, stat.cbSize, nullptr, nullptr));
}

} // namespace

bool CopyStgMedium(STGMEDIUM& destination, const STGMEDIUM& source, MediumCopy mode) {
    if (source.hGlobal == nullptr) // the same place as the stream pointer
        return false;
    if (mode == MediumCopy::Replace) {
        ReleaseStgMedium(&destination);
        destination = {};
    }
    switch (source.tymed) {
    case TYMED_HGLOBAL:
        return CopyGlobal(destination, source.hGlobal, mode);
    case TYMED_ISTREAM:
        return CopyStream(destination, source.pstm);
    default:
        return false;
    }
}

mvIDataObject::~mvIDataObject() {
    for (Entry& entry : m_entries)
        ReleaseStgMedium(&entry.medium);
}

int mvIDataObject::FindFormat(const FORMATETC& request) const {
    for (size_t i = 0; i < m_entries.size(); ++i) {
        const FORMATETC& stored = m_entries[i].format;
        if (stored.cfFormat == request.cfFormat && (stored.tymed & request.tymed) != 0 &&
            stored.dwAspect == request.dwAspect && stored.lindex == request.lindex)
            return static_cast<int>(i);
    }
    return -1;
}

STDMETHODIMP mvIDataObject::GetData(FORMATETC* request, STGMEDIUM* medium) {
    if (request == nullptr || medium == nullptr)
        return DV_E_FORMATETC;
    const int at = FindFormat(*request);
    if (at < 0)
        return DV_E_FORMATETC;
    *medium = {};
    return CopyStgMedium(*medium, m_entries[at].medium, MediumCopy::Replace) ? S_OK
                                                                             : DV_E_FORMATETC;
}

STDMETHODIMP mvIDataObject::GetDataHere(FORMATETC* request, STGMEDIUM* medium) {
    if (request == nullptr || medium == nullptr)
        return DV_E_FORMATETC;
    const int at = FindFormat(*request);
    if (at < 0)
        return DV_E_FORMATETC;
    return CopyStgMedium(*medium, m_entries[at].medium, MediumCopy::IntoCaller) ? S_OK
                                                                                : DV_E_FORMATETC;
}

STDMETHODIMP mvIDataObject::QueryGetData(FORMATETC* request) {
    return request != nullptr && FindFormat(*request) >= 0 ? S_OK : DV_E_FORMATETC;
}

STDMETHODIMP mvIDataObject::GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) {
    if (in == nullptr || out == nullptr)
        return E_UNEXPECTED;
    *out = *in;
    out->ptd = nullptr;
    return DATA_S_SAMEFORMATETC;
}

STDMETHODIMP mvIDataObject::SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) {
    if (format == nullptr || medium == nullptr || medium->tymed != format->tymed ||
        format->cfFormat == 0)
        return DV_E_FORMATETC;
    int at = FindFormat(*format);
    if (at >= 0) {
        ReleaseStgMedium(&m_entries[at].medium);
        m_entries[at].medium = {};
    } else {
        m_entries.push_back({});
        at = static_cast<int>(m_entries.size() - 1);
    }
    Entry& entry = m_entries[at];
    if (!CopyStgMedium(entry.medium, *medium, MediumCopy::Fresh)) {
        ReleaseStgMedium(&entry.medium);
        m_entries.erase(m_entries.begin() + at);
        return DV_E_FORMATETC;
    }
    entry.format = *format;
    entry.format.ptd = nullptr;
    entry.medium.pUnkForRelease = nullptr;
    if (release)
        ReleaseStgMedium(medium);
    return S_OK;
}

STDMETHODIMP mvIDataObject::EnumFormatEtc(DWORD, IEnumFORMATETC** out) {
    if (out == nullptr)
        return E_INVALIDARG;
    *out = nullptr;
    if (m_entries.empty())
        return E_INVALIDARG;
    std::vector<FORMATETC> formats;
    formats.reserve(m_entries.size());
    for (const Entry& entry : m_entries)
        formats.push_back(entry.format);
    *out = new (std::nothrow) mvIEnumFORMATETC(std::move(formats));
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP mvIDataObject::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD* connection) {
    if (connection != nullptr)
        *connection = 0;
    return OLE_E_ADVISENOTSUPPORTED;
}

STDMETHODIMP mvIDataObject::DUnadvise(DWORD) {
    return OLE_E_ADVISENOTSUPPORTED;
}

STDMETHODIMP mvIDataObject::EnumDAdvise(IEnumSTATDATA** out) {
    if (out != nullptr)
        *out = nullptr;
    return OLE_E_ADVISENOTSUPPORTED;
}

STDMETHODIMP CVQDataObject::SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) {
    const HRESULT result = mvIDataObject::SetData(format, medium, release);
    if (result != S_OK || m_notifyWindow == nullptr || m_notifyMessage == 0 ||
        !IsWindow(m_notifyWindow))
        return result;
    const std::uint16_t pasted = GetClipboardFormatId(kPasteSucceeded);
    const std::uint16_t performed = GetClipboardFormatId(kPerformedDropEffect);
    const std::uint16_t set = format->cfFormat;
    DWORD value = 0;
    if (set != 0 && (set == pasted || set == performed) && ReadDataObjectDword(this, set, value))
        PostMessageW(m_notifyWindow, m_notifyMessage, 0, 0);
    return result;
}
