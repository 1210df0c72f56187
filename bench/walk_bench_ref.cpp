// The floor a folder walk can reach on this platform layer: a bare breadth-first
// walk with FindFirstFileExW counting entries, or the same walk reading every file
// in 64 KiB pieces counting bytes. Nothing is matched, sorted or shown.
//
// Usage: walk_bench_ref.exe walk|read <folder>
// Prints one line: mode, count (entries or bytes), files, seconds (tab-separated).

#include "foundation/Handles.h"

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <deque>
#include <string>
#include <vector>

namespace {

struct Totals {
    std::uint64_t entries = 0;
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
};

bool IsDotEntry(const wchar_t* name) {
    return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

// Reads the whole file; false when it cannot be opened or a read fails.
bool ReadWhole(const std::wstring& path, std::vector<char>& buffer, Totals& totals) {
    const FileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file)
        return false;
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr))
            return false;
        if (got == 0)
            return true;
        totals.bytes += got;
    }
}

Totals Walk(const std::wstring& root, bool read) {
    Totals totals;
    std::vector<char> buffer(64 * 1024);
    std::deque<std::wstring> folders{root};
    while (!folders.empty()) {
        const std::wstring folder = std::move(folders.front());
        folders.pop_front();
        WIN32_FIND_DATAW data;
        const FindHandle find(FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &data,
                                               FindExSearchNameMatch, nullptr,
                                               FIND_FIRST_EX_LARGE_FETCH));
        if (!find)
            continue;
        do {
            if (IsDotEntry(data.cFileName))
                continue;
            ++totals.entries;
            const bool isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            const bool isLink = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
            if (isFolder) {
                if (!isLink)
                    folders.push_back(folder + L"\\" + data.cFileName);
                continue;
            }
            ++totals.files;
            if (read)
                ReadWhole(folder + L"\\" + data.cFileName, buffer, totals);
        } while (FindNextFileW(find.Get(), &data));
    }
    return totals;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3 || (std::wcscmp(argv[1], L"walk") != 0 && std::wcscmp(argv[1], L"read") != 0)) {
        std::fprintf(stderr, "usage: walk_bench_ref walk|read <folder>\n");
        return 1;
    }
    const bool read = std::wcscmp(argv[1], L"read") == 0;
    std::wstring root = argv[2];
    while (root.size() > 3 && (root.back() == L'\\' || root.back() == L'/'))
        root.pop_back();
    const auto start = std::chrono::steady_clock::now();
    const Totals totals = Walk(root, read);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s\t%llu\t%llu\t%.3f\n", read ? "read" : "walk",
                static_cast<unsigned long long>(read ? totals.bytes : totals.entries),
                static_cast<unsigned long long>(totals.files), seconds);
    return 0;
}
