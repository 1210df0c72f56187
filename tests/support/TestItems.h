// Result items for the search tests, built from the fields a test cares
// about; the extension is taken from the name, as the walk takes it, unless
// the item is a folder.
#pragma once

#include "search/FoundItem.h"

#include <windows.h>

#include <cstdint>
#include <cwchar>

struct TestItem {
    const wchar_t* folder = L"C:\\data";
    const wchar_t* name = L"";
    std::uint64_t size = 0;
    std::uint32_t attr = FILE_ATTRIBUTE_ARCHIVE;
    std::uint64_t modified = 0, created = 0, accessed = 0;

    // Overwrites those fields of `item` and its extension.
    void FillIn(FoundItem& item) const {
        item.folder = folder;
        item.name = name;
        item.size = size;
        item.attr = attr;
        item.date_m = modified;
        item.date_c = created;
        item.date_a = accessed;
        const wchar_t* dot = std::wcsrchr(name, L'.');
        item.ext = dot != nullptr && !(attr & FILE_ATTRIBUTE_DIRECTORY) ? dot : L"";
    }
};
