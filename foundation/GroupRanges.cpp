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

    auto byteSize = [](uint64_t size) {
        mvstring text;
        FormatFileSize(size, false, text);
        return text;
    };
    mvstring zero;
    FormatFileSize(0, true, zero);
    groups.Labels.clear();
    groups.Labels.push_back(zero);
    uint64_t lower = 0;
    for (const uint64_t bound : groups.Bounds) {
        groups.Labels.push_back((lower == 0 ? zero : byteSize(lower)) + L" - " + byteSize(bound));
        lower = bound;
    }
    groups.Labels.push_back(mvstring(L"> ") + byteSize(groups.Bounds.back()));
}
