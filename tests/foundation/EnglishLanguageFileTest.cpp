// The English language file that ships in lang/: every text the program looks
// up is there, the file is kept sorted, and the word lists read from it have
// their full length.
#include "foundation/Language.h"
#include "foundation/WordLists.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

// The source tree as this process sees it (a drive path under Wine).
std::wstring SourcePath(std::wstring_view relative) {
    mvstring root;
    AnsiToWide(root, VELQUIN_SOURCE_DIR, 0, CP_UTF8);
    std::wstring path = root.str();
    if (!path.empty() && path.front() == L'/')
        path.insert(0, L"Z:");
    path += L"/";
    path += relative;
    for (wchar_t& ch : path) {
        if (ch == L'/')
            ch = L'\\';
    }
    return path;
}

std::wstring EnglishFile() {
    return SourcePath(L"lang/english.ini");
}

// Every (section, key) the program looks up through GetLangText, directly or
// through the word lists; an empty section stands for "global".
const std::vector<std::pair<std::wstring, std::vector<std::wstring>>> kLookedUp = {
    {L".info", {L"name"}},
    {L"customhexview", {L"choose", L"external", L"info", L"info_name", L"info_path", L"internal"}},
    {L"defsearch", {L"ask_reset", L"ask_save"}},
    {L"export",
     {L"export", L"info", L"info_exporting", L"movedown", L"moveup", L"selall", L"selvisible"}},
    {L"global",
     {L"abort",
      L"browse",
      L"cancel",
      L"close",
      L"continue",
      L"copyright",
      L"def_sign",
      L"filetype_all",
      L"filetype_csv",
      L"filetype_exe",
      L"filetype_html",
      L"filetype_result",
      L"help",
      L"ignore",
      L"no",
      L"none",
      L"ok",
      L"reset",
      L"retry",
      L"tryagain",
      L"unknown",
      L"yes"}},
    {L"group_title", {L"date", L"ext_other", L"name_other", L"size"}},
    {L"hexview",
     {L"ask_clearhistory",
      L"copyashex",
      L"err_invalidcolwidth",
      L"err_invalidhex",
      L"err_invalidint",
      L"find",
      L"find_clearhistory",
      L"findcase",
      L"findhex",
      L"findnext",
      L"info_cancel",
      L"info_copying",
      L"info_finding",
      L"info_jumpto",
      L"info_setcolwidth",
      L"jumpto",
      L"open",
      L"opennewwnd",
      L"setcolwidth",
      L"status_line",
      L"status_offset",
      L"status_sel",
      L"status_size",
      L"vert_sel",
      L"warn_copyhuge"}},
    {L"list_columns",
     {L"adate", L"attr", L"cdate", L"ext", L"folder", L"mdate", L"name", L"size", L"type"}},
    {L"menu_edit",
     {L"copy", L"copytofolder", L"cut", L"invertsel", L"movetofolder", L"selectall", L"title"}},
    {L"menu_file",
     {L"delete",         L"err_nosearch", L"exit",         L"exportsearch",   L"loadsearch",
      L"open",           L"openfolder",   L"openwith",     L"openwithchoose", L"pause",
      L"properties",     L"rename",       L"resume",       L"savesearch",     L"savesearch_sionly",
      L"searchinresult", L"startsearch",  L"stopload",     L"stopsearch",     L"stopsir",
      L"title",          L"undosir",      L"warn_sichange"}},
    {L"menu_help", {L"about", L"cmdline", L"donate", L"help", L"info_cmdline", L"title", L"web"}},
    {L"menu_tools",
     {L"ask_clearhistory", L"clearhistory", L"customhexview", L"defsearch", L"defsearch_auto",
      L"defsearch_reset", L"defsearch_save", L"font", L"info_clearhistory", L"language", L"options",
      L"shell_cm", L"shell_filetype", L"shellext", L"title", L"warn_clearhistory"}},
    {L"menu_view",
     {L"ascending", L"columns", L"descending", L"group", L"lv_details", L"lv_icon", L"lv_largeicon",
      L"lv_list", L"lv_smallicon", L"lv_tiles", L"searchpanel", L"searchpanel_autohide",
      L"searchpanel_left", L"searchpanel_right", L"sort", L"statusbar", L"title", L"toolbar"}},
    {L"options",
     {L"disablehistory", L"exportstrsize", L"foldersontop", L"removenonexists", L"sortwhilesearch",
      L"updatetbopenbtn", L"usegridlines", L"useshellcm"}},
    {L"search_panel", {L"adv_list",      L"advanced",      L"browse_append", L"case",
                       L"datemode_list", L"datepart_list", L"datetime",      L"filenameoptions",
                       L"filenames",     L"filesize",      L"folders",       L"hex",
                       L"logic_and",     L"logic_list",    L"nameopt_list",  L"quickmenu_datelist",
                       L"search",        L"sizeopt_list",  L"useseconds",    L"wordopt_list",
                       L"wordoptions",   L"words"}},
    {L"shell",
     {L"cm_add", L"cm_info", L"cm_remove", L"filetype_dereg", L"filetype_info", L"filetype_reg"}},
    {L"status",
     {L"canceled", L"grouping", L"items", L"loading", L"oneitem", L"paused", L"ready", L"saving",
      L"searching", L"selitems", L"seloneitem", L"sorting"}},
};

// Lookups written in the code as GetLangText(L"section", L"key" ...).
std::set<std::pair<std::string, std::string>> LiteralLookupsInSources() {
    static const std::regex call(R"re(GetLangText\(\s*L"([^"]*)"\s*,\s*L"([^"]*)")re");
    std::set<std::pair<std::string, std::string>> found;
    for (const wchar_t* folder : {L"foundation", L"search", L"ui", L"app", L"panel", L"hexview"}) {
        const std::filesystem::path root(SourcePath(folder));
        std::error_code error;
        if (!std::filesystem::is_directory(root, error))
            continue;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(root, error)) {
            const std::wstring extension = entry.path().extension().wstring();
            if (extension != L".cpp" && extension != L".h")
                continue;
            const std::string text = TempDir::ReadFile(entry.path().wstring());
            for (std::sregex_iterator it(text.begin(), text.end(), call), end; it != end; ++it)
                found.emplace((*it)[1].str().empty() ? "global" : (*it)[1].str(), (*it)[2].str());
        }
    }
    return found;
}

std::string Narrow(std::wstring_view text) {
    return WideToUtf8(text);
}

class EnglishLanguageFile : public ::testing::Test {
protected:
    void SetUp() override {
        Language() = VQ_MLang();
        ASSERT_TRUE(Language().SetLanguageFile(EnglishFile())) << Narrow(EnglishFile());
    }
    void TearDown() override { Language() = VQ_MLang(); }
};

} // namespace

TEST_F(EnglishLanguageFile, HoldsEveryTextThatIsLookedUp) {
    for (const auto& [section, keys] : kLookedUp) {
        for (const std::wstring& key : keys)
            EXPECT_FALSE(Language().GetString(section, key).empty())
                << Narrow(section) << "/" << Narrow(key);
    }
    for (const auto& [section, key] : LiteralLookupsInSources()) {
        mvstring wideSection, wideKey;
        AnsiToWide(wideSection, section.c_str(), 0, CP_UTF8);
        AnsiToWide(wideKey, key.c_str(), 0, CP_UTF8);
        EXPECT_FALSE(Language().GetString(wideSection, wideKey).empty()) << section << "/" << key;
    }
}

TEST_F(EnglishLanguageFile, EveryReferenceIsResolved) {
    const std::wregex leftOver(LR"(%\[?[A-Za-z_])");
    for (const auto& [section, keys] : Language()) {
        for (const auto& [key, value] : keys)
            EXPECT_FALSE(std::regex_search(value.str(), leftOver))
                << Narrow(section) << "/" << Narrow(key) << ": " << Narrow(value);
    }
    EXPECT_EQ(GetLangText(L"menu_help", L"about"), L"&About Velquin...");
}

// Later additions go in place: sections and the keys in each are in order.
TEST_F(EnglishLanguageFile, IsSortedBySectionAndKey) {
    const std::string text = TempDir::ReadFile(EnglishFile());
    ASSERT_FALSE(text.empty());
    std::string lastSection, lastKey;
    std::size_t sections = 0;
    for (std::size_t at = 0, end; at < text.size(); at = end + 1) {
        end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line[0] == '#' || line[0] == ';' || line.starts_with("\xEF\xBB\xBF"))
            continue;
        if (line.front() == '[') {
            const std::string section = line.substr(1, line.find(']') - 1);
            EXPECT_LT(lastSection, section);
            lastSection = section;
            lastKey.clear();
            ++sections;
            continue;
        }
        const std::string key = line.substr(0, line.find_first_of(" ="));
        EXPECT_LT(lastKey, key) << "in [" << lastSection << "]";
        lastKey = key;
    }
    EXPECT_EQ(sections, kLookedUp.size());
}

TEST_F(EnglishLanguageFile, WordListsAreComplete) {
    EXPECT_EQ(GetDateGroupTitle(4), L"Last week"); // the file's list, not the built-in one
    EXPECT_EQ(GetQuickDateList(3), L"Last week");
    // Lengths: five name and word options, four size units, three date modes
    // and parts, six operators and six attribute boxes.
    const int lengths[] = {5, 5, 4, 3, 3, 6, 6};
    for (int list = 0; list < 7; ++list) {
        EXPECT_FALSE(GetSearchPanelOptionList(list, lengths[list] - 1).empty()) << list;
        EXPECT_TRUE(GetSearchPanelOptionList(list, lengths[list]).empty()) << list;
    }
    // Seven size groups for the default bounds, then the folders.
    mvstring text;
    GetSizeGroupTitle(6, text);
    EXPECT_EQ(text, L"Gigantic");
    text.clear();
    GetSizeGroupTitle(-1, text);
    EXPECT_EQ(text, L"Folders");
    std::vector<mvstring> titles;
    GetColumnTitles(titles, true);
    for (const mvstring& title : titles)
        EXPECT_FALSE(title.empty());
}
