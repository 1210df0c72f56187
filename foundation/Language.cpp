#include "foundation/Language.h"

#include "foundation/Handles.h"
#include "foundation/ModulePath.h"
#include "foundation/Paths.h"

namespace {

constexpr wchar_t kDefaultSection[] = L"global";
constexpr wchar_t kDefaultLanguage[] = L"english.ini";

bool IsNameChar(wchar_t ch) {
    return (ch >= L'0' && ch <= L'9') || (ch >= L'a' && ch <= L'z') || (ch >= L'A' && ch <= L'Z') ||
           ch == L'-' || ch == L'_';
}

bool IsDigit(wchar_t ch) {
    return ch >= L'0' && ch <= L'9';
}

// A found text inserted into a longer value loses its menu decoration: a
// bracketed mnemonic such as "(&F)" or "[&F]", the other mnemonic ampersands,
// a trailing "..." and everything from the first TAB.
void StripForInsertion(mvstring& text) {
    const std::size_t amp = text.find(L'&');
    if (amp == mvstring::npos)
        return;
    if (amp > 0 && text.length() > 4 && amp + 2 < text.length() && text[amp + 1] != L'&') {
        const wchar_t open = text[amp - 1];
        const wchar_t close = text[amp + 2];
        if ((open == L'(' && close == L')') || (open == L'[' && close == L']'))
            text.erase(amp - 1, 4);
    }
    text.StripMenuText(false, 1, 0);
}

const mvstring* FindValue(const mvini& table, std::wstring_view section, std::wstring_view key) {
    const auto sectionIt = table.find(section);
    if (sectionIt == table.end())
        return nullptr;
    const auto keyIt = sectionIt->second.find(key);
    return keyIt == sectionIt->second.end() ? nullptr : &keyIt->second;
}

} // namespace

mvmlang::mvmlang() : mvini(kDefaultSection) {
    m_fixed[L"app_name"] = L"Velquin";
    m_fixed[L"dev_name"] = L"Morvik";
}

void SplitSectionPrefix(mvstring& name, mvstring& section) {
    section.clear();
    if (name.empty() || name[0] != L'[')
        return;
    const std::size_t close = name.find(L']');
    if (close == mvstring::npos)
        return;
    section = name.substr(1, close - 1);
    name.erase(0, close + 1);
}

mvstring mvmlang::ResolveReference(const mvstring& reference, const mvstring& section,
                                   bool whole) const {
    mvstring key = reference.substr(1);
    mvstring explicitSection;
    SplitSectionPrefix(key, explicitSection);
    if (key.empty())
        return reference;

    const mvstring* found = nullptr;
    if (!explicitSection.empty()) {
        found = FindValue(*this, explicitSection, key);
    } else {
        const auto fixed = m_fixed.find(key);
        if (fixed != m_fixed.end())
            found = &fixed->second;
        if (found == nullptr && !section.empty())
            found = FindValue(*this, section, key);
        if (found == nullptr)
            found = FindValue(*this, DefaultSection(), key);
    }
    if (found == nullptr)
        return reference;
    mvstring text = *found;
    if (!whole)
        StripForInsertion(text);
    return text;
}

void mvmlang::OnValue(const mvstring& section, const mvstring& /*key*/, mvstring& value) {
    std::size_t at = 0;
    while (at < value.length()) {
        if (value[at] != L'%') {
            ++at;
            continue;
        }
        if (at + 1 >= value.length())
            break;
        const wchar_t next = value[at + 1];
        if (next == L'%' || IsDigit(next)) {
            at += 2; // left for GetLangText
            continue;
        }
        std::size_t nameStart = at + 1;
        if (next == L'[') {
            const std::size_t close = value.find(L']', at + 2);
            if (close == mvstring::npos) {
                ++at;
                continue;
            }
            nameStart = close + 1;
        }
        std::size_t nameEnd = nameStart;
        while (nameEnd < value.length() && IsNameChar(value[nameEnd]))
            ++nameEnd;
        // A name never ends with a dash or underscore, so "%name_" can sit
        // before a suffix.
        if (nameEnd > nameStart && (value[nameEnd - 1] == L'-' || value[nameEnd - 1] == L'_'))
            --nameEnd;
        if (nameEnd == nameStart && next != L'[') {
            ++at;
            continue;
        }
        const std::size_t length = nameEnd - at;
        const bool whole = at == 0 && nameEnd == value.length();
        const mvstring replacement = ResolveReference(value.substr(at, length), section, whole);
        value.replace(at, length, replacement);
        at += replacement.length();
    }
}

void mvmlang::MergeMissing(const mvini& previous) {
    for (const auto& [sectionName, keys] : previous) {
        auto sectionIt = find(sectionName);
        if (sectionIt == end()) {
            emplace(sectionName, keys);
            continue;
        }
        for (const auto& [key, value] : keys) {
            if (!sectionIt->second.Contains(key))
                sectionIt->second.emplace(key, value);
        }
    }
}

bool mvmlang::LoadFile(const mvstring& path) {
    const mvini previous = *this;
    const bool loaded = Load(path);
    const DWORD error = GetLastError();
    MergeMissing(previous);
    SetLastError(error);
    return loaded;
}

mvstring mvmlang::GetText(std::wstring_view section, std::wstring_view key,
                          const std::array<std::wstring_view, 6>& args) const {
    const mvstring value = GetString(section.empty() ? DefaultSection().view() : section, key);
    mvstring text;
    text.reserve(value.length());
    for (std::size_t at = 0; at < value.length(); ++at) {
        const wchar_t ch = value[at];
        if (ch != L'%' || at + 1 >= value.length()) {
            text += ch;
            continue;
        }
        const wchar_t next = value[at + 1];
        if (next == L'%') {
            text += L'%';
        } else if (next >= L'0' && next <= L'5') {
            text += args[next - L'0'];
        } else {
            text += ch;
            text += next;
        }
        ++at;
    }
    return text;
}

bool mvmlang2::SetLanguageFile(const mvstring& path) {
    const mvstring fileName(PathFileName(path.c_str()));
    if (!m_currentFile.empty() && mvstring::EqualsNoCase(m_currentFile, fileName))
        return true;
    const mvstring fullPath =
        AbsolutePathKind(path) == PathNotAbsolute ? GetModulePath(path.c_str()) : path;
    if (LoadFile(fullPath)) {
        m_currentFile = fileName;
        return true;
    }
    return !m_currentFile.empty();
}

const std::vector<LanguageInfo>& mvmlang2::EnumerateLanguages(const mvstring& pattern) {
    if (m_languagesListed)
        return m_languages;
    m_languagesListed = true;
    const mvstring search = pattern.empty() ? GetModulePath(L"lang\\*.ini") : pattern;
    const mvstring folder = PathParent(search);
    WIN32_FIND_DATAW data{};
    const FindHandle find(FindFirstFileW(search.c_str(), &data));
    if (!find)
        return m_languages;
    do {
        const std::wstring_view name(data.cFileName);
        if (name.empty() || name == L"." || name == L".." || name.front() == L'_')
            continue;
        mvini file(kDefaultSection);
        if (!file.Load(PathJoin(folder, name)))
            continue;
        mvstring display = file.GetString(L".info", L"name");
        if (!display.empty())
            m_languages.push_back({mvstring(name), std::move(display)});
    } while (FindNextFileW(find.Get(), &data));
    return m_languages;
}

VQ_MLang::VQ_MLang() {
    m_fixed[L"app_hexview"] = L"Hex&View";
}

VQ_MLang& Language() {
    static VQ_MLang language;
    return language;
}

bool InitLanguage() {
    return SetLanguage(kDefaultLanguage);
}

bool SetLanguage(const mvstring& fileName) {
    const mvstring name = fileName.empty() ? mvstring(kDefaultLanguage) : fileName;
    const mvstring path = GetModulePath(PathJoin(L"Lang", name).c_str());
    const bool inUse = Language().SetLanguageFile(path);
    Language().ClearWordLists();
    return inUse;
}

const std::vector<LanguageInfo>& ListLanguages() {
    return Language().EnumerateLanguages(GetModulePath(L"Lang\\*.ini"));
}

const mvstring& EmptyText() {
    static const mvstring empty;
    return empty;
}

mvstring GetLangText(std::wstring_view section, std::wstring_view key, std::wstring_view a0,
                     std::wstring_view a1, std::wstring_view a2, std::wstring_view a3,
                     std::wstring_view a4, std::wstring_view a5) {
    return Language().GetText(section, key, {a0, a1, a2, a3, a4, a5});
}
