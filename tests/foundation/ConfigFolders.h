// Test fixture: points the configuration folders into a temporary folder
// (program folder "prog", application-data folder "appdata") and helps to
// place, date and read the two copies of a configuration file.
#pragma once

#include "foundation/ConfigFiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

class ConfigFolders : public ::testing::Test {
protected:
    void SetUp() override { SetConfigBaseFolders(m_dir / L"prog", m_dir / L"appdata"); }
    void TearDown() override { SetConfigBaseFolders(L"", L""); }

    // Paths of the copy beside the program (A) and the per-user copy (B).
    std::wstring PathA(const wchar_t* name) const {
        return m_dir / (std::wstring(L"prog\\Config\\") + name);
    }
    std::wstring PathB(const wchar_t* name) const {
        return m_dir / (std::wstring(L"appdata\\Velquin\\") + name);
    }
    std::wstring WriteA(const wchar_t* name, std::string_view bytes) const {
        return m_dir.WriteFile(std::wstring(L"prog\\Config\\") + name, bytes);
    }
    std::wstring WriteB(const wchar_t* name, std::string_view bytes) const {
        return m_dir.WriteFile(std::wstring(L"appdata\\Velquin\\") + name, bytes);
    }

    // Sets a file's last-write time to 2020-01-01 plus `seconds`.
    static void SetWriteTime(const std::wstring& path, int seconds) {
        HANDLE file =
            CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        ULARGE_INTEGER t;
        t.QuadPart = 132223104000000000ULL + static_cast<ULONGLONG>(seconds) * 10000000ULL;
        FILETIME ft{t.LowPart, t.HighPart};
        EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &ft));
        CloseHandle(file);
    }

    // The text of a file written by the configuration code: FF FE, UTF-16LE.
    // Empty when missing; "<no BOM>" when the file is not in that form.
    static std::wstring ReadUtf16(const std::wstring& path) {
        const std::string bytes = TempDir::ReadFile(path);
        if (bytes.empty())
            return L"";
        if (bytes.size() % 2 != 0 || bytes.compare(0, 2, "\xFF\xFE") != 0)
            return L"<no BOM>";
        return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2),
                            (bytes.size() - 2) / 2);
    }

    static bool Exists(const std::wstring& path) {
        return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    TempDir m_dir;
};
