#include <windows.h>

#include "foundation/Handles.h"
#include "support/TempDir.h"

#include <fstream>
#include <iterator>

namespace {
// Deletes a fixture folder and all it holds through the \\?\ form, so that
// fixtures deeper than MAX_PATH go as well. The shell's recursive delete is
// not used: given a path it cannot take, it has been seen to work on the
// current folder instead. Links to folders are removed, never followed.
void RemoveTree(const std::wstring& path) {
    WIN32_FIND_DATAW data{};
    FindHandle find(FindFirstFileW((path + L"\\*").c_str(), &data));
    if (find.Get()) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring child = path + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
                SetFileAttributesW(child.c_str(), data.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileW(child.c_str());
            else if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                RemoveDirectoryW(child.c_str());
            else
                RemoveTree(child);
        } while (FindNextFileW(find.Get(), &data));
    }
    find.Reset();
    RemoveDirectoryW(path.c_str());
}
} // namespace

TempDir::TempDir() {
    wchar_t base[MAX_PATH + 1]{};
    GetTempPathW(MAX_PATH, base);
    static LONG counter = 0;
    for (;;) {
        m_path = std::wstring(base) + L"vqtest_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                 std::to_wstring(InterlockedIncrement(&counter));
        if (CreateDirectoryW(m_path.c_str(), nullptr))
            break;
    }
}

TempDir::~TempDir() {
    // Only ever a folder this object made, named by its full path.
    if (m_path.size() > 3 && m_path[1] == L':' && m_path.find(L"vqtest_") != std::wstring::npos)
        RemoveTree(L"\\\\?\\" + m_path);
}

std::wstring TempDir::operator/(std::wstring_view name) const {
    return m_path + L"\\" + std::wstring(name);
}

std::wstring TempDir::WriteFile(std::wstring_view name, std::string_view bytes) const {
    const std::wstring full = *this / name;
    for (size_t i = m_path.size() + 1; (i = full.find(L'\\', i)) != std::wstring::npos; ++i)
        CreateDirectoryW(full.substr(0, i).c_str(), nullptr);
    std::ofstream out(full.c_str(), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return full;
}

std::string TempDir::ReadFile(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
