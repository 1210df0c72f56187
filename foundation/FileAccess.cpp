#include "foundation/FileAccess.h"

#include "foundation/Paths.h"

#include <algorithm>

namespace {

// ReadFile and WriteFile move at most this many bytes per call.
constexpr size_t kMaxChunk = 0x40000000;

} // namespace

bool WriteFileFully(HANDLE file, const void* bytes, size_t count) {
    auto* next = static_cast<const uint8_t*>(bytes);
    while (count > 0) {
        const DWORD chunk = static_cast<DWORD>(std::min(count, kMaxChunk));
        DWORD written = 0;
        if (!WriteFile(file, next, chunk, &written, nullptr) || written != chunk)
            return false;
        next += chunk;
        count -= chunk;
    }
    return true;
}

bool ReadFileUpTo(HANDLE file, void* bytes, size_t count, size_t& read) {
    auto* next = static_cast<uint8_t*>(bytes);
    read = 0;
    while (read < count) {
        const DWORD chunk = static_cast<DWORD>(std::min(count - read, kMaxChunk));
        DWORD got = 0;
        if (!ReadFile(file, next + read, chunk, &got, nullptr))
            return false;
        read += got;
        if (got < chunk)
            break;
    }
    return true;
}

FileHandle OpenFileForText(const mvstring& path, bool forWriting) {
    SetLastError(0);
    if (path.empty())
        return FileHandle();
    const mvstring full = ExpandPath(path);
    HANDLE file;
    if (forWriting) {
        const size_t slash = full.rfind(L'\\');
        if (slash != mvstring::npos)
            CreateDirectories(full.substr(0, slash));
        // A read-only or hidden file would refuse to be replaced.
        SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        file = CreateFileW(full.c_str(), FILE_GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    } else {
        file = CreateFileW(full.c_str(), FILE_GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    return FileHandle(file);
}

FileHandle OpenFileByExactName(const mvstring& path) {
    SetLastError(0);
    if (path.empty())
        return FileHandle();
    return FileHandle(CreateFileW(ExactPathForm(path).c_str(), FILE_GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool DeleteFileWithRetry(const mvstring& path) {
    if (GetPathKind(path) != PathKindFile)
        return false;
    const mvstring full = ExpandPath(path);
    return RetryWhileShared([&] { return DeleteFileW(full.c_str()) != 0; });
}
