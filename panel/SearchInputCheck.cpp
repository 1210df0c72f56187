#include "panel/SearchInputCheck.h"

#include "foundation/Language.h"
#include "foundation/mvstring.h"
#include "search/FolderList.h"

#include <cwctype>
#include <vector>

namespace {

// The language's text, or the built-in English one when it has none.
mvstring Message(const wchar_t* key, const wchar_t* english, std::wstring_view argument = {}) {
    mvstring text = GetLangText(L"search_panel", key, argument);
    if (!text.empty())
        return text;
    text = english;
    if (!argument.empty()) {
        text += L" ";
        text += argument;
    }
    return text;
}

bool IsBlank(wchar_t ch) {
    return ch == L' ' || ch == L'\t' || ch == L'\r' || ch == L'\n';
}

} // namespace

bool IsWholeHexBytes(std::wstring_view text) {
    // The parts as the content search splits them.
    std::vector<mvstring> parts;
    SplitList(text, L" ", parts, true);
    for (const mvstring& whole : parts) {
        std::wstring_view part = whole;
        if (part.size() >= 2 && part[0] == L'0' && (part[1] == L'x' || part[1] == L'X'))
            part.remove_prefix(2);
        else if (part[0] == L'x' || part[0] == L'X')
            part.remove_prefix(1);
        else if (part.back() == L'h' || part.back() == L'H')
            part.remove_suffix(1);
        if (part.empty() || part.size() % 2 != 0)
            return false;
        for (wchar_t ch : part)
            if (!std::iswxdigit(ch))
                return false;
    }
    return !parts.empty();
}

mvstring BadSizeMessage() {
    return Message(L"err_size", L"This size is not a number.");
}

bool CheckSearchInput(const SearchCriteria& criteria, InputProblem& problem) {
    problem = InputProblem{};
    std::wstring_view folders = criteria.folders;
    while (!folders.empty() && IsBlank(folders.front()))
        folders.remove_prefix(1);
    if (folders.empty()) {
        problem = {1021, Message(L"err_nofolder", L"Enter the folders to search in.")};
        return false;
    }
    PathList list;
    if (ParseFolderText(criteria.folders, criteria.subfolder, list).empty()) {
        problem = {1021,
                   Message(L"err_badfolder", L"None of these folders exists:", criteria.folders)};
        return false;
    }
    if (!criteria.word.empty() && criteria.word_opt != WordRegexp && criteria.word_hex) {
        if (!IsWholeHexBytes(criteria.word)) {
            problem = {1012, Message(L"err_hex",
                                     L"Hex bytes are pairs of the digits 0-9 and A-F, "
                                     L"separated by blanks:",
                                     criteria.word)};
            return false;
        }
    }
    return true;
}
