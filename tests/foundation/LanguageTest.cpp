#include "foundation/Language.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A language file as UTF-8 with its byte-order mark.
std::string LangFile(const std::string& text) {
    return "\xEF\xBB\xBF" + text;
}

const wchar_t kReferenceFile[] = LR"([global]
shared = Shared &text...
app_name = not the fixed one
[menu_file]
open = &Open...
whole = %open
inside = Save %[menu_file]open now
mnemonic = Open(&O)...
inner = x%mnemonic%y
tabbed = &Copy\tCtrl+C
copy = [%tabbed]
own_app = %app_name
forward = %later
later = Later
fromglobal = <%shared>
missing_section = %[menu_x]y
missing_key = %zzz
percent = 100%% done
placeholder = %1 files
suffix = %open_ list
dash = %open-\tx
lonely = 50 % off
trailing = ends with %
unclosed = %[menu_file open
emptyname = %[menu_file] here
doubleamp = (&&)x
doubled = a (&&) b %doubleamp
[other]
open = Other open
local = %open
app = %app_name
)";

} // namespace

TEST(Language, ReferencesAreResolvedWhileTheFileIsParsed) {
    mvmlang lang;
    ASSERT_TRUE(lang.Parse(kReferenceFile));
    const struct {
        const wchar_t* section;
        const wchar_t* key;
        const wchar_t* value;
    } cases[] = {
        // A whole-value reference keeps the found text as it is.
        {L"menu_file", L"whole", L"&Open..."},
        // Inside a longer value: mnemonics, "..." and the part after a TAB go.
        {L"menu_file", L"inside", L"Save Open now"},
        {L"menu_file", L"inner", L"xOpen%y"},
        {L"menu_file", L"copy", L"[Copy]"},
        // Fixed entries come first, whatever the file defines.
        {L"menu_file", L"own_app", L"Velquin"},
        {L"other", L"app", L"Velquin"},
        // Only what was stored before the value can be found.
        {L"menu_file", L"forward", L"%later"},
        {L"menu_file", L"fromglobal", L"<Shared text>"},
        {L"menu_file", L"missing_section", L"%[menu_x]y"},
        {L"menu_file", L"missing_key", L"%zzz"},
        // "%%" and "%digit" are left for the lookup.
        {L"menu_file", L"percent", L"100%% done"},
        {L"menu_file", L"placeholder", L"%1 files"},
        // A name does not end with "_" or "-".
        {L"menu_file", L"suffix", L"Open_ list"},
        {L"menu_file", L"dash", L"Open-\tx"},
        {L"menu_file", L"lonely", L"50 % off"},
        {L"menu_file", L"trailing", L"ends with %"},
        {L"menu_file", L"unclosed", L"%[menu_file open"},
        {L"menu_file", L"emptyname", L"%[menu_file] here"},
        // "(&&)" is no mnemonic group; "&&" stays a literal ampersand.
        {L"menu_file", L"doubled", L"a (&&) b (&&)x"},
        // The section being parsed comes before "global".
        {L"other", L"local", L"Other open"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(lang.GetString(c.section, c.key), c.value) << c.section << L"/" << c.key;
}

TEST(Language, SplitSectionPrefix) {
    const struct {
        const wchar_t* name;
        const wchar_t* key;
        const wchar_t* section;
    } cases[] = {
        {L"[menu]open", L"open", L"menu"},
        {L"open", L"open", L""},
        {L"[]open", L"open", L""},
        {L"[menu", L"[menu", L""},
    };
    for (const auto& c : cases) {
        mvstring name(c.name), section(L"old");
        SplitSectionPrefix(name, section);
        EXPECT_EQ(name, c.key) << c.name;
        EXPECT_EQ(section, c.section) << c.name;
    }
}

TEST(Language, PlaceholdersAndPercentSigns) {
    mvmlang lang;
    ASSERT_TRUE(lang.Parse(L"[global]\n"
                           L"all = %0|%1|%2|%3|%4|%5\n"
                           L"high = %6 and %9\n"
                           L"percent = 100%% done\n"
                           L"trailing = at 5%\n"
                           L"twice = %0%0\n"
                           L"[status]\n"
                           L"items = %0 items in %1\n"));
    const std::array<std::wstring_view, 6> args = {L"a", L"b", L"c", L"", L"e", L"%1"};
    const struct {
        const wchar_t* section;
        const wchar_t* key;
        const wchar_t* text;
    } cases[] = {
        // The empty third argument removes %3; an argument is not scanned again.
        {L"", L"all", L"a|b|c||e|%1"},   {L"global", L"high", L"%6 and %9"},
        {L"", L"percent", L"100% done"}, {L"", L"trailing", L"at 5%"},
        {L"", L"twice", L"aa"},          {L"status", L"items", L"a items in b"},
        {L"status", L"nothing", L""},    {L"nosection", L"items", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(lang.GetText(c.section, c.key, args), c.text) << c.section << L"/" << c.key;
}

TEST(Language, AnotherFileKeepsTheTextsItLacks) {
    TempDir dir;
    const std::wstring first = dir.WriteFile(L"first.ini", LangFile("[about]\n"
                                                                    "title = About\n"
                                                                    "[menu_file]\n"
                                                                    "open = Open\n"
                                                                    "exit = Exit\n"));
    const std::wstring second = dir.WriteFile(L"Second.ini", LangFile("[menu_file]\n"
                                                                      "open = Oeffnen\n"
                                                                      "[status]\n"
                                                                      "ready = Bereit\n"));
    mvmlang2 lang;
    EXPECT_TRUE(lang.SetLanguageFile(first));
    EXPECT_EQ(lang.CurrentFile(), L"first.ini");
    EXPECT_TRUE(lang.SetLanguageFile(second));
    EXPECT_EQ(lang.CurrentFile(), L"Second.ini");
    EXPECT_EQ(lang.GetString(L"menu_file", L"open"), L"Oeffnen");
    EXPECT_EQ(lang.GetString(L"menu_file", L"exit"), L"Exit");
    EXPECT_EQ(lang.GetString(L"about", L"title"), L"About");
    EXPECT_EQ(lang.GetString(L"status", L"ready"), L"Bereit");

    // The file already in use is not read again, whatever the case of its name.
    dir.WriteFile(L"Second.ini", LangFile("[menu_file]\nopen = Changed\n"));
    EXPECT_TRUE(lang.SetLanguageFile(dir / L"SECOND.INI"));
    EXPECT_EQ(lang.GetString(L"menu_file", L"open"), L"Oeffnen");

    // A file that cannot be loaded leaves the language in force.
    EXPECT_TRUE(lang.SetLanguageFile(dir / L"missing.ini"));
    EXPECT_EQ(lang.CurrentFile(), L"Second.ini");
    EXPECT_EQ(lang.GetString(L"menu_file", L"open"), L"Oeffnen");
    EXPECT_EQ(lang.GetString(L"about", L"title"), L"About");
}

TEST(Language, WithoutAnyLanguageFileNothingIsInUse) {
    TempDir dir;
    const std::wstring empty = dir.WriteFile(L"empty.ini", LangFile("# no keys\n"));
    mvmlang2 lang;
    EXPECT_FALSE(lang.SetLanguageFile(dir / L"missing.ini"));
    EXPECT_FALSE(lang.SetLanguageFile(empty));
    EXPECT_EQ(lang.CurrentFile(), L"");
    // The fixed entries exist without any file.
    EXPECT_EQ(lang.FixedEntries().find(L"dev_name")->second, L"Morvik");
    EXPECT_EQ(VQ_MLang().FixedEntries().find(L"app_hexview")->second, L"Hex&View");
}

TEST(Language, LanguageListSkipsTemplatesAndFilesWithoutName) {
    TempDir dir;
    dir.WriteFile(L"deutsch.ini", LangFile("[.info]\nname = Deutsch\n[global]\nok = OK\n"));
    dir.WriteFile(L"_template.ini", LangFile("[.info]\nname = Template\n"));
    dir.WriteFile(L"noinfo.ini", LangFile("[global]\nok = OK\n"));
    dir.WriteFile(L"noname.ini", LangFile("[.info]\nauthor = Someone\n"));
    dir.WriteFile(L"notes.txt", LangFile("[.info]\nname = Notes\n"));
    mvmlang2 lang;
    const std::wstring pattern = dir / L"*.ini";
    const auto& list = lang.EnumerateLanguages(pattern);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].FileName, L"deutsch.ini");
    EXPECT_EQ(list[0].DisplayName, L"Deutsch");

    // The list is built once.
    dir.WriteFile(L"english.ini", LangFile("[.info]\nname = English\n"));
    EXPECT_EQ(lang.EnumerateLanguages(pattern).size(), 1u);
}

TEST(Language, GetLangTextReadsTheProcessWideLanguage) {
    TempDir dir;
    const std::wstring file =
        dir.WriteFile(L"process_wide.ini", LangFile("[global]\nok = O&K\n[status]\nitems = %0 "
                                                    "of %1\n"));
    Language() = VQ_MLang();
    ASSERT_TRUE(Language().SetLanguageFile(file));
    EXPECT_EQ(GetLangText(L"", L"ok"), L"O&K");
    EXPECT_EQ(GetLangText(L"status", L"items", L"3", L"7"), L"3 of 7");
    EXPECT_EQ(GetLangText(L"status", L"missing"), EmptyText());
    Language() = VQ_MLang();
}
