#include "foundation/VersionInfo.h"

#include <cwchar>
#include <new>

namespace {
const mvstring g_empty;
}

void VersionInfo::FreeBuffer() {
    m_buffer.clear();
    m_buffer.shrink_to_fit();
}

VersionInfo& VersionInfo::Load(const wchar_t* fileName) {
    m_cache.clear();
    m_language.clear();
    if (fileName == nullptr || *fileName == L'\0') {
        FreeBuffer();
        return *this;
    }
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(fileName, &ignored);
    if (size == 0) {
        FreeBuffer();
        return *this;
    }
    if (m_buffer.size() < size) {
        try {
            m_buffer.resize(size);
        } catch (const std::bad_alloc&) {
            // The old buffer stays, but without a language nothing is read from it.
            return *this;
        }
    }
    if (!GetFileVersionInfoW(fileName, 0, static_cast<DWORD>(m_buffer.size()), m_buffer.data())) {
        FreeBuffer();
        return *this;
    }
    void* table = nullptr;
    UINT tableBytes = 0;
    if (!VerQueryValueW(m_buffer.data(), L"\\VarFileInfo\\Translation", &table, &tableBytes) ||
        table == nullptr || tableBytes < 4) {
        FreeBuffer();
        return *this;
    }
    // Pairs of a 16-bit language id and a 16-bit code page.
    const auto* entries = static_cast<const WORD*>(table);
    const UINT count = tableBytes / 4;
    const LANGID userLanguage = GetUserDefaultLangID();
    UINT chosen = 0;
    for (UINT i = 0; i < count; ++i) {
        if (entries[2 * i] == userLanguage) {
            chosen = i;
            break;
        }
    }
    wchar_t text[9];
    swprintf(text, 9, L"%.4x%.4x", entries[2 * chosen], entries[2 * chosen + 1]);
    m_language = text;
    return *this;
}

const mvstring& VersionInfo::GetString(const mvstring& key) {
    if (auto found = m_cache.find(key); found != m_cache.end())
        return found->second;
    if (m_buffer.empty() || m_language.empty())
        return g_empty;

    mvstring query(L"\\StringFileInfo\\");
    query += m_language;
    query += L'\\';
    query += key;
    void* value = nullptr;
    UINT valueLength = 0;
    mvstring result;
    if (VerQueryValueW(m_buffer.data(), query.c_str(), &value, &valueLength) && value != nullptr &&
        *static_cast<const wchar_t*>(value) != L'\0')
        result = static_cast<const wchar_t*>(value);
    return m_cache.emplace(key, std::move(result)).first->second;
}
