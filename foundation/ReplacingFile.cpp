#include "foundation/ReplacingFile.h"

#include "foundation/FileAccess.h"
#include "foundation/Paths.h"

#include <string>
#include <utility>

namespace {

// A device (NUL, a console, a character device) answers opens like a file
// but is no file on disk; nothing can be moved onto it.
bool IsDevice(const mvstring& path) {
    const FileHandle existing(CreateFileW(path.c_str(), 0,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS,
                                          nullptr));
    return existing && GetFileType(existing.Get()) != FILE_TYPE_DISK;
}

// "<target>.<process id>-<count>.part": unique among the writers of this
// process and of others at the same time.
mvstring NameBeside(const mvstring& target, unsigned count) {
    std::wstring name = target.str();
    name += L'.';
    name += std::to_wstring(GetCurrentProcessId());
    name += L'-';
    name += std::to_wstring(count);
    name += L".part";
    return mvstring(std::move(name));
}

} // namespace

ReplacingFile::ReplacingFile(ReplacingFile&& other) noexcept
    : m_file(std::move(other.m_file)), m_target(std::move(other.m_target)),
      m_written(std::move(other.m_written)) {
    other.m_target.clear();
    other.m_written.clear();
}

ReplacingFile& ReplacingFile::operator=(ReplacingFile&& other) noexcept {
    if (this != &other) {
        Abandon();
        m_file = std::move(other.m_file);
        m_target = std::move(other.m_target);
        m_written = std::move(other.m_written);
        other.m_target.clear();
        other.m_written.clear();
    }
    return *this;
}

bool ReplacingFile::Open(const mvstring& target) {
    Abandon();
    SetLastError(ERROR_SUCCESS);
    if (target.empty()) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    const mvstring full = ExpandPath(target);
    const DWORD attributes = GetFileAttributesW(full.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    if (IsDevice(full)) {
        m_file = OpenFileForText(full, true);
        if (!m_file)
            return false;
        m_target = full;
        return true;
    }
    const mvstring folder = PathParent(full);
    if (!folder.empty())
        CreateDirectories(folder);
    static volatile LONG s_count = 0;
    for (int attempt = 0; attempt < 16; ++attempt) {
        const mvstring written =
            NameBeside(full, static_cast<unsigned>(InterlockedIncrement(&s_count)));
        m_file.Assign(CreateFileW(written.c_str(), FILE_GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
        if (m_file) {
            m_target = full;
            m_written = written;
            return true;
        }
        // A file left by an earlier process of the same id takes the name.
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    return false;
}

bool ReplacingFile::Commit() {
    if (!m_file) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (m_written.empty()) {
        m_file.Reset();
        m_target.clear();
        SetLastError(ERROR_SUCCESS);
        return true;
    }
    // The content reaches the disk before the name does, so that a crash
    // right after the move cannot leave an empty file under the target's name.
    if (!FlushFileBuffers(m_file.Get())) {
        Abandon();
        return false;
    }
    m_file.Reset();
    const DWORD attributes = GetFileAttributesW(m_target.c_str());
    const bool readOnly =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
    if (readOnly)
        SetFileAttributesW(m_target.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    const bool moved = RetryWhileHeld([&] {
        return MoveFileExW(m_written.c_str(), m_target.c_str(),
                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    });
    if (moved) {
        m_written.clear();
        m_target.clear();
        SetLastError(ERROR_SUCCESS);
        return true;
    }
    const DWORD error = GetLastError();
    if (readOnly)
        SetFileAttributesW(m_target.c_str(), attributes);
    Abandon();
    SetLastError(error);
    return false;
}

void ReplacingFile::Abandon() noexcept {
    const DWORD error = GetLastError();
    m_file.Reset();
    if (!m_written.empty())
        DeleteFileW(m_written.c_str());
    m_written.clear();
    m_target.clear();
    SetLastError(error);
}
