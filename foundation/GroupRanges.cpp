#include "foundation/GroupRanges.h"

#include "foundation/DisplayText.h"
#include "foundation/mvini.h"

#include <cstdint>
#include <vector>

int GroupNameIndex(std::wstring_view ranges, wchar_t ch, mvstring* label) {
    if (ch >= L'a' && ch <= L'z')
        ch = static_cast<wchar_t>(ch - L'a' + L'A');
    for (std::size_t i = 0; i + 1 < ranges.length(); i += 2) {
        if (ranges[i] <= ch && ch <= ranges[i + 1]) {
            if (label != nullptr)
                *label = mvstring(ranges.substr(i, 1)) + L" - " + ranges.substr(i + 1, 1);
            return static_cast<int>(i);
        }
    }
    return -1;
}

int GroupNameIndex(wchar_t ch, mvstring* label) {
    return GroupNameIndex(Settings().GroupNameChars, ch, label);
}

void LoadGroupSizes(SizeGroups& groups, const mvini& ini) {
    groups.Bounds.clear();
    groups.Labels.clear();
    std::vector<mvstring> items;
    SplitList(ini.GetString(L"global", L"GroupSizes"), L",", items, true);
    for (const mvstring& item : items) {
        const uint64_t bound = item.ToInt();
        // Negative numbers read as huge unsigned values; taken as signed they
        // fall below 1 with 0 and the words that read as 0.
        if (static_cast<int64_t>(bound) >= 1)
            groups.Bounds.push_back(bound);
    }
    if (groups.Bounds.empty())
        groups.Bounds = {16384, 1048576, 134217728, 1073741824, 4294967296};
}

mvstring SizeGroupLabel(const SizeGroups& groups, int id) {
    if (id >= 0 && id < static_cast<int>(groups.Labels.size()))
        return groups.Labels[id];
    const std::vector<uint64_t>& bounds = groups.Bounds;
    auto text = [](uint64_t size, bool kb) {
        mvstring formatted;
        FormatFileSize(size, kb, formatted);
        return formatted;
    };
    const int count = static_cast<int>(bounds.size());
    if (id < 0 || id > count + 1 || (id > 0 && count == 0))
        return mvstring();
    if (id == 0)
        return text(0, true);
    if (id == count + 1)
        return mvstring(L"> ") + text(bounds.back(), false);
    const mvstring lower = id == 1 ? text(0, true) : text(bounds[id - 2], false);
    return lower + L" - " + text(bounds[id - 1], false);
}
