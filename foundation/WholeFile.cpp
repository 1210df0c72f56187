#include "foundation/WholeFile.h"

#include "foundation/FileAccess.h"

bool ReadWholeFile(HANDLE file, SharedBuffer& out) {
    ReleaseSharedBuffer(out);
    LARGE_INTEGER size{};
    if (!file || file == INVALID_HANDLE_VALUE || !GetFileSizeEx(file, &size) ||
        !SetFilePointerEx(file, LARGE_INTEGER{}, nullptr, FILE_BEGIN))
        return false;
    if (size.QuadPart == 0)
        return true;
    const uint64_t n = static_cast<uint64_t>(size.QuadPart);
    if (!out.Alloc(n))
        return false;
    size_t read = 0;
    if (!ReadFileUpTo(file, out.Data(), static_cast<size_t>(n), read) || read != n) {
        ReleaseSharedBuffer(out);
        return false;
    }
    return true;
}

bool ReadWholeFile(const mvstring& path, SharedBuffer& out) {
    ReleaseSharedBuffer(out);
    const FileHandle file = OpenFileForText(path, false);
    return file && ReadWholeFile(file.Get(), out);
}
