#include <windows.h>
#include <shellapi.h>

#include "support/TempDir.h"

#include <fstream>
#include <iterator>

namespace {
void RemoveTree(const std::wstring& path) {
    // SHFileOperation wants a double-terminated list.
    std::wstring from = path;
    from.push_back(L'\0');
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    SHFileOperationW(&op);
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
    RemoveTree(m_path);
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
