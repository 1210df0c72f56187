// VersionInfo: string values of an executable file's version resource.
#pragma once

#include "foundation/mvstring.h"

#include <cstdint>
#include <map>
#include <vector>

// Reads the version block of a file and answers StringFileInfo queries such as
// "FileDescription". The string table of the user's language is used when the
// file has one, else the first table the file lists. Answers are cached per
// key until the next Load.
class VersionInfo {
public:
    VersionInfo() = default;
    ~VersionInfo() = default;
    VersionInfo(const VersionInfo&) = delete;
    VersionInfo& operator=(const VersionInfo&) = delete;

    // Replaces whatever was loaded; a null or empty name, a file without a
    // version block or without a translation table leaves nothing loaded.
    VersionInfo& Load(const wchar_t* fileName);

    // The value of `key` in the chosen string table, or an empty string.
    const mvstring& GetString(const mvstring& key);

    // Eight lower-case hex digits, language id then code page (for example
    // "040904b0"); empty when nothing is loaded.
    const mvstring& Language() const { return m_language; }

private:
    void FreeBuffer();

    std::vector<std::uint8_t> m_buffer;
    std::map<mvstring, mvstring> m_cache;
    mvstring m_language;
};
