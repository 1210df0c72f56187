// A fresh folder under %TEMP% for one test's fixture files, removed afterwards.
#pragma once

#include <string>
#include <string_view>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::wstring& Path() const { return m_path; }
    // Full path of a name inside the folder.
    std::wstring operator/(std::wstring_view name) const;

    // Writes raw bytes to a file inside the folder (creating subfolders).
    std::wstring WriteFile(std::wstring_view name, std::string_view bytes) const;
    // Reads a whole file as raw bytes; empty when it cannot be read.
    static std::string ReadFile(const std::wstring& path);

private:
    std::wstring m_path;
};
