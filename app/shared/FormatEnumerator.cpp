#include "app/shared/FormatEnumerator.h"

#include <new>
#include <utility>

mvIEnumFORMATETC::mvIEnumFORMATETC(std::vector<FORMATETC> formats, std::uint32_t cursor)
    : m_formats(std::move(formats)), m_cursor(cursor) {
    for (FORMATETC& format : m_formats)
        format.ptd = nullptr;
}

STDMETHODIMP mvIEnumFORMATETC::Next(ULONG count, FORMATETC* formats, ULONG* fetched) {
    ULONG copied = 0;
    if (formats != nullptr) {
        while (copied < count && m_cursor < m_formats.size())
            formats[copied++] = m_formats[m_cursor++];
    }
    if (fetched != nullptr)
        *fetched = copied;
    return copied == count ? S_OK : S_FALSE;
}

STDMETHODIMP mvIEnumFORMATETC::Skip(ULONG count) {
    const std::uint64_t cursor = std::uint64_t{m_cursor} + count;
    m_cursor = cursor > UINT32_MAX ? UINT32_MAX : static_cast<std::uint32_t>(cursor);
    return cursor > m_formats.size() ? S_FALSE : S_OK;
}

STDMETHODIMP mvIEnumFORMATETC::Reset() {
    m_cursor = 0;
    return S_OK;
}

STDMETHODIMP mvIEnumFORMATETC::Clone(IEnumFORMATETC** out) {
    if (out == nullptr)
        return E_POINTER;
    *out = new (std::nothrow) mvIEnumFORMATETC(m_formats, m_cursor);
    return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}
