// The language texts: one process-wide table read from an ini file in the
// folder Lang beside the program (english.ini by default), texts that reuse
// other texts through references resolved while the file is parsed, the
// switch to another language with the previous texts filling every gap, the
// list of language files, and GetLangText, the one lookup every UI text goes
// through.
//
// References inside a value: "%name" (fixed entries first, then the section
// being parsed, then "global") or "%[section]name". A reference that is the
// whole value takes the found text as it is; inside a longer value the found
// text loses its mnemonic ampersands, a bracketed mnemonic such as "(&F)", a
// trailing "..." and everything from the first TAB. Unresolved references
// stay as written. "%%" and "%0".."%9" are left for GetLangText.
#pragma once

#include "foundation/mvini.h"
#include "foundation/mvstring.h"

#include <array>
#include <string_view>
#include <vector>

// One language file found in the Lang folder.
struct LanguageInfo {
    mvstring FileName;    // without folder, e.g. english.ini
    mvstring DisplayName; // key "name" of section ".info"
};

// The language table: an ini object with the default section "global" and
// the fixed entries that exist whatever file is loaded ("app_name",
// "dev_name").
class mvmlang : public mvini {
public:
    mvmlang();

    // Loads a file in place of the table, then puts back every section and
    // key of the previous table that the file lacks, so a failed load leaves
    // the previous texts in force. Returns the mvini::Load result.
    bool LoadFile(const mvstring& path);
    // Adds what this table lacks from `previous`: whole sections, or the keys
    // missing in a section both have. Values of this table are never changed.
    void MergeMissing(const mvini& previous);
    // The replacement text of one reference ("%name" or "%[section]name")
    // met while `section` is parsed; the reference itself when it cannot be
    // resolved.
    mvstring ResolveReference(const mvstring& reference, const mvstring& section, bool whole) const;

    // The value with "%%" reduced to "%" and "%0".."%5" replaced by the
    // arguments; an empty section means "global". Empty for a missing key.
    mvstring GetText(std::wstring_view section, std::wstring_view key,
                     const std::array<std::wstring_view, 6>& args) const;

    const mvstrmap<mvstring>& FixedEntries() const noexcept { return m_fixed; }

protected:
    void OnValue(const mvstring& section, const mvstring& key, mvstring& value) override;

    mvstrmap<mvstring> m_fixed;
};

// The table with the current language file and the language list.
class mvmlang2 : public mvmlang {
public:
    // Loads the file (a relative path is taken from the program folder)
    // unless its file name is the current one (ignoring case). True when a
    // language is in use afterwards: the file loaded, or a previous language
    // stays in force after a failed load. False only when no language file
    // has ever been loaded.
    bool SetLanguageFile(const mvstring& path);
    // The language files matching the pattern, each with a display name;
    // files whose name begins with "_" and files without ".info" "name" are
    // left out. Built on the first call only; later calls return the list as
    // it stands. An empty pattern means the program folder's "lang\*.ini".
    const std::vector<LanguageInfo>& EnumerateLanguages(const mvstring& pattern);

    const mvstring& CurrentFile() const noexcept { return m_currentFile; }

private:
    mvstring m_currentFile;
    std::vector<LanguageInfo> m_languages;
    bool m_languagesListed = false;
};

// The word lists read from the language table (see WordLists.h), kept until
// the language changes.
struct UiWordCache {
    mvstring OtherNameTitle;
    mvstring OtherExtTitle;
    std::vector<mvstring> SizeTitles;
    std::vector<mvstring> DateTitles;
    mvstring UnknownText;
    std::vector<mvstring> QuickDates;
    std::array<std::vector<mvstring>, 7> OptionLists;
    bool OptionListsLoaded = false;
};

// The application's language object: adds the fixed entry "app_hexview" and
// the cached word lists.
class VQ_MLang : public mvmlang2 {
public:
    VQ_MLang();

    UiWordCache& WordCache() noexcept { return m_words; }
    void ClearWordLists() { m_words = UiWordCache(); }

private:
    UiWordCache m_words;
};

// The process-wide language object, empty until InitLanguage. Changed only
// before the entry point and on the UI thread; read without a lock.
VQ_MLang& Language();

// Loads english.ini from the Lang folder beside the program into the
// process-wide object. Called once, among the start-up initialisers.
bool InitLanguage();

// Switches to the language file of that name in the Lang folder beside the
// program (empty means english.ini) and empties every cached word list,
// whatever the outcome. Returns SetLanguageFile's result.
bool SetLanguage(const mvstring& fileName);

// The language files in the Lang folder beside the program; listed once.
const std::vector<LanguageInfo>& ListLanguages();

// Splits a leading "[section]" off a reference name. Without one, `section`
// becomes empty and the name is left alone.
void SplitSectionPrefix(mvstring& name, mvstring& section);

// The empty text, for unused placeholder arguments.
const mvstring& EmptyText();

// Every UI text: the value of the key in the current language with "%%"
// reduced and the placeholders "%0".."%5" replaced by the arguments; an
// empty section means "global". The empty text when the key is missing.
mvstring GetLangText(std::wstring_view section, std::wstring_view key, std::wstring_view a0 = {},
                     std::wstring_view a1 = {}, std::wstring_view a2 = {},
                     std::wstring_view a3 = {}, std::wstring_view a4 = {},
                     std::wstring_view a5 = {});
