// advconf.ini: tuning values the user edits by hand. Read once at start-up
// from the folder "Config" beside the program; never written.
#include "foundation/ConfigFiles.h"
#include "foundation/GroupRanges.h"
#include "foundation/Numbers.h"
#include "foundation/Settings.h"
#include "foundation/mvini.h"

#include <utility>

namespace {

constexpr uint32_t kMiB = 1u << 20;

// A count of MiB in 1..high, or `def` for 0 and anything above high, in bytes.
uint32_t MegabytesInRange(uint32_t value, uint32_t high, uint32_t def) {
    return (value == 0 || value > high ? def : value) * kMiB;
}

// Upper-case a..z, an odd last character dropped, each pair put in order.
mvstring NormalizeGroupNameChars(mvstring text) {
    for (wchar_t& ch : text)
        if (ch >= L'a' && ch <= L'z')
            ch = static_cast<wchar_t>(ch - L'a' + L'A');
    if (text.length() % 2 != 0)
        text.pop_back();
    for (std::size_t i = 0; i + 1 < text.length(); i += 2)
        if (text[i + 1] < text[i])
            std::swap(text[i], text[i + 1]);
    return text.empty() ? mvstring(L"09AHIPQZ") : text;
}

} // namespace

void VQSettings::LoadAdvancedConfig() {
    mvini ini(L"global");
    ini.Load(ConfigPathBesideProgram(kAdvancedConfigIni));
    auto text = [&ini](const wchar_t* key) { return ini.GetString(L"global", key); };
    auto number = [&ini](const wchar_t* key) { return ini.GetString(L"global", key).ToInt(); };
    auto flag = [&ini](const wchar_t* key) { return ParseBool(ini.GetString(L"global", key)); };

    mvstring exts = text(L"SpecIconExts");
    if (exts.empty())
        exts = L".exe|.lnk|.ico|.scr|.url";
    std::vector<mvstring> items;
    SplitList(exts, L"|", items, true);
    SpecIconExts.clear();
    SpecIconExts.insert(items.begin(), items.end());

    const auto iconSize = static_cast<uint8_t>(number(L"ToolbarIconSize"));
    ToolbarIconSize = (iconSize == 0 || iconSize == 24) ? iconSize : iconSize < 24 ? 24 : 32;
    const auto sizeFormat = static_cast<uint8_t>(number(L"FileSizeFormat"));
    FileSizeFormat = sizeFormat <= 2 ? sizeFormat : 0;
    const auto thumbnails = static_cast<uint8_t>(number(L"ThumbnailFlag"));
    ThumbnailFlag = thumbnails <= 2 ? thumbnails : 0;
    ForceUsePropSys = flag(L"ForceUsePropSys");
    AttrSortWithString = flag(L"AttrSortWithString");

    // These two take their default only for an empty value; a word reads as 0.
    ListModeColumnWidth = text(L"ListModeColumnWidth").empty()
                              ? 260
                              : static_cast<uint16_t>(number(L"ListModeColumnWidth"));
    MaxItemStatusShowSize = static_cast<uint32_t>(number(L"MaxItemStatusShowSize"));
    MaxItemOpen = text(L"MaxItemOpen").empty()
                      ? 8
                      : static_cast<int32_t>(static_cast<uint32_t>(number(L"MaxItemOpen")));
    const auto contextMenu = static_cast<uint32_t>(number(L"MaxItemContextMenu"));
    MaxItemContextMenu = (contextMenu >= 1 && contextMenu <= 14) ? 128 : contextMenu;
    const auto history = static_cast<uint16_t>(number(L"MaxHistory"));
    MaxHistory = (history >= 1 && history <= 256) ? history : 32;

    MaxFileInZipBytes =
        MegabytesInRange(static_cast<uint32_t>(number(L"MaxFileInZipMB")), 1024, 256);
    MaxRegexpTextBytes =
        MegabytesInRange(static_cast<uint32_t>(number(L"MaxRegexpTextMB")), 1024, 256);
    FileBufferSize = MegabytesInRange(static_cast<uint32_t>(number(L"FileBufferSizeMB")), 256, 2);
    // No upper bound by intent, but the byte count must fit 32 bits: 4096 MiB
    // and more would wrap to a small or zero limit, so they take the largest
    // count that fits.
    const uint64_t copyMB = number(L"HexviewMaxCopyMB");
    HexviewMaxCopyBytes = copyMB == 0                  ? 10 * kMiB
                          : copyMB > UINT32_MAX / kMiB ? UINT32_MAX
                                                       : static_cast<uint32_t>(copyMB) * kMiB;

    ForceTheme = text(L"ForceTheme");
    NoIExplorerBrowser = flag(L"NoIExplorerBrowser");
    NoParseDocx = flag(L"NoParseDocx");
    GroupNameChars = NormalizeGroupNameChars(text(L"GroupNameChars"));
    LoadGroupSizes(SizeGroups, ini);
}
