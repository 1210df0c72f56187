// The list of formats a data object offers, as the shell walks it: a copy
// taken when the enumerator is made, so that it outlives the object and is
// untouched by later changes to it. UI thread only.
#pragma once

#include "ui/core/mvComBase.h"

#include <objidl.h>

#include <cstdint>
#include <vector>

class mvIEnumFORMATETC : public mvcom_base<IEnumFORMATETC> {
public:
    // Copies the formats with their target devices dropped; starts with one
    // reference, held by the caller, and the cursor at the first format.
    explicit mvIEnumFORMATETC(std::vector<FORMATETC> formats, std::uint32_t cursor = 0);

    // S_OK when all `count` were copied, else S_FALSE; `fetched` (optional)
    // gets the number copied.
    STDMETHODIMP Next(ULONG count, FORMATETC* formats, ULONG* fetched) override;
    // S_FALSE when the cursor passes the end (it stays there), else S_OK.
    STDMETHODIMP Skip(ULONG count) override;
    STDMETHODIMP Reset() override;
    // A new enumerator with its own copy and the same cursor.
    STDMETHODIMP Clone(IEnumFORMATETC** out) override;

private:
    std::vector<FORMATETC> m_formats;
    std::uint32_t m_cursor = 0;
};
