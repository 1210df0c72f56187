#include "app/shared/FileDataObjects.h"

#include "app/shared/ClipboardFormats.h"
#include "foundation/Paths.h"
#include "search/FoundItem.h"

#include <cstring>
#include <new>

namespace {

// The object made by `fill`, or null (and the object released) when it
// fails.
template <typename Fill> CVQDataObject* MakeDataObject(Fill fill) {
    auto* object = new (std::nothrow) CVQDataObject;
    if (object != nullptr && !fill(object)) {
        object->Release();
        object = nullptr;
    }
    return object;
}

} // namespace

bool PutHDrop(IDataObject* object, const std::vector<mvstring>& paths, std::size_t total) {
    if (object == nullptr)
        return false;
    std::size_t count = 0, counted = 0;
    for (const mvstring& path : paths) {
        if (!path.empty()) {
            ++count;
            counted += path.size();
        }
    }
    if (total == 0)
        total = counted;
    if (total == 0 || counted == 0)
        return false;
    // A given total only ever matters for the size; the copy below follows
    // the paths themselves, so a wrong total cannot write past the block.
    total = total > counted ? total : counted;
    const std::size_t size = sizeof(DROPFILES) + (total + count + 1) * sizeof(wchar_t);
    return StoreGlobalBlock(object, CF_HDROP, size, [&](BYTE* bytes) {
        auto* header = reinterpret_cast<DROPFILES*>(bytes);
        header->pFiles = sizeof(DROPFILES);
        header->fWide = TRUE;
        auto* at = reinterpret_cast<wchar_t*>(bytes + sizeof(DROPFILES));
        for (const mvstring& path : paths) {
            if (path.empty())
                continue;
            std::memcpy(at, path.data(), path.size() * sizeof(wchar_t));
            at += path.size() + 1;
        }
    });
}

bool FillHDrop(IDataObject* object, const std::vector<const FoundItem*>& items) {
    if (object == nullptr)
        return false;
    std::vector<mvstring> paths;
    paths.reserve(items.size());
    std::size_t total = 0;
    for (const FoundItem* item : items) {
        mvstring path = PathJoin(item->folder, item->name);
        total += path.size();
        paths.push_back(std::move(path));
    }
    return total != 0 && PutHDrop(object, paths, total);
}

bool PutShellIdListArray(IDataObject* object, const IdListVector& lists) {
    const std::uint16_t format = GetClipboardFormatId(kShellIdListArray);
    if (object == nullptr || lists.empty() || format == 0)
        return false;
    const std::size_t n = lists.size();
    std::vector<UINT> sizes(n);
    std::size_t sum = 0;
    for (std::size_t i = 0; i < n; ++i) {
        sizes[i] = ILGetSize(lists[i]);
        sum += sizes[i];
    }
    // The count, the parent's offset and one offset per item, then the
    // parent (the desktop: an empty list of two zero bytes), then the items.
    const std::size_t parentOffset = 4 * n + 8;
    return StoreGlobalBlock(object, format, parentOffset + 2 + sum, [&](BYTE* bytes) {
        auto* offsets = reinterpret_cast<UINT*>(bytes);
        offsets[0] = static_cast<UINT>(n);
        offsets[1] = static_cast<UINT>(parentOffset);
        std::size_t at = parentOffset + 2;
        for (std::size_t i = 0; i < n; ++i) {
            offsets[2 + i] = static_cast<UINT>(at);
            std::memcpy(bytes + at, lists[i], sizes[i]);
            at += sizes[i];
        }
    });
}

CVQDataObject* CreateFileDataObject(const std::vector<const FoundItem*>& items) {
    if (items.empty())
        return nullptr;
    return MakeDataObject([&](CVQDataObject* object) { return FillHDrop(object, items); });
}

CVQDataObject* CreatePathListDataObject(const PathList& list) {
    if (list.empty())
        return nullptr;
    IdListVector lists;
    lists.reserve(list.size());
    for (const PathEntry& entry : list)
        lists.Add(ParsePathToIdList(entry.path, static_cast<std::uint32_t>(entry.attributes),
                                    static_cast<std::uint64_t>(entry.size)));
    return CVQDataObject_FromPidls(lists);
}

CVQDataObject* CVQDataObject_FromPidls(const IdListVector& lists) {
    if (lists.empty())
        return nullptr;
    return MakeDataObject([&](CVQDataObject* object) { return PutShellIdListArray(object, lists); });
}
