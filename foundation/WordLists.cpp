#include "foundation/WordLists.h"

#include "foundation/Language.h"

#include <iterator>

namespace {

constexpr const wchar_t* kColumnKeys[] = {L"name",  L"size",  L"type", L"mdate", L"folder",
                                          L"cdate", L"adate", L"attr", L"ext"};
constexpr int kColumnCount = static_cast<int>(std::size(kColumnKeys));

constexpr const wchar_t* kOptionListKeys[] = {L"nameopt_list",  L"wordopt_list",  L"sizeopt_list",
                                              L"datemode_list", L"datepart_list", L"logic_list",
                                              L"adv_list"};

constexpr wchar_t kEnglishDateTitles[] =
    L"A long time ago / Earlier this year / Last month / Earlier this month /Last Week / Earlier "
    L"this week / Yesterday / Today / Tomorrow / Later this week /Next Week / Later this month / "
    L"Next month / Later this year / Sometime in the future";
constexpr wchar_t kEnglishQuickDates[] = L"Today / Yesterday / This week / Last Week / This month "
                                         L"/ Last month / This year / Last year";
constexpr int kQuickDateCount = 8;

struct SystemColumnTitles {
    SystemColumnTitleLister Lister = nullptr;
    bool Asked = false;
    std::vector<mvstring> Titles;
};

SystemColumnTitles& SystemTitles() {
    static SystemColumnTitles titles;
    return titles;
}

// The system's label of a column, asked of the lister once.
mvstring SystemColumnTitle(int index) {
    SystemColumnTitles& system = SystemTitles();
    if (!system.Asked) {
        system.Asked = true;
        if (system.Lister == nullptr || !system.Lister(system.Titles))
            system.Titles.clear();
    }
    return index < static_cast<int>(system.Titles.size()) ? system.Titles[index] : mvstring();
}

std::vector<mvstring> LangList(const wchar_t* section, const wchar_t* key, bool dropEmpty) {
    std::vector<mvstring> items;
    SplitList(GetLangText(section, key), L"/", items, dropEmpty);
    return items;
}

const mvstring& Entry(const std::vector<mvstring>& list, int index) {
    return index >= 0 && index < static_cast<int>(list.size()) ? list[index] : EmptyText();
}

const mvstring& CachedText(mvstring& cache, const wchar_t* section, const wchar_t* key,
                           const wchar_t* fallback) {
    if (cache.empty()) {
        cache = GetLangText(section, key);
        if (cache.empty())
            cache = fallback;
    }
    return cache;
}

} // namespace

void SetSystemColumnTitleLister(SystemColumnTitleLister lister) {
    SystemColumnTitles& system = SystemTitles();
    system.Lister = lister;
    system.Asked = false;
    system.Titles.clear();
}

mvstring GetColumnTitle(int index, bool strip) {
    if (index < 0 || index >= kColumnCount)
        return {};
    mvstring title = GetLangText(L"list_columns", kColumnKeys[index]);
    if (title.empty())
        title = SystemColumnTitle(index);
    if (strip)
        title.StripMenuText(false, 0, 0);
    return title;
}

void GetColumnTitles(std::vector<mvstring>& titles, bool strip) {
    titles.clear();
    for (int index = 0; index < kColumnCount; ++index)
        titles.push_back(GetColumnTitle(index, strip));
}

void GetViewModeNames(std::vector<ViewModeEntry>& modes) {
    static constexpr struct {
        int32_t mode;
        const wchar_t* key;
    } kModes[] = {{4, L"lv_details"},   {3, L"lv_list"}, {5, L"lv_tiles"},
                  {0, L"lv_smallicon"}, {1, L"lv_icon"}, {2, L"lv_largeicon"}};
    modes.clear();
    for (const auto& entry : kModes)
        modes.push_back({entry.mode, GetLangText(L"menu_view", entry.key)});
}

const mvstring& GetOtherNameGroupTitle() {
    return CachedText(Language().WordCache().OtherNameTitle, L"group_title", L"name_other",
                      L"Other");
}

const mvstring& GetOtherExtGroupTitle() {
    return CachedText(Language().WordCache().OtherExtTitle, L"group_title", L"ext_other",
                      L"Unspecified");
}

void GetSizeGroupTitle(int id, mvstring& text) {
    std::vector<mvstring>& titles = Language().WordCache().SizeTitles;
    if (titles.empty()) {
        titles = LangList(L"group_title", L"size", false);
        if (titles.empty())
            titles.emplace_back();
    }
    const int count = static_cast<int>(titles.size());
    const mvstring* title = nullptr;
    if (id < 0)
        title = &titles.back();
    else if (id < count - 1)
        title = &titles[id];
    if (title == nullptr)
        return;
    text = text.empty() ? *title : *title + L" (" + text + L")";
}

const mvstring& GetDateGroupTitle(int id) {
    UiWordCache& cache = Language().WordCache();
    if (cache.DateTitles.empty()) {
        cache.DateTitles = LangList(L"group_title", L"date", false);
        if (cache.DateTitles.size() != kDateRangeCount) {
            cache.DateTitles.clear();
            SplitList(kEnglishDateTitles, L"/", cache.DateTitles, true);
        }
    }
    if (id >= 0 && id < static_cast<int>(cache.DateTitles.size()))
        return cache.DateTitles[id];
    return CachedText(cache.UnknownText, L"global", L"unknown", L"<unknown>");
}

const mvstring& GetQuickDateList(int index) {
    std::vector<mvstring>& dates = Language().WordCache().QuickDates;
    if (dates.empty()) {
        dates = LangList(L"search_panel", L"quickmenu_datelist", true);
        if (dates.size() != kQuickDateCount) {
            dates.clear();
            SplitList(kEnglishQuickDates, L"/", dates, true);
        }
    }
    return Entry(dates, index);
}

mvstring GetDefaultMarker() {
    mvstring marker = GetLangText(L"global", L"def_sign");
    if (marker.empty())
        return L" *";
    if (marker[0] != L' ')
        marker.insert(0, 1, L' ');
    return marker;
}

const mvstring& GetSearchPanelOptionList(int list, int index) {
    UiWordCache& cache = Language().WordCache();
    if (!cache.OptionListsLoaded) {
        cache.OptionListsLoaded = true;
        for (std::size_t at = 0; at < cache.OptionLists.size(); ++at)
            cache.OptionLists[at] = LangList(L"search_panel", kOptionListKeys[at], true);
        const mvstring marker = GetDefaultMarker();
        // The default name option is entry 1, the default word option entry 0.
        if (cache.OptionLists[0].size() >= 2)
            cache.OptionLists[0][1] += marker;
        if (!cache.OptionLists[1].empty())
            cache.OptionLists[1][0] += marker;
    }
    if (list < 0 || list >= static_cast<int>(cache.OptionLists.size()))
        return EmptyText();
    return Entry(cache.OptionLists[list], index);
}
